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
    const CliResult r = runOk(page);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(readBytes(scratch / "Form1.frm.html"), golden());
    runOk(page + " " + q(scratch / "out.txt"));
    EXPECT_EQ(readBytes(scratch / "out.txt"), golden());
    EXPECT_EQ(runOk(page + " -o -").out, golden());
    // Line feeds only, when asked for.
    std::string lineFeeds = golden();
    lineFeeds.erase(std::remove(lineFeeds.begin(), lineFeeds.end(), '\r'), lineFeeds.end());
    runOk(page + " --eol lf --output " + q(scratch / "lf.html"));
    EXPECT_EQ(readBytes(scratch / "lf.html"), lineFeeds);
    EXPECT_EQ(runCli(page + " --eol=lf -o -").out, lineFeeds);
}

TEST_F(CliPages, PageUsesTheProgramsHeaderAndFooterByDefault) {
    runOk("page " + q(scratch / "Form1.frm") + " " + q(scratch / "out.HTM.txt"));
    const std::string page = readBytes(scratch / "out.HTM.txt");
    const std::string header = readBytes(programDir() / "header.txt");
    // The shipped header declares what every page is written in.
    EXPECT_NE(header.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_TRUE(page.starts_with(header));
    EXPECT_TRUE(page.ends_with("</pre>\r\n" + readBytes(programDir() / "footer.txt")));
}

TEST_F(CliPages, PageLinksTheStyleSheetByItsFileName) {
    runOk("css " + q(scratch / "my.css"));
    runOk("page" + headerFooter() + " --link-css " + q(scratch / "my.css") + " " +
          q(scratch / "Module1.bas"));
    EXPECT_NE(readBytes(scratch / "Module1.bas.html").find("HREF=\"my.css\">\r\n<PRE>\r\n"),
              std::string::npos);
}

TEST_F(CliPages, CssWritesTheSchemeAfterTheOptions) {
    const CliResult css = runOk("css --off string --font 'Liberation Mono' --font-size 12");
    EXPECT_NE(css.out.find("font-family:Liberation Mono;\r\nfont-size:12pt;\r\n"), std::string::npos);
    EXPECT_NE(css.out.find(".s\r\n{\r\nCOLOR:#FFFFFF;\r\n}"), std::string::npos) << css.out;
    writeBytes(scratch / "a.css", css.out);
    // Loaded back, the turned-off category stays off: the page leaves strings unmarked.
    runOk("page" + headerFooter() + " -s " + q(scratch / "a.css") + " " + q(scratch / "Module1.bas"));
    EXPECT_EQ(readBytes(scratch / "Module1.bas.html").find("class=s>"), std::string::npos);
    EXPECT_EQ(runCli("css --font '</style><script>' -o " + q(scratch / "out.css")).status, 2);
    EXPECT_FALSE(fs::exists(scratch / "out.css"));
}

// A theme is a scheme like a loaded sheet: of the two, the later on the line wins.
TEST_F(CliPages, ThemesAndSchemesTakeTheLaterOneAndADarkThemeAddsAVariant) {
    runOk("css -o " + q(scratch / "default.css"));
    const CliResult paper = runOk("css --theme paper");
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

    expectMatchesGolden(runOk(page + " --theme vb6 --theme-dark dark -o -").out,
                        dataDir() / "pages" / "form.frm.dark.html");
}

// The command line reaches the one writer of each format; the formats themselves are
// tested in the engine.
TEST(CliPageFormats, ColorizeAndPageWriteTheChosenFormatAndRefuseAnUnknownOne) {
    EXPECT_EQ(runOk("colorize --format bbcode --eol lf", "If x Then\n").out,
              "[code][color=#00FFFF]If[/color] x [color=#00FFFF]Then[/color]\n[/code]\n");

    const CliResult unknown = runCli("colorize --format pdf", "x\n");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("--format: unknown format 'pdf'"), std::string::npos) << unknown.err;

    ScratchDir dir;
    writeBytes(dir / "m.bas", "Attribute VB_Name = \"M\"\r\nDim a\r\n");
    runOk("page --format rtf " + q(dir / "m.bas") + headerFooter(programDir()));
    const std::string document = readBytes(dir / "m.bas.rtf");
    EXPECT_TRUE(document.starts_with("{\\rtf1")) << document;

    const CliResult inlined =
        runOk("page --format html-inline -o - " + q(dir / "m.bas") + headerFooter(programDir()));
    EXPECT_EQ(inlined.out.find("<style>"), std::string::npos);
    EXPECT_NE(inlined.out.find("<pre style=\"background-color:#000000;"), std::string::npos);
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
    // Another pattern, the pages beside their sources, the log as the Batch pane writes it,
    // a source named but missing logged as failed.
    r = batch("--jobs 2 --recursive --pattern '*.TXT;*.none' proj gone.bas");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "Convert this files :\nnotes.txt\ngone.bas\n" + std::string(66, '-') +
                  "\nnotes.txt.html Create 2 lines\n"
                  "gone.bas.html Failed: You must choose a Visual Basic File before !\nWork Completed\n");
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
