#include "platform/files/sys_calls.h"
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

const std::vector<std::string> DefaultLines{"PRE",
                                            "{",
                                            "COLOR:#FFFFFF;",
                                            "background:#000000;",
                                            "font-family:Courier New;",
                                            "font-size:10pt;",
                                            "}",
                                            ".k",
                                            "{",
                                            "COLOR:#00FFFF;",
                                            "}",
                                            ".c",
                                            "{",
                                            "COLOR:#808080;",
                                            "}",
                                            ".o",
                                            "{",
                                            "COLOR:#FFFF00;",
                                            "}",
                                            ".s",
                                            "{",
                                            "COLOR:#00FF00;",
                                            "}",
                                            ".n",
                                            "{",
                                            "COLOR:#FF0000;",
                                            "}"};

std::string joinedWithCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// A scheme unlike the default in every field the file holds.
ColourScheme customScheme() {
    ColourScheme scheme = defaultColourScheme();
    for (std::size_t i = 0; i < SchemeEntryCount; ++i) {
        scheme.ConfigCouleur[i].Color = rgb(static_cast<int>(16 * i + 1), 0x80, static_cast<int>(255 - i));
    }
    scheme.ConfigCouleur[Comment].Bold = true;
    scheme.ConfigCouleur[Number].Bold = true;
    scheme.fontName = "Lucida; Console";
    scheme.fontSize = "10,5";
    return scheme;
}

TEST(StyleSheetWriter, DefaultSchemeGivesExactlyTheTwentySevenLines) {
    EXPECT_EQ(styleSheetLines(defaultColourScheme()), DefaultLines);
    ScratchDir dir;
    const std::string path = (dir / "default.css").string();
    SaveCoulorInFile(path, defaultColourScheme());
    test::expectMatchesGolden(readBytes(path), test::dataDir() / "stylesheets/default.css");
    EXPECT_EQ(readBytes(path), joinedWithCrLf(DefaultLines));
}

TEST(StyleSheetWriter, BoldKeyWordAndNumberAddALineToTheirBlocksOnly) {
    ColourScheme scheme = defaultColourScheme();
    scheme.ConfigCouleur[KeyWord].Bold = true;
    scheme.ConfigCouleur[Number].Bold = true;
    std::vector<std::string> expected = DefaultLines;
    expected.insert(expected.begin() + 26, "font-weight: bold;");
    expected.insert(expected.begin() + 10, "font-weight: bold;");
    EXPECT_EQ(styleSheetLines(scheme), expected);
    EXPECT_EQ(expected.size(), 29u);
    EXPECT_EQ(expected[9], "COLOR:#00FFFF;");
    EXPECT_EQ(expected[27], "font-weight: bold;");
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
    const ColourScheme written = customScheme();
    SaveCoulorInFile(path, written);

    ColourScheme scheme = defaultColourScheme();
    const StyleSheetLoad result = LoadCoulorFromFile(path, scheme);
    ASSERT_TRUE(result.loaded()) << result.message;
    EXPECT_TRUE(result.message.empty());
    ColourScheme expected = written;
    rederiveEnabled(expected);
    EXPECT_EQ(scheme, expected);
    EXPECT_EQ(scheme.fontName, "Lucida; Console");
    EXPECT_EQ(scheme.fontSize, "10,5");
    EXPECT_TRUE(scheme.ConfigCouleur[Comment].Bold);
    EXPECT_FALSE(scheme.ConfigCouleur[Other].Bold);
}

TEST(StyleSheetRoundTrip, NonAsciiFontNameSurvives) {
    ScratchDir dir;
    const std::string path = (dir / "font.css").string();
    ColourScheme written = defaultColourScheme();
    written.fontName = "\u00C9l\u00E9gante Mono";
    SaveCoulorInFile(path, written);
    ColourScheme scheme;
    ASSERT_TRUE(LoadCoulorFromFile(path, scheme).loaded());
    EXPECT_EQ(scheme.fontName, written.fontName);
}

TEST(StyleSheetReader, CategoryWithNormalsColourIsOffAfterLoading) {
    ScratchDir dir;
    const std::string path = (dir / "off.css").string();
    ColourScheme written = defaultColourScheme();
    written.ConfigCouleur[String].Color = written.ConfigCouleur[Normal].Color;
    SaveCoulorInFile(path, written);
    ColourScheme scheme = defaultColourScheme();
    ASSERT_TRUE(LoadCoulorFromFile(path, scheme).loaded());
    EXPECT_FALSE(scheme.ConfigCouleur[String].Enabled);
    EXPECT_FALSE(scheme.ConfigCouleur[Normal].Enabled);
    EXPECT_TRUE(scheme.ConfigCouleur[Background].Enabled);
    EXPECT_TRUE(scheme.ConfigCouleur[Comment].Enabled);
}

TEST(StyleSheetReader, LowerCaseDigitsAreReadAndWrittenBackInUpperCase) {
    ScratchDir dir;
    const std::string path = (dir / "lower.css").string();
    std::vector<std::string> lines = DefaultLines;
    lines[13] = "COLOR:#ff8000;";
    lines[3] = "background:#0a0b0c;";
    writeBytes(path, joinedWithCrLf(lines));
    ColourScheme scheme = defaultColourScheme();
    ASSERT_TRUE(LoadCoulorFromFile(path, scheme).loaded());
    EXPECT_EQ(scheme.ConfigCouleur[Comment].Color, rgb(255, 128, 0));
    EXPECT_EQ(scheme.ConfigCouleur[Background].Color, rgb(10, 11, 12));
    EXPECT_EQ(styleSheetLines(scheme)[13], "COLOR:#FF8000;");
}

TEST(StyleSheetReader, ReadsOtherLineBreaksABomAndWindows1252) {
    ScratchDir dir;
    const std::string path = (dir / "lf.css").string();
    std::string text;
    for (const auto& line : DefaultLines) {
        text += line + "\n";
    }
    text.replace(text.find("Courier New"), 11, "Caf\xE9");
    writeBytes(path, "\xEF\xBB\xBF" + text);
    ColourScheme scheme = defaultColourScheme();
    ASSERT_TRUE(LoadCoulorFromFile(path, scheme).loaded());
    EXPECT_EQ(scheme.fontName, "Caf\u00E9");
}

TEST(StyleSheetReader, AnythingAfterTheLastBlockIsNeverRead) {
    ScratchDir dir;
    const std::string path = (dir / "tail.css").string();
    // Far beyond what the reader looks at, and not even text.
    writeBytes(path, joinedWithCrLf(DefaultLines) + "/* more */\r\n" + std::string(200000, '\xFF'));
    ColourScheme scheme = customScheme();
    ASSERT_TRUE(LoadCoulorFromFile(path, scheme).loaded());
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
    ScratchDir dir;
    const std::string path = (dir / "bad.css").string();
    std::string text = joinedWithCrLf(c.lines);
    if (!c.finalBreak) {
        text.resize(text.size() - 2);
    }
    writeBytes(path, text);
    const ColourScheme before = customScheme();
    ColourScheme scheme = before;
    const StyleSheetLoad result = LoadCoulorFromFile(path, scheme);
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
                      InvalidCase{"twoExtraLinesInABlock", withExtraLinesInKeyWordBlock()}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(StyleSheetReader, ClosingBraceWithBlankMidFileShiftsTheReading) {
    // The Key Word block's "}" followed by a blank: Key Word turns bold and the rest of the
    // file is read one line late. Whatever comes of it, it is all or nothing.
    ScratchDir dir;
    const std::string path = (dir / "shift.css").string();
    writeBytes(path, joinedWithCrLf(defaultsWith(10, "} ")));
    const ColourScheme before = customScheme();
    ColourScheme scheme = before;
    const StyleSheetLoad result = LoadCoulorFromFile(path, scheme);
    EXPECT_FALSE(result.loaded());
    EXPECT_EQ(scheme, before);
}

TEST(StyleSheetReader, HugeFileIsNotValidWithoutBeingLoaded) {
    ScratchDir dir;
    const std::string path = (dir / "huge.css").string();
    // A font line of 10 MB: the reader gives up at its limit.
    writeBytes(path, "PRE\r\n{\r\nCOLOR:#FFFFFF;\r\nbackground:#000000;\r\nfont-family:" +
                         std::string(10 << 20, 'x') + ";\r\n");
    ColourScheme scheme = customScheme();
    EXPECT_FALSE(LoadCoulorFromFile(path, scheme).loaded());
    EXPECT_EQ(scheme, customScheme());
}

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
