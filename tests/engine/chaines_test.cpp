#include "base/vb_error.h"
#include "engine/chaines.h"

#include <gtest/gtest.h>

#include <functional>

namespace quillon {
namespace {

struct ReplaceCase {
    std::string_view word, text, expected;
};

class WholeWordReplacement : public testing::TestWithParam<ReplaceCase> {};

TEST_P(WholeWordReplacement, ReplacesOnlyBoundedOccurrences) {
    const auto& c = GetParam();
    EXPECT_EQ(ChaineSiContientMotRemplace(c.word, c.text, "[" + std::string(c.word) + "]"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, WholeWordReplacement,
    testing::Values(ReplaceCase{"If", "If x Then", "[If] x Then"}, ReplaceCase{"If", "End If", "End [If]"},
                    ReplaceCase{"If", "Iffy", "Iffy"}, ReplaceCase{"If", "Ifx", "Ifx"},
                    ReplaceCase{"Len", "(a,Len)", "(a,Len)"}, ReplaceCase{"Len", "Len(a)", "Len(a)"},
                    ReplaceCase{"Len", "(Len)", "([Len])"}, ReplaceCase{"if", "If x", "If x"},
                    // The start of what remains counts as a boundary.
                    ReplaceCase{"If", "IfIf x", "If[If] x"}, ReplaceCase{"If", "xIfIf\t", "xIf[If]\t"},
                    ReplaceCase{"If", "If,If", "[If],If"}, ReplaceCase{"If", "", ""}));

struct NumberCase {
    std::string_view text, expected;
};

class NumberWrapping : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberWrapping, WrapsFreeStandingDigitRuns) {
    EXPECT_EQ(ChaineSiContientNombreEncadre(GetParam().text, "[", "]"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, NumberWrapping,
                         testing::Values(NumberCase{"For i = 1234 To 5678", "For i = [1234] To [5678]"},
                                         NumberCase{"x = 1.5", "x = [1].[5]"},
                                         NumberCase{"Array(1,2,3)", "Array([1],2,3)"},
                                         NumberCase{"-5", "-[5]"}, NumberCase{"&H1F", "&H1F"},
                                         NumberCase{"Label1", "Label1"}, NumberCase{"1.5E3", "[1].5E3"},
                                         NumberCase{"x2", "x2"}, NumberCase{"abc", "abc"}));

TEST(SmallHelpers, MissingDelimiterIsAnInvalidCall) {
    for (const auto& call : {std::function<void()>([] { ChaineExtraireEntre("\"", "no quote"); }),
                             std::function<void()>([] { ChaineAvant("'", "none"); })}) {
        try {
            call();
            ADD_FAILURE() << "expected an error";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number(), 5);
            EXPECT_EQ(e.description(), "Invalid procedure call or argument");
        }
    }
}

} // namespace
} // namespace quillon
