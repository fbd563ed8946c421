// The line step and the optimiser on the lines that show their rules, held on both the
// single-pass colouriser and the literal reference (which the differential test then
// holds against each other on random lines).

#include "support/literal_colouriser.h"
#include "support/markup.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

ColourSwitches without(std::string_view off) {
    const auto on = [&](std::string_view name) { return off.find(name) == std::string_view::npos; };
    return {on("comment"), on("string"), on("keyword"), on("other"), on("number")};
}

struct LineCase {
    std::string_view off; // categories turned off, and "optimize" for the optimiser on
    std::string source;
    std::string coloured;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << "[" << c.source << "]";
}

class LineStep : public testing::TestWithParam<LineCase> {};

TEST_P(LineStep, ColoursTheLineAsTheRulesSay) {
    const LineCase& c = GetParam();
    const bool optimize = c.off.find("optimize") != std::string_view::npos;
    EXPECT_EQ(test::colourLine(c.source, without(c.off), optimize), c.coloured);
    const std::string literal = literal::lineStep(c.source, without(c.off));
    EXPECT_EQ(optimize ? literal::OptimizeTag(literal) : literal, c.coloured);
}

// The Direct pane's sample, with its golden files, shows the plain cases.
INSTANTIATE_TEST_SUITE_P(
    Examples, LineStep,
    testing::Values(
        LineCase{"", "If a < b Then x = a & \" <b>\"",
                 "<a class=k>If</a> a <a class=o>&lt;</a> b <a class=k>Then</a> x<a class=o> =</a> a "
                 "<a class=o>&amp; </a><a class=s>\" &lt;b&gt;\"</a>"},
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
        LineCase{"", "x=1", "x=1"}, LineCase{"", "x = &H1F", "x<a class=o> =</a> &amp;H1F"},
        LineCase{"", "y = 1.5E3", "y<a class=o> =</a> <a class=n>1</a><a class=o>.</a>5E3"},
        LineCase{"", "Dimension Ending Tox if END", "Dimension Ending Tox if END"},
        LineCase{"", "IfIf x", "If<a class=k>If</a> x"},
        // " _" and " =" are applied before "& " and take the space they share with it.
        LineCase{"", "a & _", "a &amp;<a class=o> _</a>"},
        LineCase{"", "a & = b", "a &amp;<a class=o> =</a> b"},
        LineCase{"", "q = -5 + x2",
                 "q<a class=o> =</a> <a class=o>-</a><a class=n>5</a> <a class=o>+</a> x2"},
        // "<" and ">" are "&lt" and "&gt" to every pass: " <=" never matches, a source
        // "&lt" is the same item, and neither is a word or number boundary.
        LineCase{"", "a <= b >= c", "a <a class=o>&lt;</a>= b <a class=o>&gt;</a>= c"},
        LineCase{"", "s = \"&lt;\" & &lt; &gt=",
                 "s<a class=o> =</a> <a class=s>\"&amp;lt;\"</a> <a "
                 "class=o>&amp; </a><a class=o>&amp;lt</a>; <a "
                 "class=o>&amp;gt</a>="},
        LineCase{"", "If<Then 1>2 &amp; x", "If<a class=o>&lt;</a>Then 1<a class=o>&gt;</a>2 &amp;amp; x"},
        LineCase{"keyword,number,other", "If x = 1 Then", "If x = 1 Then"},
        LineCase{"comment,string,keyword,number,other", "If a<b Then ' \"x\" &",
                 "If a&lt;b Then ' \"x\" &amp;"},
        LineCase{"", "Caf\xC3\xA9 = \"\xE2\x82\xAC\"",
                 "Caf\xC3\xA9<a class=o> =</a> <a class=s>\"\xE2\x82\xAC\"</a>"},
        // An unmatched quote opens a literal to the end of the fragment; nothing is lost.
        LineCase{"", "x = \"abc", "x<a class=o> =</a> <a class=s>\"abc</a>"},
        LineCase{"", "a \"b\" \"c ' d", "a <a class=s>\"b\"</a> <a class=s>\"c ' d</a>"},
        // The optimiser merges neighbours of one class by pairs, across spaces only, and
        // keeps at most 42 spaces of a gap.
        LineCase{"optimize", "End If", "<a class=k>End If</a>"},
        LineCase{"optimize", "Private Declare Function x",
                 "<a class=k>Private Declare</a> <a class=k>Function</a> x"},
        LineCase{"optimize", "Dim x As Long", "<a class=k>Dim</a> x <a class=k>As Long</a>"},
        LineCase{"optimize", "End\tIf", "<a class=k>End</a>\t<a class=k>If</a>"},
        LineCase{"optimize", "Dim s As String ' a",
                 "<a class=k>Dim</a> s <a class=k>As String</a> <a class=c>' a</a>"},
        LineCase{"optimize", "\"say \"\"hi\"\"\"", "<a class=s>\"say \"\"hi\"</a><a class=s>\"\"</a>"},
        LineCase{"optimize", "(),<>&lt", "<a class=o>()</a><a class=o>,&lt;</a><a class=o>&gt;&amp;lt</a>"},
        LineCase{"optimize", "If" + std::string(50, ' ') + "Then",
                 "<a class=k>If" + std::string(42, ' ') + "Then</a>"}));

} // namespace
} // namespace quillon
