// The single-pass colouriser and the linear optimiser against the literal reference, on
// many random lines built from the pieces that make the rules interact: keywords glued
// to each other and to identifiers, digits, every punctuation item, quotes, apostrophes,
// escaped characters, tabs and non-ASCII text.

#include "engine/colorise.h"
#include "engine/optimize_tag.h"
#include "support/literal_colouriser.h"

#include <gtest/gtest.h>

#include <random>

namespace quillon {
namespace {

const std::vector<std::string> pieces = {
    "If",      "Then",        "End",  "Do",     "DoEvents", "In",  "Integer", "Is",       "Not",
    "Nothing", "To",          "x",    "Label1", "Me",       "Rem", "dim",     "_",        "12",
    "3",       "0",           ".",    "(",      ")",        ",",   ":",       "*",        "\\",
    "+",       "-",           "&",    "&lt",    "<",        ">",   "=",       " ",        " ",
    "  ",      "\t",          "\"",   "\"",     "'",        "&H",  "E",       "\xC3\xA9", "\xE2\x82\xAC",
    "a",       "<a class=k>", "</a>", "#",      "!",        "$",   "%"};

std::string randomLine(std::mt19937& rng) {
    std::uniform_int_distribution<std::size_t> count(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string line;
    for (std::size_t n = count(rng); n > 0; --n) {
        line += pieces[pick(rng)];
    }
    return line;
}

ColourSwitches randomSwitches(std::mt19937& rng) {
    std::bernoulli_distribution on(0.8);
    return {on(rng), on(rng), on(rng), on(rng), on(rng)};
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

} // namespace
} // namespace quillon
