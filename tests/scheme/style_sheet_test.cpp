#include "io/sys_calls.h"
#include "scheme/style_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace quillon {
namespace {

using test::readBytes;
using test::writeBytes;

// The default sheet, line by line; the first test holds it against its golden file.
const std::vector<std::string> DefaultLines = styleSheetLines(defaultColourScheme());

std::string joined(const std::vector<std::string>& lines, const char* lineBreak = "\r\n") {
    std::string text;
    for (const auto& line : lines) {
        text += line + lineBreak;
    }
    return text;
}

std::vector<std::string> defaultsWith(std::size_t index, const std::string& line) {
    std::vector<std::string> lines = DefaultLines;
    lines[index] = line;
    return lines;
}

// A scheme unlike the default in every field the file holds, String in Normal's colour.
ColourScheme customScheme() {
    ColourScheme scheme = defaultColourScheme();
    for (std::size_t i = 0; i < SchemeEntryCount; ++i) {
        scheme.ConfigCouleur[i].Color = rgb(static_cast<int>(16 * i + 1), 0x80, static_cast<int>(255 - i));
    }
    scheme.ConfigCouleur[String].Color = scheme.ConfigCouleur[Normal].Color;
    scheme.ConfigCouleur[Comment].Bold = true;
    scheme.fontName = "\u00C9l\u00E9gante; Mono";
    scheme.fontSize = "10,5";
    return scheme;
}

class StyleSheet : public ::testing::Test {
protected:
    StyleSheetLoad load(const std::string& text, ColourScheme& scheme) {
        writeBytes(path, text);
        return LoadCoulorFromFile(path, scheme);
    }
    test::ScratchDir dir;
    const std::string path = (dir / "style.css").string();
};

TEST_F(StyleSheet, DefaultSchemeGivesTheGoldenFileAndBoldAddsALineToItsBlockOnly) {
    SaveCoulorInFile(path, defaultColourScheme());
    test::expectMatchesGolden(readBytes(path), test::dataDir() / "stylesheets/default.css");
    ColourScheme scheme = defaultColourScheme();
    scheme.ConfigCouleur[KeyWord].Bold = true;
    scheme.ConfigCouleur[Number].Bold = true;
    std::vector<std::string> expected = DefaultLines;
    expected.insert(expected.begin() + 26, "font-weight: bold;");
    expected.insert(expected.begin() + 10, "font-weight: bold;");
    EXPECT_EQ(styleSheetLines(scheme), expected);
}

TEST_F(StyleSheet, FailedSaveLeavesTheOldSheetAndNoDebris) {
    SaveCoulorInFile(path, customScheme());
    const std::string old = readBytes(path);
    ColourScheme unwritable = defaultColourScheme();
    unwritable.ConfigCouleur[Other].Color = -1;
    EXPECT_THROW(SaveCoulorInFile(path, unwritable), VbError);
    files::sys::calls().write = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    EXPECT_THROW(SaveCoulorInFile(path, defaultColourScheme()), VbError);
    files::sys::calls() = files::sys::realCalls();
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(StyleSheet, WrittenSchemeLoadsBackIgnoringWhatFollowsTheLastBlock) {
    SaveCoulorInFile(path, customScheme());
    writeBytes(path, readBytes(path) + "/* more */\r\n" + std::string(200000, 'x'));
    ColourScheme scheme = defaultColourScheme();
    const StyleSheetLoad result = LoadCoulorFromFile(path, scheme);
    ASSERT_TRUE(result.loaded()) << result.message;
    ColourScheme expected = customScheme();
    rederiveEnabled(expected);
    EXPECT_EQ(scheme, expected);
    EXPECT_FALSE(scheme.ConfigCouleur[String].Enabled) << "String is in Normal's colour";
}

TEST_F(StyleSheet, ReadsLowerCaseDigitsLineFeedsABomAndWindows1252) {
    std::vector<std::string> lines = defaultsWith(13, "COLOR:#ff8000;");
    lines[4] = "font-family:Caf\xE9;";
    ColourScheme scheme = defaultColourScheme();
    ASSERT_TRUE(load("\xEF\xBB\xBF" + joined(lines, "\n"), scheme).loaded());
    EXPECT_EQ(scheme.ConfigCouleur[Comment].Color, rgb(255, 128, 0));
    EXPECT_EQ(scheme.fontName, "Caf\u00E9");
}

TEST_F(StyleSheet, InvalidFileIsRejectedByNameAndLeavesTheSchemeAsItWas) {
    std::vector<std::string> extraLines = DefaultLines;
    extraLines.insert(extraLines.begin() + 10, {"font-weight: bold;", "text-decoration: underline;"});
    const struct {
        const char* name;
        std::vector<std::string> lines;
    } cases[] = {
        {"empty", {}},
        {"pre in lower case", defaultsWith(0, "pre")},
        {"ends inside the last block", {DefaultLines.begin(), DefaultLines.begin() + 26}},
        {"colour not hex", defaultsWith(9, "COLOR:#00FGFF;")},
        {"background too short", defaultsWith(3, "background:#00")},
        {"font without semicolon", defaultsWith(4, "font-family:Courier New")},
        {"semicolon before the font name", defaultsWith(4, "font;")},
        {"font closing the style block", defaultsWith(4, "font-family:x</style><script>alert(1)</script>;")},
        {"size without pt", defaultsWith(5, "font-size:10px;")},
        {"size zero", defaultsWith(5, "font-size:0pt;")},
        // "}" followed by a blank is taken as a bold line and puts the reader out of step.
        {"closing brace with a blank", defaultsWith(10, "} ")},
        {"two extra lines in a block", extraLines},
        // The reader gives up at its limit.
        {"ten megabyte font line", defaultsWith(4, "font-family:" + std::string(10 << 20, 'x') + ";")},
    };
    for (const auto& c : cases) {
        ColourScheme scheme = customScheme();
        const StyleSheetLoad result = load(joined(c.lines), scheme);
        EXPECT_EQ(result.status, StyleSheetStatus::NotValid) << c.name;
        EXPECT_EQ(result.message, path + " is not a valid CSS for Quillon !") << c.name;
        EXPECT_EQ(scheme, customScheme()) << c.name;
    }
}

TEST_F(StyleSheet, FileThatCannotBeOpenedRaisesFileNotFound) {
    ColourScheme scheme = customScheme();
    test::RecordingReporter reporter;
    trap(reporter, "LoadCoulorFromFile", [&] { LoadCoulorFromFile(path, scheme); });
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0].number, 53);
    EXPECT_EQ(reporter.errors[0].description, "File not found: " + path);
    EXPECT_EQ(scheme, customScheme());
}

TEST(StyleSheetChecks, FontNamesThatBreakOutOfAStyleBlockAndSizesThatAreNotPositiveNumbersAreRefused) {
    for (const char* name :
         {"a<b", "a>b", "a{b", "a}b", "a/*b", "a*/b", "a\nb", "a\tb", "a\x7F", "a\u0085"}) {
        EXPECT_FALSE(isSafeFontName(name)) << name;
    }
    for (const char* size :
         {"", " ", "0", "0,0", "-1", "1e3", "1.2.3", "1,2.3", "10pt", "12345678901234567"}) {
        EXPECT_FALSE(isFontSizeText(size)) << size;
    }
}

} // namespace
} // namespace quillon
