#include "cli_test_support.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

TEST(CliColorize, ConvertsTheSampleFileLikeTheDirectPane) {
    const CliResult r = runCli("colorize " + q(programDir() / "sample.frm"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    expectMatchesGolden(r.out, dataDir() / "cli" / "sample.frm.colorized");
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
        {"colorize", "a\r\n", "a\r\n"},
        {"colorize", "", ""},
        {"colorize", "\n\n", "\r\n\r\n"},
        {"colorize --no-optimize", "End If", "<a class=k>End</a> <a class=k>If</a>\r\n"},
        {"colorize --off keyword,string", "x = \"If\" ' c",
         "x<a class=o> =</a> \"If\" <a class=c>' c</a>\r\n"},
        {"colorize --off comment,string,keyword,other,number", "If a<b Then ' \"x\"",
         "If a&lt;b Then ' \"x\"\r\n"},
        // Windows-1252 is decoded; a UTF-8 byte-order mark is no text.
        {"colorize --off string", "s = \x93\x80\xE9\x94",
         "s<a class=o> =</a> \xE2\x80\x9C\xE2\x82\xAC\xC3\xA9\xE2\x80\x9D\r\n"},
        {"colorize", "\xEF\xBB\xBFRem x", "Rem x\r\n"},
    };
    for (const auto& c : cases) {
        const CliResult r = runCli(c.args, c.in);
        EXPECT_EQ(r.status, 0) << c.args << " [" << c.in << "]";
        EXPECT_EQ(r.out, c.out) << c.args << " [" << c.in << "]";
    }
}

TEST(CliColorize, BadArgumentsExitTwoWithUsage) {
    for (const char* args :
         {"colorize --off comments", "colorize --bogus", "colorize a b", "", "frobnicate"}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("usage: quillon-cli"), std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    const CliResult help = runCli("colorize --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("colorize"), std::string::npos);
}

TEST(CliColorize, UnreadableInputExitsOneNamingTheFile) {
    ScratchDir scratch;
    const std::string missing = (scratch / "missing.bas").string();
    CliResult r = runCli("colorize " + cliQuote(missing));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERREUR n\u00B053 in colorize: File not found: " + missing + "\n");
    r = runCli("colorize " + q(scratch.path()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(scratch.path().string()), std::string::npos);
}

} // namespace
} // namespace quillon::test
