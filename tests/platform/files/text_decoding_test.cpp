#include "platform/files/text_decoding.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon::files {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
};
void PrintTo(const Utf8Case& c, std::ostream* out) {
    *out << c.name;
}

class Utf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, WholeAndFedByteByByteAgree) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(isValidUtf8(c.bytes), c.valid);
    Utf8Validator validator;
    for (char byte : c.bytes) {
        validator.feed(std::string_view(&byte, 1));
    }
    EXPECT_EQ(validator.validComplete(), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Validity,
    ::testing::Values(
        Utf8Case{"empty", "", true}, Utf8Case{"ascii", "Dim x As Long ' ok", true},
        Utf8Case{"twoByte", "caf\xC3\xA9", true}, Utf8Case{"threeByte", "\xE2\x82\xAC 5", true},
        Utf8Case{"fourByte", "\xF0\x9F\x98\x80", true},
        Utf8Case{"longAsciiThenAccent", std::string(40, 'a') + "\xC3\xA9" + std::string(40, 'b'), true},
        Utf8Case{"lone1252Accent", "caf\xE9", false}, Utf8Case{"cp1252Quotes", "\x93x\x94", false},
        Utf8Case{"overlongSlash", "\xC0\xAF", false}, Utf8Case{"overlongThree", "\xE0\x80\xAF", false},
        Utf8Case{"surrogate", "\xED\xA0\x80", false}, Utf8Case{"beyondMax", "\xF4\x90\x80\x80", false},
        Utf8Case{"leadF5", "\xF5\x80\x80\x80", false}, Utf8Case{"strayContinuation", "a\x80", false},
        Utf8Case{"cutAtEnd", "abc\xE2\x82", false},
        Utf8Case{"leadThenAscii",
                 "\xC3"
                 "a",
                 false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Utf8Validator, SequenceSplitAcrossPiecesIsAcceptedOnlyOnceFinished) {
    Utf8Validator validator;
    validator.feed("x\xF0\x9F");
    EXPECT_TRUE(validator.validSoFar());
    EXPECT_FALSE(validator.validComplete());
    validator.feed("\x98");
    EXPECT_FALSE(validator.validComplete());
    validator.feed("\x80y");
    EXPECT_TRUE(validator.validComplete());
    validator.feed("\xE2\x28");
    EXPECT_FALSE(validator.validSoFar());
}

TEST(Windows1252, MapsEveryByteIncludingTheUndefinedOnes) {
    EXPECT_EQ(windows1252ToUtf8("\x93quoted\x94 \x80 caf\xE9"), "\u201Cquoted\u201D \u20AC caf\u00E9");
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(windows1252ToUtf8("\xA0\xFF\x9F\x8C"), "\u00A0\u00FF\u0178\u0152");
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const std::string decoded = windows1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(decoded));
    EXPECT_EQ(decoded.substr(0, 128), all.substr(0, 128));
}

TEST(DecodeToUtf8, DropsBomKeepsUtf8AndFallsBackToWindows1252) {
    EXPECT_EQ(decodeToUtf8("\xEF\xBB\xBFPRE"), "PRE");
    EXPECT_EQ(decodeToUtf8("caf\xC3\xA9"), "caf\u00E9");
    EXPECT_EQ(decodeToUtf8("caf\xE9"), "caf\u00E9");
    EXPECT_EQ(decodeToUtf8("\xEF\xBB\xBF"
                           "caf\xE9"),
              "caf\u00E9");
    EXPECT_EQ(decodeToUtf8(""), "");
    EXPECT_EQ(decodeToUtf8("\xEF\xBB"), "\u00EF\u00BB");
}

TEST(EncodingDetector, SampleCutInsideACharacterStillCountsAsUtf8) {
    EncodingDetector detector;
    detector.feed("\xEF\xBB\xBF"
                  "abc\xC3");
    EXPECT_EQ(detector.decide(false), (EncodingDecision{TextEncoding::Utf8, 3}));
    EXPECT_EQ(detector.decide(true).encoding, TextEncoding::Windows1252);
    EXPECT_FALSE(detector.settled());
    detector.feed("(");
    EXPECT_TRUE(detector.settled());
    EXPECT_EQ(detector.decide(false).encoding, TextEncoding::Windows1252);
}

} // namespace
} // namespace quillon::files
