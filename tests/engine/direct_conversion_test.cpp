#include "engine/direct_conversion.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

std::string convertAll(std::string_view text, const DirectConversionOptions& options, SilentProgress& bar,
                       const std::function<bool()>& stop = {}) {
    std::string out;
    convertDirect(text, options, bar, stop, [&](std::string_view line) {
        out += line;
        out += "\r\n";
    });
    return out;
}

TEST(DirectConversion, SampleMatchesItsGoldenPagesWithAndWithoutOptimising) {
    SilentProgress bar;
    DirectConversionOptions options;
    options.optimize = false;
    test::expectMatchesGolden(convertAll(directSampleText(), options, bar),
                              test::dataDir() / "direct" / "sample.plain.txt");
    options.optimize = true;
    test::expectMatchesGolden(convertAll(directSampleText(), options, bar),
                              test::dataDir() / "direct" / "sample.optimized.txt");
    EXPECT_EQ(bar.caption(), "Ok");
    EXPECT_EQ(bar.value(), 0);
}

TEST(DirectConversion, SampleLinesReadAsDocumented) {
    SilentProgress bar;
    DirectConversionOptions options;
    std::vector<std::string> lines;
    convertDirect(directSampleText(), options, bar, {}, [&](std::string_view l) { lines.emplace_back(l); });
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[13], "<a class=k>Public Sub</a> HelloWorld<a class=o>()</a>");
    EXPECT_EQ(lines[17], "<a class=k>End Sub</a>");
    EXPECT_EQ(lines[12], "");

    options.optimize = false;
    lines.clear();
    convertDirect(directSampleText(), options, bar, {}, [&](std::string_view l) { lines.emplace_back(l); });
    EXPECT_EQ(lines[17], "<a class=k>End</a> <a class=k>Sub</a>");
    EXPECT_EQ(lines[0], "<a class=c>'==============================================</a>");
}

TEST(DirectConversion, LastLineWithoutBreakIsConvertedWholeAndEveryEndingCounts) {
    SilentProgress bar;
    DirectConversionOptions options;
    EXPECT_EQ(convertAll("a\r\nb", options, bar), "a\r\nb\r\n");
    EXPECT_EQ(convertAll("x", options, bar), "x\r\n");
    EXPECT_EQ(convertAll("a\nb\rc\r\n", options, bar), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(convertAll("a<b\r\nc", options, bar), "a<a class=o>&lt</a>b\r\nc\r\n");
    EXPECT_EQ(convertAll("", options, bar), "");
}

TEST(DirectConversion, ProgressCountsCharactersAndMayPassAHundredOnTheLastLine) {
    struct Recording : SilentProgress {
        std::vector<std::string> captions;
        void setCaption(const std::string& c) override {
            captions.push_back(c);
            SilentProgress::setCaption(c);
        }
    } bar;
    DirectConversionOptions options;
    convertAll("abcd\r\nefgh", options, bar);
    // Positions 7 and 13 of 10 characters.
    EXPECT_EQ(bar.captions, (std::vector<std::string>{"70 %", "130 %", "Ok"}));
    EXPECT_EQ(bar.max(), 10);
}

TEST(DirectConversion, StopEndsBeforeTheNextLine) {
    SilentProgress bar;
    DirectConversionOptions options;
    int asked = 0;
    const std::string out = convertAll("a\r\nb\r\nc\r\n", options, bar, [&] { return ++asked > 2; });
    EXPECT_EQ(out, "a\r\nb\r\n");
    EXPECT_EQ(bar.caption(), "Ok");
}

} // namespace
} // namespace quillon
