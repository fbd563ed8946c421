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

#include <map>
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

const ColourSwitches allOn = ColourSwitches::allOn();

std::string write(LineColouriser& colouriser, std::string_view line) {
    std::string out(LineColouriser::maxOutput(line.size()), '\0');
    out.resize(static_cast<std::size_t>(colouriser.writeLine(out.data(), line) - out.data()));
    return out;
}

// Every way a line is coloured, on the same random lines: the string functions, the fused
// pass the page writer and the command line use (colouring and merging in one go, into
// their output buffer), and the fragment functions. The fused colourisers serve line after
// line: nothing may carry over from a long line to a short one, or from a line with a
// comment or an escape to the next.
TEST(Differential, EveryPathMatchesTheLiteralRulesOnRandomLines) {
    std::mt19937 rng(20261206);
    std::map<int, LineColouriser> fused;
    int mismatches = 0;
    const auto check = [&](const char* path, const std::string& input, const std::string& actual,
                           const std::string& expected) {
        if (actual != expected && ++mismatches <= 5) {
            ADD_FAILURE() << path << " [" << input << "]\nexpected: " << expected << "\nactual:   " << actual;
        }
    };
    for (int i = 0; i < 60'000 && mismatches < 5; ++i) {
        const std::string line = randomLine(rng, i % 100 == 0 ? 400 : i % 10 == 0 ? 120 : 24);
        const ColourSwitches s = randomSwitches(rng);
        const bool optimize = i % 4 != 0;
        const int key =
            s.comment + 2 * s.string + 4 * s.keyword + 8 * s.other + 16 * s.number + 32 * optimize;
        LineColouriser& colouriser = fused.try_emplace(key, s, optimize).first->second;
        const std::string coloured = literal::lineStep(line, s);
        const std::string merged = literal::OptimizeTag(coloured);
        check("colourLine", line, colourLine(line, s), coloured);
        check("OptimizeTag", coloured, OptimizeTag(coloured), merged);
        check(optimize ? "fused, optimised" : "fused", line, write(colouriser, line),
              optimize ? merged : coloured);
        if (i % 3 == 0) {
            check("EnCouleur", line, EnCouleur(line, s), literal::EnCouleur(line, s));
            check("Colorise", line, Colorise(line, s), literal::Colorise(line, s));
        }
    }
}

// Every short line made of the characters the rules look at: the edges of the line are
// where a single pass is easiest to get wrong.
TEST(Differential, EveryShortLineOfTheSignificantCharacters) {
    LineColouriser fused(allOn, true);
    for (std::size_t length = 0; length <= 4; ++length) {
        const std::string_view alphabet = length < 4 ? "If _=&lt<>\"'(1.-\tX" : "If &lt\"'=_";
        std::size_t count = 1;
        for (std::size_t d = 0; d < length; ++d) {
            count *= alphabet.size();
        }
        for (std::size_t n = 0; n < count; ++n) {
            std::string line;
            for (std::size_t d = 0, rest = n; d < length; ++d, rest /= alphabet.size()) {
                line += alphabet[rest % alphabet.size()];
            }
            const std::string coloured = literal::lineStep(line, allOn);
            ASSERT_EQ(colourLine(line, allOn), coloured) << "[" << line << "]";
            ASSERT_EQ(write(fused, line), literal::OptimizeTag(coloured)) << "[" << line << "]";
        }
    }
}

TEST(Differential, LongGapsSkipTheTagsTheMergedTextWasShiftedOver) {
    // A merge over more than 42 spaces makes the search resume further on than the merged
    // tag: the tags it passes over start no merge of their own.
    for (std::size_t gap = 40; gap <= 90; ++gap) {
        for (const std::string tail : {" If Then", "(,)", " Is To In", " 1 2 3 4", "\"a\"\"b\"\"c\""}) {
            const std::string line = "If" + std::string(gap, ' ') + "If" + tail + " Do Do Do Do";
            LineColouriser fused(allOn, true);
            ASSERT_EQ(write(fused, line), literal::OptimizeTag(literal::lineStep(line, allOn)))
                << "gap " << gap << " [" << line << "]";
        }
    }
}

TEST(Differential, OptimiserMatchesTheLiteralRulesOnRandomMarkup) {
    std::mt19937 rng(42);
    const std::vector<std::string> tags = {"<a class=k>If</a>", "<a class=k>x</a>", "<a class=o>(</a>",
                                           "<a class=s>\"a\"</a>", "<a class=n>1</a>"};
    const std::vector<std::string> gaps = {"", " ", " x ", "\t", "  "};
    std::uniform_int_distribution<std::size_t> pickTag(0, tags.size() - 1);
    std::uniform_int_distribution<std::size_t> pickGap(0, gaps.size()); // the last: a run of spaces
    std::uniform_int_distribution<std::size_t> spaces(0, 60);
    for (int i = 0; i < 20'000; ++i) {
        std::string markup;
        for (int n = std::uniform_int_distribution<int>(0, 12)(rng); n > 0; --n) {
            const std::size_t gap = pickGap(rng);
            markup += tags[pickTag(rng)] + (gap < gaps.size() ? gaps[gap] : std::string(spaces(rng), ' '));
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
    const std::string coloured = literal::lineStep(line, allOn);
    EXPECT_EQ(colourLine(line, allOn), coloured);
    LineColouriser fused(allOn, true);
    EXPECT_EQ(write(fused, line), literal::OptimizeTag(coloured));

    const std::string quotes(2'001, '"');
    EXPECT_EQ(write(fused, quotes), literal::OptimizeTag(literal::lineStep(quotes, allOn)));
    while (line.size() < 1'000'000) {
        line += randomLine(rng);
    }
    EXPECT_EQ(write(fused, line), OptimizeTag(colourLine(line, allOn)));
}

} // namespace
} // namespace quillon
