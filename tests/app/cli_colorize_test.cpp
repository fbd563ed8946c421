#include "base/version.h"
#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(CliColorize, ConvertsTheSampleFileLikeTheDirectPane) {
    const CliResult r = runOk("colorize " + q(programDir() / "sample.frm"));
    EXPECT_EQ(r.err, "");
    expectMatchesGolden(r.out, dataDir() / "cli" / "sample.frm.colorized");

    // Markdown from a file is written as it comes, its fence found first; from a pipe it is
    // held for its fence: the same document.
    ScratchDir scratch;
    writeBytes(scratch / "ticks.bas", "x = \"````\" ' `a`\r\n" + readBytes(programDir() / "sample.frm"));
    const std::string held = runOk("colorize --format markdown", readBytes(scratch / "ticks.bas")).out;
    EXPECT_TRUE(held.starts_with("`````vb\r\n")) << held.substr(0, 20);
    EXPECT_EQ(runOk("colorize --format markdown " + q(scratch / "ticks.bas")).out, held);
}

// A large file is read once, as UTF-8 while it is; a late byte that is not makes it
// Windows-1252 whether it went to a file, to standard output in a file, or down a pipe.
TEST(CliColorize, ALargeFileNotUtf8LateIsColouredInItsCodePageWhereverItGoes) {
    ScratchDir scratch;
    std::string source = "caf\xC3\xA9\r\n";
    while (source.size() < 3 * 1024 * 1024) {
        source += "Dim x As Long ' \"q\" & <b>\r\n";
    }
    source += "' \x93the end\x94\r\n";
    writeBytes(scratch / "late.bas", source);
    const std::string expected = runOk("colorize -e windows-1252 " + q(scratch / "late.bas")).out;
    EXPECT_TRUE(expected.starts_with("caf\u00C3\u00A9\r\n")) << expected.substr(0, 20);
    EXPECT_TRUE(runOk("colorize " + q(scratch / "late.bas")).out == expected);
    // The shell's redirections that follow go to the command after the ";".
    runOk("colorize " + q(scratch / "late.bas") + " | cat >" + q(scratch / "piped.txt") + "; true");
    EXPECT_TRUE(readBytes(scratch / "piped.txt") == expected);
    runOk("colorize " + q(scratch / "late.bas") + " -o " + q(scratch / "late.txt"));
    EXPECT_TRUE(readBytes(scratch / "late.txt") == expected);
}

TEST(CliColorize, StandardInputWithEveryLineEndingOptionAndEncoding) {
    const struct {
        const char* args;
        std::string in, out;
    } cases[] = {
        {"colorize", "If x Then\rEnd If\nDim a\r\nx = 1",
         "<a class=k>If</a> x <a class=k>Then</a>\r\n<a class=k>End If</a>\r\n"
         "<a class=k>Dim</a> a\r\nx<a class=o> =</a> <a class=n>1</a>\r\n"},
        // A final line break adds no line; empty input gives nothing.
        {"colorize -", "a\r\n", "a\r\n"},
        {"colorize", "", ""},
        {"colorize --eol lf -o -", "\r\n\n", "\n\n"},
        {"colorize --no-optimize", "End If", "<a class=k>End</a> <a class=k>If</a>\r\n"},
        {"colorize --off keyword,string", "x = \"If\" ' c",
         "x<a class=o> =</a> \"If\" <a class=c>' c</a>\r\n"},
        {"colorize --off=comment,string,keyword,other,number", "If a<b Then ' \"x\"",
         "If a&lt;b Then ' \"x\"\r\n"},
        // Windows-1252 is decoded, or the code page named.
        {"colorize --off string", "s = \x93\x80\xE9\x94",
         "s<a class=o> =</a> \xE2\x80\x9C\xE2\x82\xAC\xC3\xA9\xE2\x80\x9D\r\n"},
        {"colorize -e koi8-r --off string", "s = \xF0\xD2", "s<a class=o> =</a> \xD0\x9F\xD1\x80\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runOk(c.args, c.in).out, c.out) << c.args << " [" << c.in << "]";
    }
}

TEST(CliConventions, HelpAndVersionOnStandardOutputUsageErrorsInOneLine) {
    CliResult r = runOk("--help");
    EXPECT_TRUE(r.out.starts_with("usage: quillon-cli COMMAND")) << r.out;
    EXPECT_EQ(runCli("page -h").out, r.out);
    r = runOk("-V");
    EXPECT_EQ(r.out, "quillon-cli "s + ProgramVersion + "\n");
    EXPECT_EQ(runCli("--version").out, r.out);

    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"", "missing command"},
        {"frobnicate", "unknown command 'frobnicate'"},
        {"colorize --bogus", "unknown option '--bogus'"},
        {"colorize -x", "unknown option '-x'"},
        {"colorize --off comments", "unknown category 'comments' in --off"},
        {"colorize a b", "colorize takes at most one FILE"},
        {"page -o", "option -o needs a value"},
        {"page a b -o c", "page takes a TARGET or -o, not both"},
        {"page -j4 a", "option -j does not apply to page"},
        {"batch --jobs=0 a", "--jobs needs a whole number from 1 to 1000"},
        {"batch --quiet=yes a", "option --quiet takes no value"},
        {"css --eol cr", "--eol: unknown line end 'cr' (crlf or lf)"},
    };
    for (const auto& c : cases) {
        r = runCli(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err, "quillon-cli: "s + c.message + "\nTry 'quillon-cli --help'.\n") << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
}

// Every command names the file that failed and says in words what is wrong with it.
TEST(CliConventions, FailuresNameTheFileOnStandardErrorAndExitOne) {
    ScratchDir scratch;
    const fs::path pages = dataDir() / "pages";
    const std::string source = q(pages / "module.bas");
    writeBytes(scratch / "Tool.bas", "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0"s);
    writeBytes(scratch / "bad.css", "pre\r\n");
    const auto in = [&](const char* name) { return (scratch / name).string(); };
    const struct {
        std::string args;
        std::string path;
        const char* reason;
    } cases[] = {
        {"colorize " + q(scratch / "none.bas"), in("none.bas"), "No such file"},
        {"colorize " + q(scratch.path()), scratch.path().string(), "Is a directory"},
        {"colorize " + q(scratch / "Tool.bas"), in("Tool.bas"), "Not a text file"},
        {"page " + q(scratch / "none.bas"), in("none.bas"), "No such file"},
        {"page " + q(scratch / "no" / "x.bas"), in("no/x.bas"), "No such folder"},
        {"page " + q(scratch.path()) + " -o " + q(scratch / "x.html"), scratch.path().string(),
         "Is a directory"},
        {"page --footer " + q(scratch / "f.txt") + " " + source, in("f.txt"), "No such file"},
        {"page --link-css " + q(scratch / "a.css") + " " + source, in("a.css"), "No such file"},
        {"page " + source + " " + q(scratch / "no" / "x.html"), in("no/x.html"), "No such folder"},
        {"page " + source + " -o " + q(scratch.path()), scratch.path().string(), "Is a directory"},
        {"css -s " + q(scratch / "bad.css"), in("bad.css"), "Not a style sheet saved by Quillon"},
        {"css -o " + q(scratch / "no" / "x.css"), in("no/x.css"), "No such folder"},
    };
    for (const auto& c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, "quillon-cli: " + c.path + ": " + c.reason + "\n") << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_EQ(runCli("colorize -", "MZ\0\0"s).err, "quillon-cli: standard input: Not a text file\n");
    EXPECT_FALSE(fs::exists(scratch / "x.html"));
    EXPECT_FALSE(fs::exists(scratch / "Tool.bas.html"));
}

} // namespace
} // namespace quillon::test
