// "site" end to end: two inputs give a site of two projects under one top index; the run
// is told on standard output, a site without its folder is bad usage.

#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

TEST(CliSite, PublishesTwoProjectsUnderOneIndex) {
    ScratchDir scratch;
    fs::create_directories(scratch / "loose");
    fs::copy_file(dataDir() / "pages" / "module.bas", scratch / "loose" / "Module1.bas");
    const fs::path site = scratch / "site";
    const CliResult r =
        runOk("site -j 2 --no-progress" + headerFooter(dataDir() / "pages") + " " +
              q(dataDir() / "site" / "demo" / "Demo.vbp") + " " + q(scratch / "loose") + " -o " + q(site));
    EXPECT_NE(r.out.find("Work Completed\nSite: 2 projects, 4 members, 1 missing, 4 pages written"),
              std::string::npos)
        << r.out;
    const std::string top = readBytes(site / "index.html");
    EXPECT_NE(top.find("href=\"Demo/index.html\""), std::string::npos) << top;
    EXPECT_NE(top.find("href=\"loose/index.html\""), std::string::npos) << top;
    EXPECT_TRUE(fs::exists(site / "Demo" / "src" / "Counter.cls.html"));
    EXPECT_TRUE(fs::exists(site / "loose" / "Module1.bas.html"));

    const CliResult again = runCli("site -q" + headerFooter(dataDir() / "pages") + " " +
                                   q(scratch / "loose") + " -o " + q(scratch / "loose"));
    // The originals are in the way of their copies: named, not replaced.
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("Module1.bas: Not written by the site, left as it is\n"), std::string::npos)
        << again.err;

    EXPECT_EQ(runCli("site " + q(scratch / "loose")).status, 2);

    // The pages link the site's sheet, so that is where a dark variant goes.
    const std::string variant = "@media (prefers-color-scheme: dark)";
    EXPECT_EQ(readBytes(site / "style.css").find(variant), std::string::npos);
    runOk("site -q --theme-dark dark" + headerFooter(dataDir() / "pages") + " " + q(scratch / "loose") +
          " -o " + q(scratch / "dark"));
    EXPECT_NE(readBytes(scratch / "dark" / "style.css").find(variant), std::string::npos);
}

} // namespace
} // namespace quillon::test
