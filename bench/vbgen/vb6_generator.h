#pragma once
// A seeded generator of realistic Visual Basic 6 sources: forms with their descriptive
// block and attributes, classes and modules, with the constructs the colouriser cares
// about. The same seed always gives the same bytes.

#include <cstdint>
#include <string>

namespace quillon::bench {

enum class SourceKind { Form, Class, Module };

// One source file of roughly `approxBytes` bytes, CR LF line ends.
std::string generateSource(std::uint64_t seed, SourceKind kind, std::size_t approxBytes);

} // namespace quillon::bench
