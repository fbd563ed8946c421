#include "cli_test_support.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

TEST(CliColorize, ConvertsTheSampleFileLikeTheDirectPane) {
    const CliResult r = runCli("colorize " + cliQuote((programDir() / "sample.frm").string()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    expectMatchesGolden(r.out, dataDir() / "cli" / "sample.frm.colorized");
}

TEST(CliColorize, ReadsStandardInputWithEveryLineEnding) {
    const CliResult r = runCli("colorize", "If x Then\rEnd If\nDim a\r\nx = 1");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "<a class=k>If</a> x <a class=k>Then</a>\r\n<a class=k>End If</a>\r\n"
                     "<a class=k>Dim</a> a\r\nx<a class=o> =</a> <a class=n>1</a>\r\n");
}

TEST(CliColorize, FinalLineBreakAddsNoLineAndEmptyInputGivesNothing) {
    EXPECT_EQ(runCli("colorize", "a\r\n").out, "a\r\n");
    EXPECT_EQ(runCli("colorize", "").out, "");
    EXPECT_EQ(runCli("colorize", "\n\n").out, "\r\n\r\n");
}

TEST(CliColorize, OptionsTurnCategoriesAndTheOptimiserOff) {
    EXPECT_EQ(runCli("colorize --no-optimize", "End If").out, "<a class=k>End</a> <a class=k>If</a>\r\n");
    EXPECT_EQ(runCli("colorize --off keyword,string", "x = \"If\" ' c").out,
              "x<a class=o> =</a> \"If\" <a class=c>' c</a>\r\n");
    EXPECT_EQ(runCli("colorize --off comment,string,keyword,other,number", "If a<b Then ' \"x\"").out,
              "If a&ltb Then ' \"x\"\r\n");
}

TEST(CliColorize, DecodesWindows1252AndDropsAUtf8Bom) {
    EXPECT_EQ(runCli("colorize --off string", "s = \x93\x80\xE9\x94").out,
              "s<a class=o> =</a> \xE2\x80\x9C\xE2\x82\xAC\xC3\xA9\xE2\x80\x9D\r\n");
    EXPECT_EQ(runCli("colorize", "\xEF\xBB\xBFRem x").out, "Rem x\r\n");
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
    r = runCli("colorize " + cliQuote(scratch.path().string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(scratch.path().string()), std::string::npos);
}

} // namespace
} // namespace quillon::test
