#pragma once
// Runs the real quillon-cli from the program's folder and collects what it printed.

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quillon::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// `arguments` is passed to the shell as written; quote paths with cliQuote(). With a
// `folder`, the program runs in it.
CliResult runCli(const std::string& arguments, const std::string& standardInput = {},
                 const std::filesystem::path& folder = {});
std::string cliQuote(const std::string& text);

// runCli for a run that must succeed; when it does not, the failure shows what it printed.
inline CliResult runOk(const std::string& arguments, const std::string& standardInput = {},
                       const std::filesystem::path& folder = {}) {
    CliResult result = runCli(arguments, standardInput, folder);
    EXPECT_EQ(result.status, 0) << arguments << "\n" << result.out << result.err;
    return result;
}
inline std::string q(const std::filesystem::path& path) {
    return cliQuote(path.string());
}

// " --header H --footer F" for the header and footer in `folder`.
inline std::string headerFooter(const std::filesystem::path& folder) {
    return " --header " + q(folder / "header.txt") + " --footer " + q(folder / "footer.txt");
}

} // namespace quillon::test
