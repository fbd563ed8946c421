#include "platform/files/text_decoding.h"
#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

namespace quillon::files {
namespace {

using namespace std::string_literals;

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
    EXPECT_EQ(decodeToUtf8("' caf\xE9 \x93quoted\x94 \x80"), "' caf\u00E9 \u201Cquoted\u201D \u20AC");
    EXPECT_EQ(decodeToUtf8(""), "");
}

TEST(DecodeToUtf8, ByteOrderMarkDecides) {
    // UTF-8 marked as such keeps its lines; a line that is not UTF-8 after all is read as
    // Windows-1252 on its own.
    EXPECT_EQ(decodeToUtf8("\xEF\xBB\xBF"
                           "caf\xC3\xA9\r\n\x93q\x94\r\n\xC3\xA9"),
              "caf\u00E9\r\n\u201Cq\u201D\r\n\u00E9");
    EXPECT_EQ(decodeToUtf8(std::string("\xFF\xFE"
                                       "a\0\xE9\0\r\0\n\0\xAC\x20\x3D\xD8\x00\xDE",
                                       16)),
              "a\u00E9\r\n\u20AC\U0001F600");
    EXPECT_EQ(decodeToUtf8(std::string("\xFE\xFF\0a\x06\x27", 6)), "a\u0627");
}

TEST(EncodingDetector, Utf8BomDecidesAndOnlyLinesAreLeftToCheck) {
    EncodingDetector detector;
    detector.feed("\xEF\xBB\xBF"
                  "abc\xC3");
    EXPECT_EQ(detector.decide(false), (EncodingDecision{TextEncoding::Utf8, 3, {}, true}));
    EXPECT_FALSE(detector.settled());
    detector.feed("(");
    EXPECT_TRUE(detector.settled());
    EXPECT_EQ(detector.decide(true), (EncodingDecision{TextEncoding::Utf8, 3, {}, true}));
}

TEST(EncodingDetector, SampleCutInsideACharacterStillCountsAsUtf8) {
    EncodingDetector detector;
    detector.feed("abc\xC3");
    EXPECT_EQ(detector.decide(false), (EncodingDecision{TextEncoding::Utf8, 0, {}, true}));
    EXPECT_NE(detector.decide(true).encoding, TextEncoding::Utf8);
    EXPECT_FALSE(detector.settled());
    detector.feed("\xA9");
    EXPECT_EQ(detector.decide(true), (EncodingDecision{TextEncoding::Utf8}));
}

TEST(EncodingDetector, Utf16BomSettlesAtOnce) {
    EncodingDetector detector;
    detector.feed("\xFF\xFE");
    EXPECT_TRUE(detector.settled());
    EXPECT_EQ(detector.decide(false), (EncodingDecision{TextEncoding::Utf16LE, 2}));
}

// Every byte becomes some character, whatever the encoding and however the bytes are
// cut: no byte is dropped and none becomes U+FFFD.
class EveryByteDecodes : public ::testing::TestWithParam<EncodingDecision> {};

TEST_P(EveryByteDecodes, AllBytesAndRandomBytesGiveValidUtf8) {
    std::string bytes;
    for (int byte = 0; byte < 256; ++byte) {
        bytes.push_back(static_cast<char>(byte));
    }
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        bytes.push_back(static_cast<char>(random() % 256));
    }
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4096}}) {
        TextDecoder decoder(GetParam());
        std::string out;
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            decoder.decode(out, std::string_view(bytes).substr(at, piece));
        }
        decoder.finish(out);
        ASSERT_TRUE(isValidUtf8(out)) << "pieces of " << piece;
        EXPECT_EQ(out.find("\xEF\xBF\xBD"), std::string::npos) << "pieces of " << piece;
        EXPECT_FALSE(decoder.pending());
        // Any encoding spends at most 4 bytes on a character.
        std::size_t characters = 0;
        for (char c : out) {
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        }
        EXPECT_GE(characters, bytes.size() / 4) << "pieces of " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, EveryByteDecodes,
                         ::testing::Values(EncodingDecision{TextEncoding::Windows1252},
                                           EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1251"},
                                           EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1256"},
                                           EncodingDecision{TextEncoding::Legacy, 0, "ISO-8859-2"},
                                           EncodingDecision{TextEncoding::Legacy, 0, "CP950"},
                                           EncodingDecision{TextEncoding::Legacy, 0, "CP936"},
                                           EncodingDecision{TextEncoding::Legacy, 0, "CP932"},
                                           EncodingDecision{TextEncoding::Legacy, 0, "ISO-2022-JP"},
                                           EncodingDecision{TextEncoding::Utf16LE},
                                           EncodingDecision{TextEncoding::Utf16BE}),
                         [](const auto& param) {
                             std::string name = param.param.name();
                             std::erase_if(
                                 name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

TEST(TextDecoder, SingleByteCodePageCountsEachByteOnce) {
    // Windows-1251 has no character at 0x98: it stays the control of that value.
    TextDecoder decoder(EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1251"});
    std::string out;
    decoder.decode(out, "\xCF\xF0\xE8\x98");
    EXPECT_EQ(out, "\u041F\u0440\u0438\u0098");
    EXPECT_EQ(decoder.rejectedBytes(), 1u);
}

TEST(TextDecoder, RejectedSequencesAreReadAsWindows1252ByteByByte) {
    // 0xA4 opens a two-byte Big5 character; a space cannot end one, and the text's end
    // cuts the last.
    TextDecoder big5(EncodingDecision{TextEncoding::Legacy, 0, "CP950"});
    std::string out;
    big5.decode(out, "\xA4\xA4 \xA4 a\xA4");
    EXPECT_TRUE(big5.pending());
    big5.finish(out);
    EXPECT_EQ(out, "\u4E2D \u00A4 a\u00A4");
    EXPECT_EQ(big5.rejectedBytes(), 2u);

    // A surrogate without its partner, and an odd last byte.
    TextDecoder utf16(EncodingDecision{TextEncoding::Utf16LE});
    out.clear();
    utf16.decode(out, std::string("\x3D\xD8"
                                  "A\0\x00\xDC"
                                  "B",
                                  7));
    utf16.finish(out);
    EXPECT_EQ(out, "=\u00D8A\u0000\u00DCB"s);
    EXPECT_EQ(utf16.rejectedBytes(), 5u);
}

TEST(EncodingNamed, TakesWhatIconvKnowsWithoutRegardToCase) {
    EXPECT_EQ(encodingNamed("utf-8"), (EncodingDecision{TextEncoding::Utf8, 0, {}, true}));
    EXPECT_EQ(encodingNamed("UTF-16le"), EncodingDecision{TextEncoding::Utf16LE});
    EXPECT_EQ(encodingNamed("cp1252"), EncodingDecision{TextEncoding::Windows1252});
    EXPECT_EQ(encodingNamed("cp1251"), (EncodingDecision{TextEncoding::Legacy, 0, "CP1251"}));
    EXPECT_EQ(encodingNamed("Big5-HKSCS"), (EncodingDecision{TextEncoding::Legacy, 0, "BIG5-HKSCS"}));
    for (const char* unknown : {"", "klingon", "CP1252//IGNORE", "UTF-8//TRANSLIT", "auto"}) {
        EXPECT_FALSE(encodingNamed(unknown).has_value()) << unknown;
    }
}

TEST(EncodeText, WritesTheCodePageOrNothing) {
    const EncodingDecision arabic{TextEncoding::Legacy, 0, "WINDOWS-1256"};
    const std::string text = "\u0645\u0644\u0641 = \u20AC";
    const std::optional<std::string> bytes = encodeText(text, arabic);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, "\xE3\xE1\xDD = \x80");
    EXPECT_EQ(decodeText(*bytes, arabic), text);
    EXPECT_FALSE(encodeText("\u65E5", arabic).has_value());
    EXPECT_EQ(encodeText("\u20AC\u0081", EncodingDecision{TextEncoding::Windows1252}), "\x80\x81");
    EXPECT_FALSE(encodeText("\u0080", EncodingDecision{TextEncoding::Windows1252}).has_value());
    EXPECT_EQ(encodeText("a\U0001F600", EncodingDecision{TextEncoding::Utf16BE, 2}),
              std::string("\xFE\xFF\0a\xD8\x3D\xDE\x00", 8));
    EXPECT_FALSE(encodeText("caf\xE9", EncodingDecision{TextEncoding::Utf8}).has_value());
}

} // namespace
} // namespace quillon::files
