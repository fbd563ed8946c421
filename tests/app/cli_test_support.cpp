#include "cli_test_support.h"

#include <cstdlib>
#include <sys/wait.h>

namespace quillon::test {

std::string cliQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

CliResult runCli(const std::string& arguments, const std::string& standardInput,
                 const std::filesystem::path& folder) {
    ScratchDir scratch;
    const auto in = scratch / "stdin";
    const auto out = scratch / "stdout";
    const auto err = scratch / "stderr";
    writeBytes(in, standardInput);
    const std::string command = (folder.empty() ? "" : "cd " + cliQuote(folder.string()) + " && ") +
                                cliQuote((programDir() / "quillon-cli").string()) + " " + arguments + " <" +
                                cliQuote(in.string()) + " >" + cliQuote(out.string()) + " 2>" +
                                cliQuote(err.string());
    const int raw = std::system(command.c_str());
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readBytes(out);
    result.err = readBytes(err);
    return result;
}

} // namespace quillon::test
