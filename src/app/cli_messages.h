#pragma once
// What quillon-cli says on standard error when a file fails: "quillon-cli: PATH: reason",
// the reason in words a shell user knows, whichever command met the failure.

#include "base/vb_error.h"

#include <string>
#include <string_view>

namespace quillon::cli {

// The reason for error `number` about `path` ("No such file", "Is a directory", ...).
std::string reasonFor(int number, const std::string& path);

// The message of a raised error; its description names the path after the first ": ".
std::string messageOf(const VbError& error);

// The message for an input the window would refuse before converting (source, header,
// footer, linked style sheet): what is at `path` instead of a file.
std::string missingInputMessage(const std::string& path);

// What the commands read for "-" or no file at all.
inline constexpr const char* StandardInputPath = "/dev/stdin";

std::string fileMessage(const std::string& path, std::string_view reason);

// Writes the message and a line break to standard error.
void tell(const std::string& message);

} // namespace quillon::cli
