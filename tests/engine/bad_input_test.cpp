// Sources the page writer must survive: binary data, huge lines, odd line breaks, every
// encoding, and the rule that colouring never changes the visible text.

#include "engine/page_writer.h"
#include "engine/vb_error.h"
#include "platform/files/file_system.h"
#include "platform/files/text_decoding.h"
#include "support/legacy_text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

PageJob jobFor(const fs::path& source, const fs::path& target) {
    PageJob job;
    const fs::path data = test::dataDir() / "pages";
    job.source = source.string();
    job.target = target.string();
    job.header = (data / "header.txt").string();
    job.footer = (data / "footer.txt").string();
    return job;
}

// The lines between "<PRE>" and "</pre>", line breaks included.
std::string bodyOf(const std::string& page) {
    const std::size_t open = page.find("<PRE>\r\n");
    const std::size_t close = page.rfind("</pre>\r\n");
    if (open == std::string::npos || close == std::string::npos || close < open + 7) {
        ADD_FAILURE() << "no body in the page";
        return {};
    }
    return page.substr(open + 7, close - open - 7);
}

// The text a reader sees: the body without its class tags. The source's own "<" was
// escaped, so any "<" left is a tag.
std::string withoutTags(std::string_view body) {
    std::string text;
    text.reserve(body.size());
    std::size_t i = 0;
    while (i < body.size()) {
        const std::size_t tag = body.find('<', i);
        text.append(body.substr(i, tag == std::string_view::npos ? std::string_view::npos : tag - i));
        if (tag == std::string_view::npos) {
            break;
        }
        const std::string_view rest = body.substr(tag);
        if (rest.starts_with("<a class=") && rest.size() >= 11 && rest[10] == '>') {
            i = tag + 11;
        } else if (rest.starts_with("</a>")) {
            i = tag + 4;
        } else {
            ADD_FAILURE() << "a \"<\" that is no class tag at " << tag << ": " << rest.substr(0, 20);
            return text;
        }
    }
    return text;
}

std::string escaped(std::string_view line) {
    std::string out;
    for (char c : line) {
        if (c == '<') {
            out += "&lt";
        } else if (c == '>') {
            out += "&gt";
        } else {
            out += c;
        }
    }
    return out;
}

// What the body must read once its tags are gone, worked out from the source by the rules
// of the page rather than by the writer: the descriptive block up to the "Attribute"
// lines after "Attribute VB_Name" is skipped and the first line after it gets one space,
// unless that leaves less than two lines, when the whole file is converted as it is;
// lines starting "Attribute" are dropped everywhere.
std::string expectedPlainBody(std::string_view decodedSource) {
    const std::vector<std::string_view> lines = files::splitTextLines(decodedSource);
    std::size_t first = 0;
    bool spaced = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with("Attribute VB_Name")) {
            std::size_t body = i + 1;
            while (body < lines.size() && lines[body].starts_with("Attribute")) {
                ++body;
            }
            if (body + 1 < lines.size()) {
                first = body;
                spaced = true;
            }
            break;
        }
    }
    std::string out;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (lines[i].starts_with("Attribute")) {
            continue;
        }
        out += escaped(lines[i]);
        if (i == first && spaced) {
            out += ' ';
        }
        out += "\r\n";
    }
    return out;
}

struct Golden {
    const char* source;
    const char* page;
    bool optimized;
};
void PrintTo(const Golden& g, std::ostream* out) {
    *out << g.page;
}

class GoldenPages : public testing::TestWithParam<Golden> {};

// Colouring and merging tags only ever add markup: the text a reader sees is the source.
TEST_P(GoldenPages, ReadWithoutTheirTagsAsTheSourceLines) {
    const Golden& g = GetParam();
    const fs::path data = test::dataDir() / "pages";
    const std::string source = files::decodeToUtf8(test::readBytes(data / g.source));
    // The optimiser writes a run of more than 42 spaces between merged tags as 42.
    ASSERT_TRUE(!g.optimized || source.find(std::string(43, ' ')) == std::string::npos)
        << "the invariant does not hold for this source when optimised";
    EXPECT_EQ(withoutTags(bodyOf(test::readBytes(data / g.page))), expectedPlainBody(source));
}

INSTANTIATE_TEST_SUITE_P(Pages, GoldenPages,
                         testing::Values(Golden{"form.frm", "form.frm.html", true},
                                         Golden{"form.frm", "form.frm.plain.html", false},
                                         Golden{"class.cls", "class.cls.html", true},
                                         Golden{"module.bas", "module.bas.html", true},
                                         Golden{"plain.txt", "plain.txt.html", true},
                                         Golden{"single.bas", "single.bas.html", true},
                                         Golden{"empty.bas", "empty.bas.html", true},
                                         Golden{"nofinalbreak.bas", "nofinalbreak.bas.html", true},
                                         Golden{"bodysingle.frm", "bodysingle.frm.html", true},
                                         Golden{"attributesatend.frm", "attributesatend.frm.html", true},
                                         Golden{"mixed.txt", "mixed.txt.html", true}),
                         [](const testing::TestParamInfo<Golden>& param) {
                             std::string name = param.param.page;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

TEST(VisibleText, LongRunsOfSpacesSurviveWithoutTheOptimiser) {
    test::ScratchDir scratch;
    const std::string source =
        "Dim a" + std::string(60, ' ') + "As Long\r\nx = 1" + std::string(50, ' ') + "+ 2\r\n";
    test::writeBytes(scratch / "s.bas", source);
    PageJob job = jobFor(scratch / "s.bas", scratch / "s.html");
    job.optimize = false;
    SilentProgress bar;
    convertPage(job, bar);
    EXPECT_EQ(withoutTags(bodyOf(test::readBytes(scratch / "s.html"))), expectedPlainBody(source));
}

TEST(BinarySource, IsRefusedBeforeAnythingIsCreated) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "prog.bas", "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF"s);
    test::writeBytes(scratch / "prog.bas.html", "the old page");
    const PageJob job = jobFor(scratch / "prog.bas", scratch / "prog.bas.html");
    SilentProgress bar;
    try {
        convertPage(job, bar);
        FAIL() << "a binary source was converted";
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), vberr::InvalidFileFormat);
        EXPECT_EQ(error.description(), "Not a text file: " + job.source);
    }
    EXPECT_EQ(test::readBytes(scratch / "prog.bas.html"), "the old page");
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()), 2);

    fs::remove(scratch / "prog.bas.html");
    test::RecordingReporter reporter;
    EXPECT_FALSE(Cparti(job, bar).converted);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0].procedure, "Cparti");
    EXPECT_EQ(reporter.errors[0].number, vberr::InvalidFileFormat);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()), 1);
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

class EncodedSources : public testing::TestWithParam<EncodedSource> {};

// Whatever the source was written in, the page is UTF-8 and a byte-order mark is no text.
TEST_P(EncodedSources, GiveAValidUtf8BodyWithoutAByteOrderMark) {
    const EncodedSource& c = GetParam();
    test::ScratchDir scratch;
    test::writeBytes(scratch / "s.bas", c.bytes);
    const PageJob job = jobFor(scratch / "s.bas", scratch / "s.html");
    SilentProgress bar;
    convertPage(job, bar);
    const std::string page = test::readBytes(scratch / "s.html");
    const std::string body = bodyOf(page);
    EXPECT_TRUE(files::isValidUtf8(page));
    EXPECT_EQ(page.find("\uFEFF"), std::string::npos);
    EXPECT_EQ(page.find("\uFFFE"), std::string::npos);
    EXPECT_EQ(page.find("\uFFFD"), std::string::npos) << "a byte was replaced instead of decoded";
    EXPECT_TRUE(withoutTags(body).starts_with(c.firstLine)) << body;
    EXPECT_NE(withoutTags(body).find(c.shown), std::string::npos) << body;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, EncodedSources,
    testing::Values(
        EncodedSource{"windows1252", test::encodeAs(Module, "WINDOWS-1252"), "Dim s \r\n",
                      "caf\u00E9 \u201Cq\u201D\" ' \u20AC"},
        EncodedSource{"invalidUtf8", "x = \"\xC3\x28\xA0\xA1\" ' \xF0\x28\x8C\x28\r\ny = \"\xE2\x82\"", "x ",
                      "y "},
        EncodedSource{"utf8Bom", "\xEF\xBB\xBF" + Module, "Dim s \r\n", "caf\u00E9 \u201Cq\u201D\" ' \u20AC"},
        EncodedSource{"utf8BomThenWindows1252",
                      "\xEF\xBB\xBF"
                      "Dim s\r\ns = \"caf\xE9\"\r\n",
                      "Dim s\r\n", "caf\u00E9"},
        EncodedSource{"utf8BomAlone", "\xEF\xBB\xBF", "", ""},
        EncodedSource{"utf16LeBom", "\xFF\xFE" + test::encodeAs(Module, "UTF-16LE"), "Dim s \r\n",
                      "caf\u00E9 \u201Cq\u201D\" ' \u20AC"},
        EncodedSource{"utf16BeBom", "\xFE\xFF" + test::encodeAs(Module, "UTF-16BE"), "Dim s \r\n",
                      "caf\u00E9 \u201Cq\u201D\" ' \u20AC"}),
    [](const auto& param) { return std::string(param.param.name); });

// Lines far beyond anything the development environment writes: one pass, no recursion as
// deep as the line is long, every character kept.
TEST(HugeLines, TenMegabytesOnOneLine) {
    test::ScratchDir scratch;
    const std::string unit = "If a<b Then x = \"s\" & 12: Call F(a, 1.5) Else y = -z ";
    std::string line;
    line.reserve(10'000'000 + unit.size());
    while (line.size() < 10'000'000) {
        line += unit;
    }
    test::writeBytes(scratch / "big.bas", line);
    const PageJob job = jobFor(scratch / "big.bas", scratch / "big.html");
    SilentProgress bar;
    EXPECT_EQ(convertPage(job, bar), 0);
    const std::string body = bodyOf(test::readBytes(scratch / "big.html"));
    EXPECT_EQ(withoutTags(body), escaped(line) + "\r\n");
}

struct TokenLine {
    const char* name;
    std::string unit;
    // Tags left in the page: neighbours of one class merge by pairs.
    std::size_t tags;
};
void PrintTo(const TokenLine& c, std::ostream* out) {
    *out << c.name;
}

class MillionTokens : public testing::TestWithParam<TokenLine> {};

TEST_P(MillionTokens, OnOneLineAreEachColouredAndMergedByPairs) {
    const TokenLine& c = GetParam();
    std::string line;
    while (line.size() < 1'000'000 * c.unit.size()) {
        line += c.unit;
    }
    test::ScratchDir scratch;
    test::writeBytes(scratch / "t.bas", line + "\r\n");
    const PageJob job = jobFor(scratch / "t.bas", scratch / "t.html");
    SilentProgress bar;
    EXPECT_EQ(convertPage(job, bar), 0);
    const std::string body = bodyOf(test::readBytes(scratch / "t.html"));
    EXPECT_EQ(withoutTags(body), escaped(line) + "\r\n");
    std::size_t tags = 0;
    for (std::size_t at = body.find("<a class="); at != std::string::npos;
         at = body.find("<a class=", at + 1)) {
        ++tags;
    }
    EXPECT_EQ(tags, c.tags);
}

INSTANTIATE_TEST_SUITE_P(Lines, MillionTokens,
                         testing::Values(TokenLine{"adjacentParentheses", "(", 500'000},
                                         TokenLine{"numbersBetweenSpaces", "1 ", 500'000},
                                         TokenLine{"quotes", "\"", 250'000},
                                         TokenLine{"commasBetweenLetters", "x,", 1'000'000},
                                         TokenLine{"lessThanSigns", "<", 500'000}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(LineBreaks, AFileOfLoneCarriageReturnsIsOneEmptyLineEach) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "cr.bas", std::string(1'000'000, '\r'));
    const PageJob job = jobFor(scratch / "cr.bas", scratch / "cr.html");
    SilentProgress bar;
    EXPECT_EQ(convertPage(job, bar), 999'999);
    std::string expected;
    for (int i = 0; i < 1'000'000; ++i) {
        expected += "\r\n";
    }
    EXPECT_EQ(bodyOf(test::readBytes(scratch / "cr.html")), expected);
}

} // namespace
} // namespace quillon
