// The single-pass colouriser and the linear optimiser against the literal reference, on
// many random lines built from the pieces that make the rules interact: keywords glued
// to each other and to identifiers, digits, every punctuation item, quotes, apostrophes,
// escaped characters, tabs, NUL bytes, non-ASCII text and runs of spaces on both sides of
// the 42 the optimiser keeps.

#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/optimize_tag.h"
#include "support/literal_colouriser.h"

#include <gtest/gtest.h>

#include <random>

namespace quillon {
namespace {

using namespace std::string_literals;

const std::vector<std::string> pieces = {
    "If",      "Then",        "End",  "Do",     "DoEvents", "In",  "Integer", "Is",         "Not",
    "Nothing", "To",          "x",    "Label1", "Me",       "Rem", "dim",     "_",          "12",
    "3",       "0",           ".",    "(",      ")",        ",",   ":",       "*",          "\\",
    "+",       "-",           "&",    "&lt",    "<",        ">",   "=",       " ",          " ",
    "  ",      "\t",          "\"",   "\"",     "'",        "&H",  "E",       "\xC3\xA9",   "\xE2\x82\xAC",
    "a",       "<a class=k>", "</a>", "#",      "!",        "$",   "%",       "RaiseEvent", "Xor",
    "ElseIf",  "IfIf",        "\0"s,  "&gt",    "& ",       " =",  " _",      "<=",         ">="};

std::string randomLine(std::mt19937& rng, std::size_t maxPieces = 24) {
    std::uniform_int_distribution<std::size_t> count(0, maxPieces);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> longGap(0, 40);
    std::uniform_int_distribution<std::size_t> gapLength(30, 70);
    std::string line;
    for (std::size_t n = count(rng); n > 0; --n) {
        if (longGap(rng) == 0) {
            line += std::string(gapLength(rng), ' ');
        }
        line += pieces[pick(rng)];
    }
    return line;
}

ColourSwitches randomSwitches(std::mt19937& rng) {
    std::bernoulli_distribution on(0.8);
    return {on(rng), on(rng), on(rng), on(rng), on(rng)};
}

std::string write(LineColouriser& colouriser, std::string_view line) {
    std::string out(LineColouriser::maxOutput(line.size()), '\0');
    out.resize(static_cast<std::size_t>(colouriser.writeLine(out.data(), line) - out.data()));
    return out;
}

TEST(Differential, SinglePassMatchesTheLiteralRulesOnRandomLines) {
    std::mt19937 rng(20261206);
    int mismatches = 0;
    for (int i = 0; i < 60'000 && mismatches < 5; ++i) {
        const std::string line = randomLine(rng);
        const ColourSwitches switches = randomSwitches(rng);
        const std::string expected = literal::lineStep(line, switches);
        const std::string actual = colourLine(line, switches);
        if (actual != expected) {
            ++mismatches;
            ADD_FAILURE() << "line: [" << line << "]\nexpected: " << expected << "\nactual:   " << actual;
            continue;
        }
        const std::string expectedOptimized = literal::OptimizeTag(expected);
        const std::string actualOptimized = OptimizeTag(actual);
        if (actualOptimized != expectedOptimized) {
            ++mismatches;
            ADD_FAILURE() << "optimising [" << expected << "]\nexpected: " << expectedOptimized
                          << "\nactual:   " << actualOptimized;
        }
    }
}

// The page writer and the command line colour and merge in the same pass, writing into
// their output buffer: that path must give the optimiser's bytes too.
TEST(Differential, FusedLineStepAndOptimiserMatchTheLiteralRules) {
    std::mt19937 rng(7031);
    int mismatches = 0;
    for (int i = 0; i < 60'000 && mismatches < 5; ++i) {
        const std::string line = randomLine(rng, i % 10 == 0 ? 120 : 24);
        const ColourSwitches switches = randomSwitches(rng);
        const bool optimize = i % 4 != 0;
        LineColouriser colouriser(switches, optimize);
        const std::string coloured = literal::lineStep(line, switches);
        const std::string expected = optimize ? literal::OptimizeTag(coloured) : coloured;
        const std::string actual = write(colouriser, line);
        if (actual != expected) {
            ++mismatches;
            ADD_FAILURE() << "line: [" << line << "] optimize " << optimize << "\nexpected: " << expected
                          << "\nactual:   " << actual;
        }
    }
}

// One object serves line after line: nothing may carry over from a long line to a short
// one, or from a line with a comment or an escape to the next.
TEST(Differential, OneColouriserServesManyLinesOfEveryLength) {
    std::mt19937 rng(99);
    LineColouriser colouriser(ColourSwitches::allOn(), true);
    std::uniform_int_distribution<int> size(0, 7);
    for (int i = 0; i < 3'000; ++i) {
        const std::string line = randomLine(rng, size(rng) == 0 ? 400 : 12);
        ASSERT_EQ(write(colouriser, line),
                  literal::OptimizeTag(literal::lineStep(line, ColourSwitches::allOn())))
            << "[" << line << "]";
    }
}

TEST(Differential, EnCouleurAndColoriseMatchTheLiteralRulesOnRawFragments) {
    std::mt19937 rng(1234);
    for (int i = 0; i < 20'000; ++i) {
        const std::string fragment = randomLine(rng);
        const ColourSwitches switches = randomSwitches(rng);
        ASSERT_EQ(EnCouleur(fragment, switches), literal::EnCouleur(fragment, switches))
            << "[" << fragment << "]";
        ASSERT_EQ(Colorise(fragment, switches), literal::Colorise(fragment, switches))
            << "[" << fragment << "]";
    }
}

void checkEveryLine(std::string_view alphabet, std::size_t length, LineColouriser& fused) {
    std::vector<std::size_t> digits(length, 0);
    std::string line;
    for (;;) {
        line.clear();
        for (std::size_t d : digits) {
            line += alphabet[d];
        }
        const std::string coloured = literal::lineStep(line, ColourSwitches::allOn());
        ASSERT_EQ(colourLine(line, ColourSwitches::allOn()), coloured) << "[" << line << "]";
        ASSERT_EQ(write(fused, line), literal::OptimizeTag(coloured)) << "[" << line << "]";
        std::size_t d = 0;
        while (d < length && ++digits[d] == alphabet.size()) {
            digits[d++] = 0;
        }
        if (d == length) {
            return;
        }
    }
}

TEST(Differential, EveryShortLineOfTheSignificantCharacters) {
    // Every short line made of the characters the rules look at: the edges of the line
    // are where a single pass is easiest to get wrong.
    LineColouriser fused(ColourSwitches::allOn(), true);
    for (std::size_t length = 0; length <= 3; ++length) {
        checkEveryLine("If _=&lt<>\"'(1.-\tX", length, fused);
    }
    checkEveryLine("If &lt\"'=_", 4, fused);
}

TEST(Differential, LongGapsSkipTheTagsTheMergedTextWasShiftedOver) {
    // A merge over more than 42 spaces makes the search resume further on than the merged
    // tag: the tags it passes over start no merge of their own.
    for (std::size_t gap = 40; gap <= 90; ++gap) {
        for (const std::string tail : {" If Then", "(,)", " Is To In", " 1 2 3 4", "\"a\"\"b\"\"c\""}) {
            const std::string line = "If" + std::string(gap, ' ') + "If" + tail + " Do Do Do Do";
            const std::string expected =
                literal::OptimizeTag(literal::lineStep(line, ColourSwitches::allOn()));
            LineColouriser fused(ColourSwitches::allOn(), true);
            ASSERT_EQ(write(fused, line), expected) << "gap " << gap << " [" << line << "]";
        }
    }
}

TEST(Differential, OptimiserMatchesTheLiteralRulesOnRandomMarkup) {
    std::mt19937 rng(42);
    const std::vector<std::string> tags = {"<a class=k>If</a>", "<a class=k>x</a>", "<a class=o>(</a>",
                                           "<a class=s>\"a\"</a>", "<a class=n>1</a>"};
    std::uniform_int_distribution<std::size_t> pickTag(0, tags.size() - 1);
    std::uniform_int_distribution<int> gapKind(0, 5);
    std::uniform_int_distribution<int> spaces(0, 60);
    for (int i = 0; i < 20'000; ++i) {
        std::string markup;
        for (int n = std::uniform_int_distribution<int>(0, 12)(rng); n > 0; --n) {
            markup += tags[pickTag(rng)];
            switch (gapKind(rng)) {
            case 0:
                break;
            case 1:
                markup += ' ';
                break;
            case 2:
                markup += std::string(static_cast<std::size_t>(spaces(rng)), ' ');
                break;
            case 3:
                markup += " x ";
                break;
            case 4:
                markup += '\t';
                break;
            default:
                markup += "  ";
            }
        }
        ASSERT_EQ(OptimizeTag(markup), literal::OptimizeTag(markup)) << markup;
    }
}

TEST(Differential, LongLinesAndManyTagsStayExact) {
    // The literal rules rebuild the line for every tag, so they are asked about lines of
    // modest length; the long ones are held against the string optimiser, itself held
    // against the rules above.
    std::mt19937 rng(5);
    std::string line;
    while (line.size() < 20'000) {
        line += randomLine(rng);
    }
    const std::string coloured = literal::lineStep(line, ColourSwitches::allOn());
    EXPECT_EQ(colourLine(line, ColourSwitches::allOn()), coloured);
    LineColouriser fused(ColourSwitches::allOn(), true);
    EXPECT_EQ(write(fused, line), literal::OptimizeTag(coloured));

    const std::string quotes(2'001, '"');
    EXPECT_EQ(write(fused, quotes), literal::OptimizeTag(literal::lineStep(quotes, ColourSwitches::allOn())));
    const std::string manyQuotes(100'001, '"');
    EXPECT_EQ(write(fused, manyQuotes), OptimizeTag(colourLine(manyQuotes, ColourSwitches::allOn())));
    while (line.size() < 1'000'000) {
        line += randomLine(rng);
    }
    EXPECT_EQ(write(fused, line), OptimizeTag(colourLine(line, ColourSwitches::allOn())));
}

} // namespace
} // namespace quillon
