#include "cli_test_support.h"

#include <gtest/gtest.h>

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
    ScratchDir scratch;
};

TEST_F(CliPages, PageWritesWhatThePageWriterWritesBesideTheSource) {
    const CliResult r = runCli("page" + headerFooter() + " " + q(scratch / "Form1.frm"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readBytes(scratch / "Form1.frm.html"), readBytes(dataDir() / "pages" / "form.frm.html"));
}

// Any target whose name holds ".htm" is a page.
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

TEST_F(CliPages, PageValidatesInOrderWithTheMessagesOfTheWindow) {
    struct Case {
        std::string args;
        std::string message;
    } cases[] = {
        {"page" + headerFooter() + " " + q(scratch / "nope.frm"),
         "You must choose a Visual Basic File before !"},
        // A folder is no source, and the source is checked before the target.
        {"page" + headerFooter() + " " + q(scratch.path()) + " " + q(scratch / "out.txt"),
         "You must choose a Visual Basic File before !"},
        {"page" + headerFooter() + " " + q(scratch / "Form1.frm") + " " + q(scratch / "out.txt"),
         "You must choose a HTML File before !"},
        {"page" + headerFooter() + " --link-css " + q(scratch / "none.css") + " " + q(scratch / "Form1.frm"),
         "You must choose a CSS File before !"},
        {"page --header " + q(scratch / "h") + " --footer " + q(scratch / "f") + " " +
             q(scratch / "Form1.frm"),
         "You must choose a Header File before !"},
        {"page --footer " + q(scratch / "f") + " " + q(scratch / "Form1.frm"),
         "You must choose a Footer File before !"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, c.message + "\n") << c.args;
    }
    EXPECT_FALSE(fs::exists(scratch / "Form1.frm.html"));
}

TEST_F(CliPages, PageLinksTheStyleSheetByItsFileName) {
    ASSERT_EQ(runCli("css " + q(scratch / "my.css")).status, 0);
    const CliResult r = runCli("page" + headerFooter() + " --link-css " + q(scratch / "my.css") + " " +
                               q(scratch / "Module1.bas"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readBytes(scratch / "Module1.bas.html").find("HREF=\"my.css\">\r\n<PRE>\r\n"),
              std::string::npos);
}

TEST_F(CliPages, PageFailureIsTrappedUnderCpartiAndKeepsTheOldPage) {
    writeBytes(scratch / "Form1.frm.html", "old");
    fs::create_directory(scratch / "Form1.frm.html.dir");
    const CliResult r = runCli("page" + headerFooter() + " " + q(scratch / "Form1.frm") + " " +
                               q(scratch / "missing" / "x.html"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERREUR n\u00B076 in Cparti: Path not found: " +
                         (scratch / "missing" / "x.html").string() + "\n");
    EXPECT_EQ(readBytes(scratch / "Form1.frm.html"), "old");
}

TEST_F(CliPages, CssWritesTheSchemeAfterTheOptions) {
    ASSERT_EQ(
        runCli("css --off string --font 'Liberation Mono' --font-size 12 " + q(scratch / "a.css")).status, 0);
    const std::string sheet = readBytes(scratch / "a.css");
    EXPECT_NE(sheet.find("font-family:Liberation Mono;\r\nfont-size:12pt;\r\n"), std::string::npos);
    EXPECT_NE(sheet.find(".s\r\n{\r\nCOLOR:#FFFFFF;\r\n}"), std::string::npos) << sheet;
    // Loaded back, the turned-off category stays off: the page leaves strings unmarked.
    const CliResult r = runCli("page" + headerFooter() + " --scheme " + q(scratch / "a.css") + " " +
                               q(scratch / "Module1.bas"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readBytes(scratch / "Module1.bas.html").find("class=s>"), std::string::npos);
}

TEST_F(CliPages, BadSchemeAndUnsafeFontAreRefused) {
    writeBytes(scratch / "bad.css", "pre\r\n");
    CliResult r = runCli("css --scheme " + q(scratch / "bad.css") + " " + q(scratch / "out.css"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, (scratch / "bad.css").string() + " is not a valid CSS for Quillon !\n");
    EXPECT_FALSE(fs::exists(scratch / "out.css"));
    r = runCli("css --font '</style><script>' " + q(scratch / "out.css"));
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(scratch / "out.css"));
}

} // namespace
} // namespace quillon::test
