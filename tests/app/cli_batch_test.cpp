// "batch" end to end: the log of the batch module on standard output, the status of the run.
// The order of the log, the threads and each failure are tested with the module.

#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

TEST(CliBatch, LogsEachFileAndFailsWhenOneFails) {
    ScratchDir scratch;
    fs::copy_file(dataDir() / "pages" / "module.bas", scratch / "Module1.bas");
    const CliResult r = runCli("batch --jobs 2" + headerFooter(dataDir() / "pages") + " " +
                               q(scratch / "Module1.bas") + " " + q(scratch / "gone.bas"));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "Convert this files :\nModule1.bas\ngone.bas\n" + std::string(66, '-') +
                  "\nModule1.bas.html Create 10 lines\n"
                  "gone.bas.html Failed: You must choose a Visual Basic File before !\nWork Completed\n");
    EXPECT_EQ(readBytes(scratch / "Module1.bas.html"), readBytes(dataDir() / "pages" / "module.bas.html"));
}

} // namespace
} // namespace quillon::test
