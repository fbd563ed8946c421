// The single-pass colouriser against the literal reference, on many random lines built
// from the pieces that make the rules interact: keywords glued to each other and to
// identifiers, digits, every punctuation item, quotes, apostrophes, characters HTML
// reserves and texts that look like their entities, tabs, NUL bytes, non-ASCII text and
// runs of spaces on both sides of the 42 the optimiser keeps. Every line must also read
// back, tags removed and entities decoded, as the source.

#include "engine/colorise.h"
#include "support/literal_colouriser.h"
#include "support/markup.h"

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
    "ElseIf",  "IfIf",        "\0"s,  "&gt",    "& ",       " =",  " _",      "<=",         ">=",
    "&amp;",   "&lt;",        ";",    "&gt="};

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

const ColourSwitches allOn{};

// The fused colourisers serve line after line: nothing may carry over from a long line to
// a short one, or from a line with a comment or an escape to the next.
TEST(Differential, MatchesTheLiteralRulesAndShowsTheSourceOnRandomLines) {
    std::mt19937 rng(20261206);
    std::map<int, LineColouriser> fused;
    int mismatches = 0;
    const auto check = [&](const char* what, const std::string& line, bool same, const std::string& detail) {
        if (!same && ++mismatches <= 5) {
            ADD_FAILURE() << what << " [" << line << "]\n" << detail;
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
        const std::string expected = optimize ? literal::OptimizeTag(coloured) : coloured;
        const std::string actual = test::colourLine(colouriser, line);
        check("differs from the literal rules", line, actual == expected,
              "expected: " + expected + "\nactual:   " + actual);
        // Merging writes a gap of more than 42 spaces as 42.
        if (!optimize || line.find(std::string(MaxMergedSpaces + 1, ' ')) == std::string::npos) {
            check("does not show the source", line, test::visibleText(actual) == line, actual);
        }
    }
}

// Every short line made of the characters the rules look at: the edges of the line are
// where a single pass is easiest to get wrong.
TEST(Differential, EveryShortLineOfTheSignificantCharacters) {
    LineColouriser plain(allOn, false);
    LineColouriser fused(allOn, true);
    for (std::size_t length = 0; length <= 4; ++length) {
        const std::string_view alphabet = length < 4 ? "If _=&lt<>\"'(1.-\tX;" : "If &lt<\"'=_;";
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
            ASSERT_EQ(test::colourLine(plain, line), coloured) << "[" << line << "]";
            ASSERT_EQ(test::colourLine(fused, line), literal::OptimizeTag(coloured)) << "[" << line << "]";
            ASSERT_EQ(test::visibleText(coloured), line);
        }
    }
}

TEST(Differential, LongGapsSkipTheTagsTheMergedTextWasShiftedOver) {
    // A merge over more than 42 spaces makes the search resume further on than the merged
    // tag: the tags it passes over start no merge of their own.
    for (std::size_t gap = 40; gap <= 90; ++gap) {
        for (const std::string tail :
             {" If Then", "(,)", " Is To In", " 1 2 3 4", "\"a\"\"b\"\"c\"", "<><>&lt&gt"}) {
            for (const std::string head : {"If", "<", "&lt"}) {
                const std::string line = head + std::string(gap, ' ') + head + tail + " Do Do Do Do";
                LineColouriser fused(allOn, true);
                ASSERT_EQ(test::colourLine(fused, line), literal::OptimizeTag(literal::lineStep(line, allOn)))
                    << "gap " << gap << " [" << line << "]";
            }
        }
    }
}

} // namespace
} // namespace quillon
