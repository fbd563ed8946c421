#include "engine/colorise.h"
#include "engine/optimize_tag.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

ColourSwitches without(std::string_view off) {
    const auto on = [&](std::string_view name) { return off.find(name) == std::string_view::npos; };
    return {on("comment"), on("string"), on("keyword"), on("other"), on("number")};
}

struct LineCase {
    std::string_view off; // categories turned off
    std::string_view source;
    std::string_view coloured;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << "[" << c.source << "]";
}

class LineStep : public testing::TestWithParam<LineCase> {};

TEST_P(LineStep, ColoursTheLine) {
    EXPECT_EQ(colourLine(GetParam().source, without(GetParam().off)), GetParam().coloured);
}

// The Direct pane's sample, with its golden files, shows the plain cases.
INSTANTIATE_TEST_SUITE_P(
    Examples, LineStep,
    testing::Values(
        LineCase{"", "If a < b Then x = a & \" <b>\"",
                 "<a class=k>If</a> a <a class=o>&lt</a> b <a class=k>Then</a> x<a class=o> =</a> a "
                 "<a class=o>& </a><a class=s>\" &ltb&gt\"</a>"},
        LineCase{"", "x = \"it's\" ' note", "x<a class=o> =</a> <a class=s>\"it's\"</a> ' note"},
        LineCase{"", "Dim s As String ' a \"quoted\" word",
                 "<a class=k>Dim</a> s <a class=k>As</a> <a class=k>String</a> <a class=c>' a \"quoted\" "
                 "word</a>"},
        LineCase{"", "", ""}, LineCase{"", "    ", "    "},
        LineCase{"", "   ' only a comment", "   <a class=c>' only a comment</a>"},
        LineCase{"comment", "' If x Then", "' <a class=k>If</a> x <a class=k>Then</a>"},
        LineCase{"string", "MsgBox \"a If b\"", "MsgBox \"a <a class=k>If</a> b\""},
        LineCase{"string", "MsgBox \"End If\"", "MsgBox \"End If\""},
        LineCase{"", "\"\"", "<a class=s>\"\"</a>"},
        LineCase{"", "\"say \"\"hi\"\"\"", "<a class=s>\"say \"</a><a class=s>\"hi\"</a><a class=s>\"\"</a>"},
        LineCase{"", "Call Foo(a, _",
                 "<a class=k>Call</a> Foo<a class=o>(</a>a<a class=o>,</a><a class=o> _</a>"},
        LineCase{"", "Rem old code: If x Then",
                 "Rem old code<a class=o>:</a> <a class=k>If</a> x <a class=k>Then</a>"},
        LineCase{"", "x = Array(1,2,3)",
                 "x<a class=o> =</a> Array<a class=o>(</a><a class=n>1</a><a class=o>,</a>2<a "
                 "class=o>,</a>3<a class=o>)</a>"},
        LineCase{"", "a <= b", "a <a class=o>&lt</a>= b"}, LineCase{"", "x=1", "x=1"},
        LineCase{"", "x = &H1F", "x<a class=o> =</a> &H1F"},
        LineCase{"", "y = 1.5E3", "y<a class=o> =</a> <a class=n>1</a><a class=o>.</a>5E3"},
        LineCase{"", "Dimension Ending Tox if END", "Dimension Ending Tox if END"},
        LineCase{"", "IfIf x", "If<a class=k>If</a> x"},
        // " _" and " =" are applied before "& " and take the space they share with it.
        LineCase{"", "a & _", "a &<a class=o> _</a>"}, LineCase{"", "a & = b", "a &<a class=o> =</a> b"},
        LineCase{"", "s = s & \"x\"", "s<a class=o> =</a> s <a class=o>& </a><a class=s>\"x\"</a>"},
        LineCase{"", "q = -5 + x2",
                 "q<a class=o> =</a> <a class=o>-</a><a class=n>5</a> <a class=o>+</a> x2"},
        // An unmatched quote opens a literal to the end of the fragment; nothing is lost.
        LineCase{"", "x = \"abc", "x<a class=o> =</a> <a class=s>\"abc</a>"},
        LineCase{"", "a \"b\" \"c ' d", "a <a class=s>\"b\"</a> <a class=s>\"c ' d</a>"},
        LineCase{"keyword,number,other", "If x = 1 Then", "If x = 1 Then"},
        LineCase{"comment,string,keyword,number,other", "If a<b Then ' \"x\"", "If a&ltb Then ' \"x\""},
        LineCase{"", "Caf\xC3\xA9 = \"\xE2\x82\xAC\"",
                 "Caf\xC3\xA9<a class=o> =</a> <a class=s>\"\xE2\x82\xAC\"</a>"}));

TEST(KeywordList, HoldsSixtyNineWordsWithCallAndInLast) {
    EXPECT_EQ(LSTmotClef.size(), 69u);
    EXPECT_EQ(LSTmotClef.front(), "Alias");
    EXPECT_EQ(LSTmotClef[67], "Call");
    EXPECT_EQ(LSTmotClef[68], "In");
    EXPECT_EQ(LSTponctuation.size(), 16u);
}

// The single-pass colouriser relies on every occurrence of a keyword being found by a
// left-to-right scan, which holds only when no keyword overlaps itself.
TEST(KeywordList, NoKeywordOverlapsItself) {
    for (std::string_view word : LSTmotClef) {
        for (std::size_t k = 1; k < word.size(); ++k) {
            EXPECT_NE(word.substr(0, k), word.substr(word.size() - k)) << word;
        }
    }
}

struct OptimizeCase {
    std::string in, out;
};

class Optimizer : public testing::TestWithParam<OptimizeCase> {};

TEST_P(Optimizer, MergesNeighbouringTagsByPairs) {
    EXPECT_EQ(OptimizeTag(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Optimizer,
    testing::Values(
        OptimizeCase{"<a class=k>End</a> <a class=k>If</a>", "<a class=k>End If</a>"},
        OptimizeCase{"<a class=k>Private</a> <a class=k>Declare</a> <a class=k>Function</a> x",
                     "<a class=k>Private Declare</a> <a class=k>Function</a> x"},
        OptimizeCase{"<a class=k>A</a> <a class=k>B</a> <a class=k>C</a> <a class=k>D</a>",
                     "<a class=k>A B</a> <a class=k>C D</a>"},
        OptimizeCase{"<a class=o>(</a><a class=o>)</a><a class=o>,</a>", "<a class=o>()</a><a class=o>,</a>"},
        OptimizeCase{"<a class=k>Dim</a> x <a class=k>As</a> <a class=k>Long</a>",
                     "<a class=k>Dim</a> x <a class=k>As Long</a>"},
        OptimizeCase{"<a class=k>End</a>\t<a class=k>If</a>", "<a class=k>End</a>\t<a class=k>If</a>"},
        OptimizeCase{"<a class=k>Dim</a> s <a class=k>As</a> <a class=k>String</a> <a class=c>' a \"quoted\" "
                     "word</a>",
                     "<a class=k>Dim</a> s <a class=k>As String</a> <a class=c>' a \"quoted\" word</a>"},
        OptimizeCase{"<a class=s>\"say \"</a><a class=s>\"hi\"</a><a class=s>\"\"</a>",
                     "<a class=s>\"say \"\"hi\"</a><a class=s>\"\"</a>"},
        // At most 42 spaces are kept between merged tags.
        OptimizeCase{"<a class=k>A</a>" + std::string(50, ' ') + "<a class=k>B</a>",
                     "<a class=k>A" + std::string(42, ' ') + "B</a>"},
        // Text that is not the optimiser's own markup is left whole.
        OptimizeCase{"<a class=k>never closed", "<a class=k>never closed"},
        OptimizeCase{"<a class=k>x</a> <a class=", "<a class=k>x</a> <a class="},
        OptimizeCase{"no tags at all", "no tags at all"}, OptimizeCase{"", ""}));

TEST(LongLines, AMillionQuotesAndTagsNeedNoDeepStack) {
    const std::string quotes(1'000'001, '"');
    const std::string coloured = colourLine(quotes, ColourSwitches::allOn());
    EXPECT_EQ(coloured.size(), quotes.size() + 500'001 * 15);
    const std::string merged = OptimizeTag(coloured);
    EXPECT_LT(merged.size(), coloured.size());

    std::string parens;
    for (int i = 0; i < 200'000; ++i) {
        parens += "( ";
    }
    EXPECT_EQ(OptimizeTag(colourLine(parens, ColourSwitches::allOn())).size(), parens.size() + 100'000 * 15);
}

} // namespace
} // namespace quillon
