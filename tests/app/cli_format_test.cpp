#include "cli_test_support.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

// The command line reaches the one writer of each format; the formats themselves are
// tested in the engine.
TEST(CliFormat, ColorizeAndPageWriteTheChosenFormatAndRefuseAnUnknownOne) {
    const CliResult bbcode = runCli("colorize --format bbcode --eol lf", "If x Then\n");
    EXPECT_EQ(bbcode.status, 0) << bbcode.err;
    EXPECT_EQ(bbcode.out, "[code][color=#00FFFF]If[/color] x [color=#00FFFF]Then[/color]\n[/code]\n");

    const CliResult unknown = runCli("colorize --format pdf", "x\n");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("--format: unknown format 'pdf'"), std::string::npos) << unknown.err;

    ScratchDir dir;
    writeBytes(dir / "m.bas", "Attribute VB_Name = \"M\"\r\nDim a\r\n");
    const CliResult rtf = runCli("page --format rtf " + q(dir / "m.bas") + headerFooter(programDir()));
    EXPECT_EQ(rtf.status, 0) << rtf.err;
    const std::string document = readBytes(dir / "m.bas.rtf");
    EXPECT_TRUE(document.starts_with("{\\rtf1")) << document;
    EXPECT_NE(document.find("\\cf5\\b0 Dim\\cf2\\b0  a"), std::string::npos) << document;

    const CliResult inlined =
        runCli("page --format html-inline -o - " + q(dir / "m.bas") + headerFooter(programDir()));
    EXPECT_EQ(inlined.status, 0) << inlined.err;
    EXPECT_NE(inlined.out.find("<BODY BGCOLOR=\"#000000\""), std::string::npos);
    EXPECT_EQ(inlined.out.find("<style>"), std::string::npos);
    EXPECT_NE(inlined.out.find("<pre style=\"background-color:#000000;"), std::string::npos);
}

} // namespace
} // namespace quillon::test
