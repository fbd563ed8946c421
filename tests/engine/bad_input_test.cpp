// Sources the page writer must survive: binary data, huge lines, odd line breaks, every
// encoding, and the rule that colouring never changes the visible text.

#include "base/vb_error.h"
#include "engine/page_writer.h"
#include "io/text_decoding.h"
#include "page_test_support.h"
#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::jobFor;

std::size_t entriesIn(const test::ScratchDir& scratch) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()));
}

// A source that is no text and a missing footer: the error names the file, an old page
// stays as it was, nothing half-written is left, and under the trap the error is reported
// and the page said unconverted.
TEST(FailedPage, LeavesTheOldPageAndNothingElse) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "prog.bas", "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF"s);
    const PageJob binary = jobFor(scratch / "prog.bas", scratch / "page.html");
    PageJob noFooter = jobFor(test::pagesDir() / "form.frm", scratch / "page.html");
    noFooter.footer = (scratch / "missing-footer.txt").string();
    const std::tuple<PageJob, int, std::string> cases[] = {
        {binary, vberr::InvalidFileFormat, "Not a text file: " + binary.source},
        {noFooter, 53, "File not found: " + noFooter.footer}};
    for (const auto& [job, number, message] : cases) {
        SCOPED_TRACE(message);
        test::writeBytes(scratch / "page.html", "the old page");
        SilentProgress bar;
        try {
            convertPage(job, bar);
            ADD_FAILURE() << "converted";
        } catch (const VbError& error) {
            EXPECT_EQ(error.number(), number);
            EXPECT_EQ(error.description(), message);
        }
        EXPECT_EQ(test::readBytes(scratch / "page.html"), "the old page");
        EXPECT_EQ(entriesIn(scratch), 2u);

        fs::remove(scratch / "page.html");
        test::RecordingReporter reporter;
        EXPECT_FALSE(Cparti(job, bar).converted);
        ASSERT_EQ(reporter.errors.size(), 1u);
        EXPECT_EQ(reporter.errors[0].procedure, "Cparti");
        EXPECT_EQ(reporter.errors[0].number, number);
        EXPECT_EQ(entriesIn(scratch), 1u);
    }
}

struct EncodedSource {
    const char* name;
    std::string bytes;
    // What the first body line and some later text must read as, in UTF-8.
    std::string firstLine;
    std::string shown;
};
void PrintTo(const EncodedSource& c, std::ostream* out) {
    *out << c.name;
}

const std::string Module =
    "Attribute VB_Name = \"M\"\r\nDim s\r\ns = \"caf\u00E9 \u201Cq\u201D\" ' \u20AC\r\n";
const std::string ModuleShown = "caf\u00E9 \u201Cq\u201D\" ' \u20AC";

class EncodedSources : public testing::TestWithParam<EncodedSource> {};

// Whatever the source was written in, the page is UTF-8 and a byte-order mark is no text.
TEST_P(EncodedSources, GiveAValidUtf8BodyWithoutAByteOrderMark) {
    const EncodedSource& c = GetParam();
    test::ScratchDir scratch;
    test::writeBytes(scratch / "s.bas", c.bytes);
    SilentProgress bar;
    convertPage(jobFor(scratch / "s.bas", scratch / "s.html"), bar);
    const std::string page = test::readBytes(scratch / "s.html");
    const std::string text = test::withoutTags(test::bodyOf(page));
    EXPECT_TRUE(files::isValidUtf8(page));
    EXPECT_EQ(page.find("\uFEFF"), std::string::npos);
    EXPECT_EQ(page.find("\uFFFE"), std::string::npos);
    EXPECT_EQ(page.find("\uFFFD"), std::string::npos) << "a byte was replaced instead of decoded";
    EXPECT_TRUE(text.starts_with(c.firstLine)) << text;
    EXPECT_NE(text.find(c.shown), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, EncodedSources,
    testing::Values(
        EncodedSource{"windows1252", test::encodeAs(Module, "WINDOWS-1252"), "Dim s \r\n", ModuleShown},
        EncodedSource{"invalidUtf8", "x = \"\xC3\x28\xA0\xA1\" ' \xF0\x28\x8C\x28\r\ny = \"\xE2\x82\"", "x ",
                      "y "},
        EncodedSource{"utf8Bom", "\xEF\xBB\xBF" + Module, "Dim s \r\n", ModuleShown},
        EncodedSource{"utf8BomThenWindows1252",
                      "\xEF\xBB\xBF"
                      "Dim s\r\ns = \"caf\xE9\"\r\n",
                      "Dim s\r\n", "caf\u00E9"},
        EncodedSource{"utf8BomAlone", "\xEF\xBB\xBF", "", ""},
        EncodedSource{"utf16LeBom", "\xFF\xFE" + test::encodeAs(Module, "UTF-16LE"), "Dim s \r\n",
                      ModuleShown},
        EncodedSource{"utf16BeBom", "\xFE\xFF" + test::encodeAs(Module, "UTF-16BE"), "Dim s \r\n",
                      ModuleShown}),
    [](const auto& param) { return std::string(param.param.name); });

struct BigSource {
    const char* name;
    std::string unit;
    std::size_t repeats;
    bool optimize;
    // Tags left in the page (neighbours of one class merge by pairs); -1: not counted.
    long tags;
    // What convertPage returns; -1: not checked.
    long lines;
};
void PrintTo(const BigSource& c, std::ostream* out) {
    *out << c.name;
}

class BigSources : public testing::TestWithParam<BigSource> {};

// Far beyond anything the development environment writes: one pass, no recursion as deep
// as a line is long, every character kept, and each token coloured.
TEST_P(BigSources, KeepEveryCharacterAndColourEachToken) {
    const BigSource& c = GetParam();
    std::string source;
    source.reserve(c.unit.size() * c.repeats + 2);
    for (std::size_t i = 0; i < c.repeats; ++i) {
        source += c.unit;
    }
    test::ScratchDir scratch;
    test::writeBytes(scratch / "s.bas", source);
    PageJob job = jobFor(scratch / "s.bas", scratch / "s.html");
    job.optimize = c.optimize;
    SilentProgress bar;
    const long lines = convertPage(job, bar);
    if (c.lines >= 0) {
        EXPECT_EQ(lines, c.lines);
    }
    const std::string body = test::bodyOf(test::readBytes(scratch / "s.html"));
    EXPECT_TRUE(test::withoutTags(body) == test::expectedBody(source)) << "the visible text changed";
    if (c.tags >= 0) {
        long tags = 0;
        for (std::size_t at = body.find("<a class="); at != std::string::npos;
             at = body.find("<a class=", at + 1)) {
            ++tags;
        }
        EXPECT_EQ(tags, c.tags);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, BigSources,
    testing::Values(
        BigSource{"longSpacesUnoptimised",
                  "Dim a" + std::string(60, ' ') + "As Long\r\nx = 1" + std::string(50, ' ') + "+ 2\r\n", 1,
                  false, -1, -1},
        BigSource{"tenMegabytesOnOneLine", "If a<b Then x = \"s\" & 12: Call F(a, 1.5) Else y = -z ", 190'000,
                  true, -1, -1},
        BigSource{"millionAdjacentParentheses", "(", 1'000'000, true, 500'000, -1},
        BigSource{"millionNumbersBetweenSpaces", "1 ", 1'000'000, true, 500'000, -1},
        BigSource{"millionQuotes", "\"", 1'000'000, true, 250'000, -1},
        BigSource{"millionCommasBetweenLetters", "x,", 1'000'000, true, 1'000'000, -1},
        BigSource{"millionLessThanSigns", "<", 1'000'000, true, 500'000, -1},
        BigSource{"millionLoneCarriageReturns", "\r", 1'000'000, true, 0, 999'999}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace quillon
