#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

class CliPages : public testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(dataDir() / "pages" / "form.frm", scratch / "Form1.frm");
        fs::copy_file(dataDir() / "pages" / "module.bas", scratch / "Module1.bas");
    }
    std::string headerFooter() const { return test::headerFooter(dataDir() / "pages"); }
    std::string golden() const { return readBytes(dataDir() / "pages" / "form.frm.html"); }
    ScratchDir scratch;
};

// Beside the source, to a target of any name, to standard output: the same page.
TEST_F(CliPages, EveryTargetGetsWhatThePageWriterWrites) {
    const std::string page = "page" + headerFooter() + " " + q(scratch / "Form1.frm");
    CliResult r = runCli(page);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(readBytes(scratch / "Form1.frm.html"), golden());
    ASSERT_EQ(runCli(page + " " + q(scratch / "out.txt")).status, 0);
    EXPECT_EQ(readBytes(scratch / "out.txt"), golden());
    r = runCli(page + " -o -");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, golden());
    // Line feeds only, when asked for.
    std::string lineFeeds = golden();
    lineFeeds.erase(std::remove(lineFeeds.begin(), lineFeeds.end(), '\r'), lineFeeds.end());
    ASSERT_EQ(runCli(page + " --eol lf --output " + q(scratch / "lf.html")).status, 0);
    EXPECT_EQ(readBytes(scratch / "lf.html"), lineFeeds);
    EXPECT_EQ(runCli(page + " --eol=lf -o -").out, lineFeeds);
}

TEST_F(CliPages, PageUsesTheProgramsHeaderAndFooterByDefault) {
    const CliResult r = runCli("page " + q(scratch / "Form1.frm") + " " + q(scratch / "out.HTM.txt"));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string page = readBytes(scratch / "out.HTM.txt");
    const std::string header = readBytes(programDir() / "header.txt");
    // The shipped header declares what every page is written in.
    EXPECT_NE(header.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_TRUE(page.starts_with(header));
    EXPECT_TRUE(page.ends_with("</pre>\r\n" + readBytes(programDir() / "footer.txt")));
}

TEST_F(CliPages, PageLinksTheStyleSheetByItsFileName) {
    ASSERT_EQ(runCli("css " + q(scratch / "my.css")).status, 0);
    const CliResult r = runCli("page" + headerFooter() + " --link-css " + q(scratch / "my.css") + " " +
                               q(scratch / "Module1.bas"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readBytes(scratch / "Module1.bas.html").find("HREF=\"my.css\">\r\n<PRE>\r\n"),
              std::string::npos);
}

TEST_F(CliPages, CssWritesTheSchemeAfterTheOptions) {
    const CliResult css = runCli("css --off string --font 'Liberation Mono' --font-size 12");
    ASSERT_EQ(css.status, 0) << css.err;
    EXPECT_NE(css.out.find("font-family:Liberation Mono;\r\nfont-size:12pt;\r\n"), std::string::npos);
    EXPECT_NE(css.out.find(".s\r\n{\r\nCOLOR:#FFFFFF;\r\n}"), std::string::npos) << css.out;
    writeBytes(scratch / "a.css", css.out);
    // Loaded back, the turned-off category stays off: the page leaves strings unmarked.
    const CliResult r =
        runCli("page" + headerFooter() + " -s " + q(scratch / "a.css") + " " + q(scratch / "Module1.bas"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readBytes(scratch / "Module1.bas.html").find("class=s>"), std::string::npos);
    EXPECT_EQ(runCli("css --font '</style><script>' -o " + q(scratch / "out.css")).status, 2);
    EXPECT_FALSE(fs::exists(scratch / "out.css"));
}

} // namespace
} // namespace quillon::test
