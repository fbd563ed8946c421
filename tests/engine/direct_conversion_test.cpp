#include "base/ui_hooks.h"
#include "engine/direct_conversion.h"
#include "page_test_support.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

std::string convertAll(std::string_view text, ProgressSink& bar, bool optimize = true,
                       const std::function<bool()>& stop = {}) {
    DirectConversionOptions options;
    options.optimize = optimize;
    std::string out;
    convertDirect(text, options, bar, stop, [&](std::string_view line) {
        out += line;
        out += "\r\n";
    });
    return out;
}

// The progress captions' percentages: halves go to the even neighbour, on both sides of 0.
TEST(DirectConversion, PercentagesRoundHalvesToTheEvenNeighbour) {
    const std::pair<double, long long> cases[] = {
        {0.5, 0},    {1.5, 2},  {2.5, 2},   {12.5, 12}, {2.4999, 2},
        {2.5001, 3}, {-0.5, 0}, {-1.5, -2}, {-2.6, -3}, {1e17, 100000000000000000}};
    for (const auto& [x, rounded] : cases) {
        EXPECT_EQ(roundHalfEven(x), rounded) << x;
    }
}

TEST(DirectConversion, SampleMatchesItsGoldenPagesWithAndWithoutOptimising) {
    SilentProgress bar;
    test::expectMatchesGolden(convertAll(directSampleText(), bar, false),
                              test::dataDir() / "direct" / "sample.plain.txt");
    test::expectMatchesGolden(convertAll(directSampleText(), bar, true),
                              test::dataDir() / "direct" / "sample.optimized.txt");
    EXPECT_EQ(bar.caption(), "Ok");
    EXPECT_EQ(bar.value(), 0);
}

TEST(DirectConversion, LastLineWithoutBreakIsConvertedWholeAndEveryEndingCounts) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"a\r\nb", "a\r\nb\r\n"},
        {"x", "x\r\n"},
        {"a\nb\rc\r\n", "a\r\nb\r\nc\r\n"},
        {"a<b & c\r\nc", "a<a class=o>&lt;</a>b <a class=o>&amp; </a>c\r\nc\r\n"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        SilentProgress bar;
        EXPECT_EQ(convertAll(text, bar), expected);
    }
}

TEST(DirectConversion, ProgressCountsCharactersAndMayPassAHundredOnTheLastLine) {
    test::RecordingBar bar;
    convertAll("abcd\r\nefgh", bar);
    // Positions 7 and 13 of 10 characters.
    EXPECT_EQ(bar.captions, (std::vector<std::string>{"70 %", "130 %", "Ok"}));
    EXPECT_EQ(bar.max(), 10);
}

TEST(DirectConversion, StopEndsBeforeTheNextLine) {
    SilentProgress bar;
    int asked = 0;
    EXPECT_EQ(convertAll("a\r\nb\r\nc\r\n", bar, true, [&] { return ++asked > 2; }), "a\r\nb\r\n");
    EXPECT_EQ(bar.caption(), "Ok");
}

} // namespace
} // namespace quillon
