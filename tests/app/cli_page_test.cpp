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

// A theme is a scheme like a loaded sheet: of the two, the later on the line wins.
TEST_F(CliPages, ThemesAndSchemesTakeTheLaterOneAndADarkThemeAddsAVariant) {
    ASSERT_EQ(runCli("css -o " + q(scratch / "default.css")).status, 0);
    const CliResult paper = runCli("css --theme paper");
    EXPECT_EQ(paper.status, 0) << paper.err;
    EXPECT_NE(paper.out.find("background:#FFFFFF;"), std::string::npos);
    EXPECT_EQ(runCli("css -s " + q(scratch / "default.css") + " --theme=paper").out, paper.out);
    EXPECT_EQ(runCli("css --theme paper -s " + q(scratch / "default.css")).out,
              readBytes(scratch / "default.css"));

    const CliResult unknown = runCli("colorize --theme solarized");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "quillon-cli: --theme: unknown theme 'solarized' (default, vb6, paper, dark)\n"
                           "Try 'quillon-cli --help'.\n");
    const std::string page = "page" + headerFooter() + " " + q(scratch / "Form1.frm");
    EXPECT_EQ(runCli(page + " --theme-dark dark --format bbcode -o -").status, 2);
    EXPECT_EQ(runCli(page + " --theme-dark dark --link-css " + q(scratch / "default.css")).status, 2);
    EXPECT_EQ(runCli("css --theme-dark dark").status, 2);

    const CliResult r = runCli(page + " --theme vb6 --theme-dark dark -o -");
    EXPECT_EQ(r.status, 0) << r.err;
    expectMatchesGolden(r.out, dataDir() / "pages" / "form.frm.dark.html");
}

class CliBatchTree : public testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"proj/sub/deep", "a", "b"}) {
            fs::create_directories(scratch / folder);
        }
        const std::pair<const char*, const char*> copies[] = {{"form.frm", "proj/Form1.frm"},
                                                              {"module.bas", "proj/sub/Module1.bas"},
                                                              {"class.cls", "proj/sub/deep/Class1.CLS"},
                                                              {"plain.txt", "proj/notes.txt"},
                                                              {"single.bas", "extra.bas"},
                                                              {"form.frm", "a/Form1.frm"},
                                                              {"form.frm", "b/Form1.frm"}};
        for (const auto& [from, to] : copies) {
            fs::copy_file(dataDir() / "pages" / from, scratch / to);
        }
        writeBytes(scratch / "proj/sub/Tool.bas", std::string("MZ\x90\0", 4));
    }
    CliResult batch(const std::string& arguments) const {
        return runCli("batch" + headerFooter(dataDir() / "pages") + " " + arguments, {}, scratch.path());
    }
    std::string golden(const char* name) const { return readBytes(dataDir() / "pages" / name); }
    ScratchDir scratch;
};

TEST_F(CliBatchTree, RecursionIntoOutputDirKeepsTheTreeAndTellsEachFailure) {
    CliResult r = batch("-rq --output-dir out proj extra.bas");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quillon-cli: proj/sub/Tool.bas: Not a text file\n");
    EXPECT_EQ(readBytes(scratch / "out/Form1.frm.html"), golden("form.frm.html"));
    EXPECT_EQ(readBytes(scratch / "out/sub/Module1.bas.html"), golden("module.bas.html"));
    EXPECT_TRUE(fs::exists(scratch / "out/sub/deep/Class1.CLS.html"));
    EXPECT_EQ(readBytes(scratch / "out/extra.bas.html"), golden("single.bas.html"));
    for (const char* absent : {"out/notes.txt.html", "out/sub/Tool.bas.html", "proj/Form1.frm.html"}) {
        EXPECT_FALSE(fs::exists(scratch / absent)) << absent;
    }
    // Another pattern, the pages beside their sources, the log as the Batch pane writes it.
    r = batch("--recursive --pattern '*.TXT;*.none' proj");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Convert this files :\nnotes.txt\n" + std::string(66, '-') +
                         "\nnotes.txt.html Create 2 lines\nWork Completed\n");
    EXPECT_EQ(readBytes(scratch / "proj/notes.txt.html"), golden("plain.txt.html"));
}

TEST_F(CliBatchTree, NameClashesAreRefusedBeforeAnythingIsWritten) {
    const CliResult r = batch("--output-dir out extra.bas a/Form1.frm b/Form1.frm");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quillon-cli: out/Form1.frm.html: Two sources would give this page: a/Form1.frm and "
                     "b/Form1.frm\n");
    EXPECT_FALSE(fs::exists(scratch / "out"));
}

} // namespace
} // namespace quillon::test
