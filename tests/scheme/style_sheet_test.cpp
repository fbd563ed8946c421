#include "io/sys_calls.h"
#include "scheme/style_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace quillon {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;

// The default sheet, line by line, as its golden file holds it.
const std::vector<std::string> DefaultLines = [] {
    std::vector<std::string> lines;
    const std::string text = readBytes(test::dataDir() / "stylesheets/default.css");
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}();

std::string joinedWithCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// Loads `text` from a file over `scheme`; the file's path goes to `path`.
StyleSheetLoad loadText(const std::string& text, ColourScheme& scheme, std::string* path = nullptr) {
    ScratchDir dir;
    const std::string file = (dir / "sheet.css").string();
    writeBytes(file, text);
    if (path != nullptr) {
        *path = file;
    }
    return LoadCoulorFromFile(file, scheme);
}

// A scheme unlike the default in every field the file holds, String in Normal's colour.
ColourScheme customScheme() {
    ColourScheme scheme = defaultColourScheme();
    for (std::size_t i = 0; i < SchemeEntryCount; ++i) {
        scheme.ConfigCouleur[i].Color = rgb(static_cast<int>(16 * i + 1), 0x80, static_cast<int>(255 - i));
    }
    scheme.ConfigCouleur[String].Color = scheme.ConfigCouleur[Normal].Color;
    scheme.ConfigCouleur[Comment].Bold = true;
    scheme.ConfigCouleur[Number].Bold = true;
    scheme.fontName = "\u00C9l\u00E9gante; Mono";
    scheme.fontSize = "10,5";
    return scheme;
}

TEST(StyleSheetWriter, DefaultSchemeGivesExactlyTheTwentySevenLines) {
    EXPECT_EQ(switchesOf(defaultColourScheme()), ColourSwitches::allOn());
    EXPECT_EQ(DefaultLines.size(), 27u);
    EXPECT_EQ(styleSheetLines(defaultColourScheme()), DefaultLines);
    ScratchDir dir;
    const std::string path = (dir / "default.css").string();
    SaveCoulorInFile(path, defaultColourScheme());
    test::expectMatchesGolden(readBytes(path), test::dataDir() / "stylesheets/default.css");
}

TEST(StyleSheetWriter, BoldKeyWordAndNumberAddALineToTheirBlocksOnly) {
    ColourScheme scheme = defaultColourScheme();
    scheme.ConfigCouleur[KeyWord].Bold = true;
    scheme.ConfigCouleur[Number].Bold = true;
    std::vector<std::string> expected = DefaultLines;
    expected.insert(expected.begin() + 26, "font-weight: bold;");
    expected.insert(expected.begin() + 10, "font-weight: bold;");
    EXPECT_EQ(styleSheetLines(scheme), expected);
}

TEST(StyleSheetWriter, AllBoldGivesThirtyTwoLines) {
    ColourScheme scheme = defaultColourScheme();
    for (auto& entry : scheme.ConfigCouleur) {
        entry.Bold = true;
    }
    // Background and Normal have no block of their own, so their flags write nothing.
    EXPECT_EQ(styleSheetLines(scheme).size(), 32u);
}

TEST(StyleSheetWriter, ColourBeyondTwentyFourBitsWritesNothing) {
    ScratchDir dir;
    const std::string path = (dir / "style.css").string();
    writeBytes(path, "old");
    ColourScheme scheme = defaultColourScheme();
    scheme.ConfigCouleur[Other].Color = -1;
    EXPECT_THROW(SaveCoulorInFile(path, scheme), VbError);
    EXPECT_EQ(readBytes(path), "old");
}

TEST(StyleSheetRoundTrip, WrittenSchemeLoadsBackOverAnotherOne) {
    ScratchDir dir;
    const std::string path = (dir / "custom.css").string();
    SaveCoulorInFile(path, customScheme());
    ColourScheme scheme = defaultColourScheme();
    const StyleSheetLoad result = LoadCoulorFromFile(path, scheme);
    ASSERT_TRUE(result.loaded()) << result.message;
    EXPECT_TRUE(result.message.empty());
    ColourScheme expected = customScheme();
    rederiveEnabled(expected);
    EXPECT_EQ(scheme, expected);
    // A category in Normal's colour is off after loading, and so is Normal.
    EXPECT_FALSE(scheme.ConfigCouleur[String].Enabled);
    EXPECT_FALSE(scheme.ConfigCouleur[Normal].Enabled);
    EXPECT_TRUE(scheme.ConfigCouleur[Background].Enabled);
}

TEST(StyleSheetReader, LowerCaseDigitsAreReadAndWrittenBackInUpperCase) {
    std::vector<std::string> lines = DefaultLines;
    lines[13] = "COLOR:#ff8000;";
    lines[3] = "background:#0a0b0c;";
    ColourScheme scheme = defaultColourScheme();
    ASSERT_TRUE(loadText(joinedWithCrLf(lines), scheme).loaded());
    EXPECT_EQ(scheme.ConfigCouleur[Comment].Color, rgb(255, 128, 0));
    EXPECT_EQ(scheme.ConfigCouleur[Background].Color, rgb(10, 11, 12));
    EXPECT_EQ(styleSheetLines(scheme)[13], "COLOR:#FF8000;");
}

TEST(StyleSheetReader, ReadsOtherLineBreaksABomAndWindows1252) {
    std::string text = "\xEF\xBB\xBF";
    for (const auto& line : DefaultLines) {
        text += line + "\n";
    }
    text.replace(text.find("Courier New"), 11, "Caf\xE9");
    ColourScheme scheme = defaultColourScheme();
    ASSERT_TRUE(loadText(text, scheme).loaded());
    EXPECT_EQ(scheme.fontName, "Caf\u00E9");
}

TEST(StyleSheetReader, AnythingAfterTheLastBlockIsNeverRead) {
    // Far beyond what the reader looks at, and not even text.
    ColourScheme scheme = customScheme();
    ASSERT_TRUE(
        loadText(joinedWithCrLf(DefaultLines) + "/* more */\r\n" + std::string(200000, '\xFF'), scheme)
            .loaded());
    ColourScheme expected = defaultColourScheme();
    rederiveEnabled(expected);
    EXPECT_EQ(scheme, expected);
}

struct InvalidCase {
    const char* name;
    std::vector<std::string> lines;
    bool finalBreak = true;
};
void PrintTo(const InvalidCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<std::string> defaultsWith(std::size_t index, const std::string& line) {
    std::vector<std::string> lines = DefaultLines;
    lines[index] = line;
    return lines;
}

std::vector<std::string> firstLines(std::size_t count) {
    return {DefaultLines.begin(), DefaultLines.begin() + static_cast<std::ptrdiff_t>(count)};
}

std::vector<std::string> withExtraLinesInKeyWordBlock() {
    std::vector<std::string> lines = DefaultLines;
    lines.insert(lines.begin() + 10, {"font-weight: bold;", "text-decoration: underline;"});
    return lines;
}

class InvalidStyleSheet : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidStyleSheet, IsRejectedAndLeavesTheSchemeAsItWas) {
    const InvalidCase& c = GetParam();
    std::string text = joinedWithCrLf(c.lines);
    if (!c.finalBreak) {
        text.resize(text.size() - 2);
    }
    const ColourScheme before = customScheme();
    ColourScheme scheme = before;
    std::string path;
    const StyleSheetLoad result = loadText(text, scheme, &path);
    EXPECT_EQ(result.status, StyleSheetStatus::NotValid);
    EXPECT_EQ(result.message, path + " is not a valid CSS for Quillon !");
    EXPECT_EQ(scheme, before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, InvalidStyleSheet,
    ::testing::Values(InvalidCase{"empty", {}}, InvalidCase{"preLowerCase", defaultsWith(0, "pre")},
                      InvalidCase{"preAfterBlank", defaultsWith(0, " PRE")},
                      InvalidCase{"preWithTrailingBlank", defaultsWith(0, "PRE ")},
                      InvalidCase{"endsAfterOtherColour", firstLines(18)},
                      InvalidCase{"endsInsideLastBlock", firstLines(26)},
                      InvalidCase{"onlyPre", firstLines(1)},
                      InvalidCase{"blankAfterColon", defaultsWith(2, "COLOR: #FF0000;")},
                      InvalidCase{"colourNotHex", defaultsWith(9, "COLOR:#00FGFF;")},
                      InvalidCase{"colourTooShort", defaultsWith(17, "COLOR:#FFF;")},
                      InvalidCase{"backgroundTooShort", defaultsWith(3, "background:#00")},
                      InvalidCase{"fontWithoutSemicolon", defaultsWith(4, "font-family:Courier New")},
                      InvalidCase{"semicolonBeforeFontName", defaultsWith(4, "font;")},
                      InvalidCase{"sizeWithoutPt", defaultsWith(5, "font-size:10px;")},
                      InvalidCase{"sizeNotANumber", defaultsWith(5, "font-size:big pt;")},
                      InvalidCase{"sizeEmpty", defaultsWith(5, "font-size:pt;")},
                      InvalidCase{"sizeZero", defaultsWith(5, "font-size:0pt;")},
                      InvalidCase{"sizeBreakingOut", defaultsWith(5, "font-size:10;}</style><script>pt;")},
                      InvalidCase{"fontClosingTheStyleBlock",
                                  defaultsWith(4, "font-family:x</style><script>alert(1)</script>;")},
                      InvalidCase{"fontClosingTheComment", defaultsWith(4, "font-family:x-->;")},
                      InvalidCase{"fontClosingTheRule", defaultsWith(4, "font-family:x}body{;")},
                      InvalidCase{"fontOpeningAComment", defaultsWith(4, "font-family:x/*;")},
                      InvalidCase{"fontWithControl", defaultsWith(4, "font-family:a\tb;")},
                      // "}" followed by a blank is taken as a bold line and puts the reader out of step.
                      InvalidCase{"closingBraceWithBlank", defaultsWith(26, "} "), false},
                      // The same mid-file: Key Word turns bold and the rest is read one line late.
                      InvalidCase{"closingBraceWithBlankMidFile", defaultsWith(10, "} ")},
                      InvalidCase{"twoExtraLinesInABlock", withExtraLinesInKeyWordBlock()},
                      // The reader gives up at its limit.
                      InvalidCase{"tenMegabyteFontLine",
                                  {"PRE", "{", "COLOR:#FFFFFF;", "background:#000000;",
                                   "font-family:" + std::string(10 << 20, 'x') + ";"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(StyleSheetReader, FileThatCannotBeOpenedRaisesForTheCallersTrap) {
    ScratchDir dir;
    ColourScheme scheme = customScheme();
    const std::string missing = (dir / "missing.css").string();
    try {
        LoadCoulorFromFile(missing, scheme);
        FAIL() << "no error";
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.description(), "File not found: " + missing);
    }
    EXPECT_THROW(LoadCoulorFromFile(dir.path().string(), scheme), VbError);
    EXPECT_EQ(scheme, customScheme());
}

TEST(StyleSheetWriter, FailedSaveLeavesTheOldSheetAndReportsTheError) {
    ScratchDir dir;
    const std::string path = (dir / "style.css").string();
    SaveCoulorInFile(path, customScheme());
    const std::string old = readBytes(path);
    {
        files::sys::calls().write = [](int, const void*, size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        test::RecordingReporter reporter;
        trap("SaveCoulorInFile", [&] { SaveCoulorInFile(path, defaultColourScheme()); });
        files::sys::calls() = files::sys::realCalls();
        ASSERT_EQ(reporter.errors.size(), 1u);
        EXPECT_EQ(reporter.errors[0].number, 61);
        EXPECT_EQ(reporter.errors[0].description, "Disk full: " + path);
    }
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_THROW(SaveCoulorInFile((dir / "nowhere/style.css").string(), customScheme()), VbError);
}

} // namespace
} // namespace quillon

namespace quillon {
namespace {

TEST(StyleSheetChecks, FontNamesThatCannotBreakOutOfAStyleBlock) {
    for (const char* name : {"Courier New", "Lucida; Console", "", "\u00C9l\u00E9gante", "Font \"quoted\""}) {
        EXPECT_TRUE(isSafeFontName(name)) << name;
    }
    for (const char* name :
         {"a<b", "a>b", "a{b", "a}b", "a/*b", "a*/b", "a\nb", "a\rb", "a\tb", "a\x7F", "a\u0085"}) {
        EXPECT_FALSE(isSafeFontName(name)) << name;
    }
}

TEST(StyleSheetChecks, FontSizesAreLocalePositiveNumbers) {
    for (const char* size : {"10", "10.5", "10,5", " 12 ", "0.5", "8."}) {
        EXPECT_TRUE(isFontSizeText(size)) << size;
    }
    for (const char* size :
         {"", " ", "0", "0,0", "-1", "1e3", "1.2.3", "1,2.3", "10pt", "12345678901234567"}) {
        EXPECT_FALSE(isFontSizeText(size)) << size;
    }
}

} // namespace
} // namespace quillon
