#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/output_formats.h"
#include "io/text_codecs.h"
#include "io/text_reader.h"
#include "page_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>
#include <set>

namespace quillon {
namespace {

std::string withoutFirstAndLastLine(const std::string& text) {
    const auto first = text.find('\n');
    const auto last = text.rfind('\n', text.size() - 2);
    return first >= last ? std::string() : text.substr(first + 1, last - first);
}

std::string plainRtf(const std::string& rtf) {
    std::string text;
    std::size_t p = rtf.find("\\cb1 ");
    EXPECT_NE(p, std::string::npos);
    p += 5;
    unsigned highSurrogate = 0;
    while (p < rtf.size()) {
        const char c = rtf[p];
        if (c == '}') {
            EXPECT_EQ(rtf.substr(p), "}\n");
            break;
        }
        if (c == '\n') {
            ++p;
            continue;
        }
        if (c != '\\') {
            EXPECT_NE(c, '{');
            text += c;
            ++p;
            continue;
        }
        const char next = rtf[p + 1];
        if (next == '\\' || next == '{' || next == '}') {
            text += next;
            p += 2;
        } else if (next == '\'') {
            text += static_cast<char>(std::stoi(rtf.substr(p + 2, 2), nullptr, 16));
            p += 4;
        } else {
            std::size_t end = p + 1;
            while (std::isalpha(static_cast<unsigned char>(rtf[end])) != 0) {
                ++end;
            }
            const std::string word = rtf.substr(p + 1, end - p - 1);
            std::size_t digitsEnd = end;
            while (rtf[digitsEnd] == '-' || std::isdigit(static_cast<unsigned char>(rtf[digitsEnd])) != 0) {
                ++digitsEnd;
            }
            const std::string number = rtf.substr(end, digitsEnd - end);
            p = digitsEnd + (rtf[digitsEnd] == ' ' ? 1 : 0);
            if (word == "par") {
                text += '\n';
            } else if (word == "tab") {
                text += '\t';
            } else if (word == "u") {
                const auto unit = static_cast<unsigned>(static_cast<std::uint16_t>(std::stoi(number)));
                EXPECT_EQ(rtf[digitsEnd], '?');
                p = digitsEnd + 1;
                if (unit >= 0xD800 && unit < 0xDC00) {
                    highSurrogate = unit;
                } else if (unit >= 0xDC00 && unit < 0xE000) {
                    files::detail::appendUtf8(text,
                                              0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
                } else {
                    files::detail::appendUtf8(text, unit);
                }
            }
        }
    }
    return text;
}

// The text a reader of the format sees, markup taken away.
std::string plainTextOf(OutputFormat format, const std::string& document) {
    switch (format) {
    case OutputFormat::Html:
        return test::withoutTags(document);
    case OutputFormat::HtmlInline:
    case OutputFormat::MarkdownHtml: {
        EXPECT_TRUE(document.starts_with("<pre style=\"background-color:#"));
        EXPECT_TRUE(document.ends_with(format == OutputFormat::HtmlInline ? "\n</pre>\n" : "\n</pre>\n\n") ||
                    document.find('\n') == document.size() - (format == OutputFormat::HtmlInline ? 8 : 9));
        std::string body = document.substr(document.find('\n') + 1);
        body = body.substr(0, body.rfind("</pre>"));
        return test::withoutTags(std::regex_replace(
            body, std::regex("<span style=\"color:#[0-9A-F]{6}(;font-weight:bold)?\">|</span>"), ""));
    }
    case OutputFormat::BbCode: {
        EXPECT_TRUE(document.starts_with("[code]"));
        EXPECT_TRUE(document.ends_with("[/code]\n"));
        const std::string body = document.substr(6, document.size() - 6 - 8);
        return std::regex_replace(body, std::regex("\\[(/?b|/color|color=#[0-9A-F]{6})\\]"), "");
    }
    case OutputFormat::Markdown: {
        const std::string fence = document.substr(0, document.find("vb\n"));
        EXPECT_GE(fence.size(), 3U);
        EXPECT_EQ(fence.find_first_not_of('`'), std::string::npos);
        EXPECT_TRUE(document.ends_with("\n" + fence + "\n") || document == fence + "vb\n" + fence + "\n");
        const std::string body = withoutFirstAndLastLine(document);
        EXPECT_EQ(body.find(fence), std::string::npos)
            << "the fence must be longer than any run of backticks";
        return body;
    }
    case OutputFormat::Rtf:
        EXPECT_TRUE(document.starts_with("{\\rtf1\\ansi"));
        return plainRtf(document);
    }
    return {};
}

std::string randomSource(std::mt19937& random, int lines) {
    static const std::vector<std::string> pieces = {
        "Dim ", "As ", "String", " = ",     "\"",  "'",   "&",     "<", ">",
        "[",    "]",   "[b]",    "[/code]", "\\",  "{",   "}",     "`", "```",
        " ",    "\t",  "x",      "1",       "2.5", "é",   "漢",    "😀", "(",
        ")",    ",",   ".",      " _",      "&lt", "If ", "Then ", ";", "[color=#000000]"};
    std::string text;
    for (int line = 0; line < lines; ++line) {
        const int count = static_cast<int>(random() % 14);
        for (int i = 0; i < count; ++i) {
            text += pieces[random() % pieces.size()];
        }
        text += '\n';
    }
    return text;
}

ColourScheme boldScheme() {
    ColourScheme scheme = defaultColourScheme();
    scheme.ConfigCouleur[KeyWord].Bold = true;
    scheme.ConfigCouleur[Comment].Bold = true;
    return scheme;
}

TEST(OutputFormats, MarkupRemovedLeavesTheSourceWhereverThePiecesAreCut) {
    test::ScratchDir scratch;
    std::mt19937 random(1234);
    for (int round = 0; round < 40; ++round) {
        const std::string source = randomSource(random, 1 + round % 7);
        const ColourScheme scheme = round % 2 == 0 ? defaultColourScheme() : boldScheme();
        for (std::size_t f = 0; f < OutputFormatNames.size(); ++f) {
            const auto format = static_cast<OutputFormat>(f);
            const std::string whole = formatText(source, format, scheme, round % 3 != 0, "\n");
            EXPECT_EQ(plainTextOf(format, whole), source) << nameOf(format) << "\n" << whole;

            // The same lines handed over in pieces cut at random give the same document, and
            // so does Markdown written as it comes, its fence known from a first reading.
            FormattedOutput output(format, scheme, "\n");
            if (format == OutputFormat::Markdown && round % 2 == 1) {
                test::writeBytes(scratch / "source.bas", source);
                files::TextReader reader((scratch / "source.bas").string());
                output.fenceFor(longestBacktickRun(reader));
            }
            std::string pieced;
            output.begin(pieced);
            std::size_t start = 0;
            for (std::size_t end; (end = source.find('\n', start)) != std::string::npos; start = end + 1) {
                const std::string coloured = test::colourLine(
                    std::string_view(source).substr(start, end - start), switchesOf(scheme), round % 3 != 0);
                for (std::size_t at = 0; at < coloured.size();) {
                    const std::size_t length = 1 + random() % 5;
                    output.feed(std::string_view(coloured).substr(at, length), pieced);
                    at += length;
                }
                output.endLine(pieced);
            }
            output.end(pieced);
            EXPECT_EQ(pieced, whole) << nameOf(format);
        }
    }
}

TEST(OutputFormats, TheDirectSampleMatchesItsGoldenInEveryFormat) {
    const auto folder = test::dataDir() / "formats";
    std::set<std::string> expected;
    for (std::size_t f = 0; f < OutputFormatNames.size(); ++f) {
        const auto format = static_cast<OutputFormat>(f);
        const std::string name =
            "sample." + std::string(nameOf(format)) + std::string(fileExtensionOf(format));
        expected.insert(name);
        EXPECT_EQ(outputFormatNamed(nameOf(format)), format);
        test::expectMatchesGolden(formatText(directSampleText(), format, boldScheme(), true, "\r\n"),
                                  folder / name);
    }
    std::set<std::string> present;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        present.insert(entry.path().filename().string());
    }
    EXPECT_EQ(present, expected) << "a golden file of no format, or a format without one";
    EXPECT_EQ(outputFormatNamed("BBCode"), std::nullopt);
}

TEST(OutputFormats, ColoursBoldAndFontComeFromTheScheme) {
    ColourScheme scheme = boldScheme();
    scheme.fontName = "Lucida Console";
    scheme.fontSize = "10,5";
    const std::string source = "If x Then";
    EXPECT_EQ(formatText(source, OutputFormat::BbCode, scheme, true, "\n"),
              "[code][color=#00FFFF][b]If[/b][/color] x [color=#00FFFF][b]Then[/b][/color]\n[/code]\n");
    const std::string inlined = formatText(source, OutputFormat::HtmlInline, scheme, true, "\n");
    EXPECT_NE(inlined.find("font-family:'Lucida Console',monospace;font-size:10.5pt"), std::string::npos);
    EXPECT_NE(inlined.find("<span style=\"color:#00FFFF;font-weight:bold\">If</span>"), std::string::npos);
    const std::string rtf = formatText(source, OutputFormat::Rtf, scheme, true, "\n");
    EXPECT_NE(rtf.find("{\\f0\\fmodern\\fcharset0 Lucida Console;}"), std::string::npos);
    EXPECT_NE(rtf.find("\\fs21"), std::string::npos);
    EXPECT_NE(rtf.find("\\cf5\\b If\\cf2\\b0  x"), std::string::npos);
}

} // namespace
} // namespace quillon
