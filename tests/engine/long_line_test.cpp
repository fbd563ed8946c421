// Lines coloured piece by piece: cut where the rules cannot see it, a piecewise line reads as
// the whole line does, and whatever the cuts, the text is the source.

#include "engine/long_line.h"
#include "io/text_reader.h"
#include "page_test_support.h"
#include "support/markup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quillon {
namespace {

const std::vector<std::string> words = {"If",  "Then", "End", "In",  "Integer", "x",   "Label1", "_",
                                        "12",  "3",    ".",   "(",   ")",       ",",   ":",      "-",
                                        "&",   "&lt",  "<",   ">",   "=",       "<=",  "\"",     "'",
                                        "1.5", "é",    "Dim", "Rem", "&amp;",   "Xor", "\t",     "a\"b"};

// Words with `separator` after every `spacing`-th.
std::string randomLine(std::mt19937& rng, const char* separator, int spacing = 1) {
    std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
    std::string line;
    for (int n = 1; n <= 120; ++n) {
        line += words[pick(rng)];
        if (n % spacing == 0) {
            line += separator;
        }
    }
    return line;
}

std::string piecewise(std::string_view line, const ColourSwitches& switches, bool optimize,
                      std::size_t pieceSize, std::size_t feedSize) {
    PiecewiseLineColouriser colouriser(switches, optimize, pieceSize);
    std::string out;
    colouriser.begin();
    for (std::size_t at = 0; at < line.size(); at += feedSize) {
        colouriser.feed(line.substr(at, feedSize), out);
    }
    colouriser.end(out);
    return out;
}

TEST(PiecewiseLine, CutsWhereTheRulesCannotSeeThem) {
    std::mt19937 rng(7);
    std::bernoulli_distribution on(0.8);
    for (int round = 0; round < 400; ++round) {
        const std::string line = round % 2 == 0 ? randomLine(rng, " ") : randomLine(rng, "(", 4);
        // An unclosed literal is the one place where the two may colour differently.
        if (std::count(line.begin(), line.end(), '"') % 2 != 0) {
            continue;
        }
        const ColourSwitches switches{on(rng), true, on(rng), on(rng), on(rng)};
        EXPECT_EQ(piecewise(line, switches, false, 40, 1 + round % 50),
                  test::colourLine(line, switches, false))
            << line;
    }
}

TEST(PiecewiseLine, KeepsTheSourceTextWhereverItIsCut) {
    std::mt19937 rng(11);
    std::bernoulli_distribution on(0.7);
    for (int round = 0; round < 400; ++round) {
        const std::string line = randomLine(rng, round % 2 == 0 ? "" : " ");
        const ColourSwitches switches{on(rng), on(rng), on(rng), on(rng), on(rng)};
        const std::string out = piecewise(line, switches, round % 3 != 0, 2 + round % 30, 1 + round % 7);
        EXPECT_EQ(test::visibleText(out), line) << out;
    }
    // A line shorter than a piece is the whole line's colouring, optimiser included.
    const std::string line = "Public Sub Go(ByVal a As Long) ' done";
    EXPECT_EQ(piecewise(line, {}, true, 1000, 5), test::colourLine(line, {}, true));
}

// A page whose first line is too long to hold whole: it reads as the source, space of the
// first line included, and the lines after it are coloured as in any page.
TEST(LongLinePage, ShowsTheSourceAndColoursTheLinesAfterIt) {
    std::mt19937 rng(3);
    std::string longLine;
    while (longLine.size() < 3 * files::TextReader::PieceSize) {
        longLine += randomLine(rng, " ") + ' ';
    }
    const std::string source = "Attribute VB_Name = \"M\"\r\n" + longLine + "\r\nDim a\r\nIf a < b Then\r\n";
    test::ScratchDir scratch;
    test::writeBytes(scratch / "s.bas", source);
    const PageJob job = test::jobFor(scratch / "s.bas", scratch / "s.html");
    SilentProgress bar;
    test::RecordingReporter reporter;
    ASSERT_TRUE(Cparti(job, {bar, nullptr, reporter}).converted);
    const std::string body = test::bodyOf(test::readBytes(scratch / "s.html"));
    EXPECT_EQ(test::withoutTags(body), test::expectedBody(source));
    const ColourSwitches switches = switchesOf(job.scheme);
    EXPECT_TRUE(body.ends_with("\r\n" + test::colourLine("Dim a", switches, job.optimize) + "\r\n" +
                               test::colourLine("If a < b Then", switches, job.optimize) + "\r\n"));
}

} // namespace
} // namespace quillon
