// Decoding sources that may not be UTF-8, and how well the code page of those that are
// not is found, on sources of our own in the code pages of Western Europe, Central
// Europe, Russia, the Arab world, Taiwan, China and Japan.

#include "io/text_decoding.h"

#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <random>
#include <string>

namespace quillon::files {
namespace {

using namespace std::string_literals;
using test::encodeAs;
using test::PhraseFile;
using test::phraseFiles;

const EncodingDecision Western{TextEncoding::Windows1252};
EncodingDecision legacy(const char* name, std::size_t bom = 0) {
    return EncodingDecision{TextEncoding::Legacy, bom, name};
}

TEST(Utf8Validity, WholeAndFedByteByByteAgree) {
    const std::pair<std::string, bool> cases[] = {
        {"Dim x ' caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
        {std::string(40, 'a') + "\xC3\xA9" + std::string(40, 'b'), true},
        {"caf\xE9", false},
        {"\xC0\xAF", false},         // overlong
        {"\xE0\x80\xAF", false},     // overlong
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // beyond U+10FFFF
        {"a\x80", false},
        {"abc\xE2\x82", false},
        {"\xC3\x61", false}};
    for (const auto& [bytes, valid] : cases) {
        EXPECT_EQ(isValidUtf8(bytes), valid) << bytes;
        Utf8Validator validator;
        for (char byte : bytes) {
            validator.feed(std::string_view(&byte, 1));
        }
        EXPECT_EQ(validator.validComplete(), valid) << bytes;
    }
}

// What a decoder makes of bytes in a known encoding, whole and fed a byte at a time: a
// byte the code page cannot read becomes its Windows-1252 character (U+FFFD where that
// has none), and the text around it stays in the code page.
TEST(TextDecoder, ReadsTheCodePageAndEachRejectedByteAsWindows1252) {
    struct Case {
        EncodingDecision decision;
        std::string bytes;
        std::string text;
        std::size_t rejected;
    };
    const Case cases[] = {
        {Western, "\x93q\x94 \x80 caf\xE9 \x81\x8D\x8F\x90\x9D",
         "\u201Cq\u201D \u20AC caf\u00E9 \u0081\u008D\u008F\u0090\u009D", 0},
        {legacy("WINDOWS-1251"), "\xCF\xF0\xE8\x98", "\u041F\u0440\u0438\u02DC", 1},
        {legacy("WINDOWS-1256"), "\xE3\xE1\xDD = \x80", "\u0645\u0644\u0641 = \u20AC", 0},
        // 0xA4 opens a two-byte Big5 character; a space cannot end one, 0xFF opens none,
        // and the text's end cuts the last.
        {legacy("CP950"), "\xA4\xA4 \xA4 \xFF\x81\xA4\xA4 a\xA4", "\u4E2D \u00A4 \u00FF\uFFFD\u4E2D a\u00A4",
         4},
        {legacy("CP932"), "\x93\xfa\x96\x7b", "\u65E5\u672C", 0},
        {EncodingDecision{TextEncoding::Utf16LE}, "a\0\xE9\0\x3D\xD8\x00\xDE\x3D\xD8\x41\0"s,
         "a\u00E9\U0001F600=\u00D8A", 2},
        {EncodingDecision{TextEncoding::Utf16BE}, "\0a\x06\x27"s, "a\u0627", 0},
        {legacy("UTF-32LE"), "a\0\0\0\0\xF6\x01\0"s, "a\U0001F600", 0},
        {legacy("UTF-32BE"), "\0\0\0a\0\0\x06\x27"s, "a\u0627", 0},
    };
    for (const Case& c : cases) {
        for (std::size_t piece : {c.bytes.size(), std::size_t{1}}) {
            TextDecoder decoder(c.decision);
            std::string out;
            for (std::size_t at = 0; at < c.bytes.size(); at += piece) {
                decoder.decode(out, std::string_view(c.bytes).substr(at, piece));
            }
            decoder.finish(out);
            EXPECT_EQ(out, c.text) << c.decision.name() << " in pieces of " << piece;
            EXPECT_EQ(decoder.rejectedBytes(), c.rejected) << c.decision.name();
        }
    }
    // Whatever the bytes, every code page gives valid UTF-8.
    std::string noise;
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        noise.push_back(static_cast<char>(i < 256 ? i : static_cast<int>(random() % 256)));
    }
    for (const Case& c : cases) {
        EXPECT_TRUE(isValidUtf8(decodeText(noise, c.decision))) << c.decision.name();
    }
}

// The whole rule on small files: byte-order marks, UTF-8, and the code page a VB6 author's
// Windows saved the file in.
// The descriptive block of a form whose font has `charset`.
std::string formIn(int charset) {
    return "VERSION 5.00\r\nBegin VB.Form F\r\n   BeginProperty Font\r\n      Charset         =   " +
           std::to_string(charset) + "\r\n   EndProperty\r\nEnd\r\nAttribute VB_Name = \"F\"\r\n";
}

TEST(DecodeToUtf8, TakesTheEncodingTheAuthorUsed) {
    const std::string big5 = encodeAs("' \u8A02\u4F4D\u5B8C\u6210\uFF0C\u7ACB\u5373\u95DC\u6A94\u3002"
                                      "\u986F\u793A\u4E00\u53E5\u8A0A\u606F\r\n",
                                      "CP950");
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"caf\xC3\xA9", "caf\u00E9"},
        {"' caf\xE9 \x93quoted\x94 \x80", "' caf\u00E9 \u201Cquoted\u201D \u20AC"},
        // UTF-8 marked as such keeps its lines; a line that is not UTF-8 after all is read
        // as Windows-1252 on its own.
        {"\xEF\xBB\xBF\x63\x61\x66\xC3\xA9\r\n\x93q\x94", "caf\u00E9\r\n\u201Cq\u201D"},
        {"\xFF\xFEH\0i\0"s, "Hi"},
        {"\xFE\xFF\0H\0i"s, "Hi"},
        {"\xFF\xFE\0\0H\0\0\0i\0\0\0"s, "Hi"},
        {"\0\0\xFE\xFF\0\0\0H\0\0\0i"s, "Hi"},
        // A few Western letters and symbols are no evidence for a rarer code page.
        {"MsgBox \"\xBF\x43onfirma la operaci\xF3n?\"", "MsgBox \"\u00BFConfirma la operaci\u00F3n?\""},
        {"' \xA9 2003 Soft\xAE", "' \u00A9 2003 Soft\u00AE"},
        {"' B\xB3\xB9\x64 po\xB3\xB9\x63zenia z baz\xB9 danych i pliku \x9C\x63ie\xBF\x6Bi",
         "' B\u0142\u0105d po\u0142\u0105czenia z baz\u0105 danych i pliku \u015Bcie\u017Cki"},
        // One byte Big5 cannot read does not turn the rest of the file into Latin letters.
        {big5 + "' \xFF\r\n" + big5,
         decodeText(big5, legacy("CP950")) + "' \u00FF\r\n" + decodeText(big5, legacy("CP950"))},
        // A form's font names the code page of its few Chinese characters.
        {formIn(136) + "' \xA4\xA4\r\n", formIn(136) + "' \u4E2D\r\n"},
        // Hebrew fonts do not make Hebrew letters of the accents of Spanish words.
        {formIn(177) + "MsgBox \"M\xF3vil: \xE9sta\"\r\n",
         formIn(177) + "MsgBox \"M\u00F3vil: \u00E9sta\"\r\n"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(decodeToUtf8(bytes), text) << bytes;
    }
}

// The labelled set: forms with 1 to 16 phrases of each language, every one in the code
// page its label names, with and without the font's charset. A file of all of a
// language's phrases is always read right.
TEST(EncodingDetection, AccuracyOnTheLabelledSet) {
    const std::map<std::string, int> charsets = {
        {"big5", 136},         {"gb2312", 134},     {"shift_jis", 128},   {"windows-1250", 238},
        {"windows-1251", 204}, {"windows-1252", 0}, {"windows-1256", 178}};
    int right = 0;
    int named = 0;
    int all = 0;
    for (const PhraseFile& file : phraseFiles()) {
        std::string text;
        for (const std::string& phrase : file.phrases) {
            text += "' " + phrase + "\r\n";
        }
        EXPECT_EQ(decodeToUtf8(encodeAs(text, file.encoding)), text) << file.label << " " << file.language;
        for (std::size_t count : {1, 2, 3, 4, 6, 8, 12, 16}) {
            for (std::size_t seed = 0; seed < 4; ++seed) {
                const std::string form = test::vb6Form(file.phrases, count, seed);
                right += decodeToUtf8(encodeAs(form, file.encoding)) == form ? 1 : 0;
                const std::string withFont =
                    test::vb6Form(file.phrases, count, seed, charsets.at(file.label));
                named += decodeToUtf8(encodeAs(withFont, file.encoding)) == withFont ? 1 : 0;
                ++all;
            }
        }
    }
    std::cout << "Labelled set: " << right << " of " << all << " forms read as written, " << named
              << " when their font names the charset\n";
    EXPECT_GE(all, 300);
    EXPECT_GE(static_cast<double>(right) / all, 0.9);
    EXPECT_EQ(named, all);
}

// The sample is the same however the bytes arrive: a line or a character cut between two
// pieces changes nothing.
TEST(EncodingDetection, PiecesOfAnySizeGiveTheSameVerdict) {
    for (const PhraseFile& file : phraseFiles()) {
        std::string text;
        for (std::size_t i = 0; text.size() < 3 * EncodingDetector::SampleSize; ++i) {
            text += "    x" + std::to_string(i) + " = x" + std::to_string(i) + " + 1\r\n";
            if (i % 5 == 0) {
                text += "    MsgBox \"" + file.phrases[i % file.phrases.size()] + "\"\r\n";
            }
        }
        const std::string bytes = encodeAs(text, file.encoding);
        EncodingDetector whole;
        whole.feed(bytes);
        const EncodingVerdict verdict = whole.verdict(true);
        EXPECT_EQ(decodeText(bytes, verdict.decision), text) << file.label << " " << file.language;
        for (std::size_t piece : {1, 7, 4096}) {
            EncodingDetector detector;
            for (std::size_t at = 0; at < bytes.size(); at += piece) {
                detector.feed(std::string_view(bytes).substr(at, piece));
            }
            EXPECT_EQ(detector.verdict(true).decision, verdict.decision)
                << file.label << " in pieces of " << piece;
        }
    }
}

TEST(EncodingDetection, DetectorAnswersBecomeWindowsCodePages) {
    const std::pair<const char*, std::optional<EncodingDecision>> cases[] = {
        // One answer of each kind, not every entry of the alias table again.
        {"KOI8-R", legacy("WINDOWS-1251")},
        {"BIG5", legacy("CP950")},
        {"windows-1258", legacy("WINDOWS-1258")},
        {"ISO-8859-2", legacy("WINDOWS-1250")},
        {"ISO-8859-1", Western},
        {"", std::nullopt},
        {"UTF-16", std::nullopt},
        {"ISO-2022-JP", std::nullopt},
        {"X-NO-SUCH-CODE-PAGE", std::nullopt},
    };
    for (const auto& [detected, decision] : cases) {
        EXPECT_EQ(detail::codePageFor(detected, "\xB3\xB9\xA4\xA4\xC7\xF0\xD2"), decision) << detected;
    }
    // Letters that read the same in Windows-1252 do not tell the code pages apart.
    EXPECT_EQ(detail::codePageFor("WINDOWS-1257", "\xF6\xFC"), Western);
}

TEST(EncodingNamed, TakesWhatIconvKnowsAndWritesItBack) {
    EXPECT_EQ(encodingNamed("cp1252"), Western);
    EXPECT_EQ(encodingNamed("Big5-HKSCS"), legacy("BIG5-HKSCS"));
    for (const char* unknown : {"", "klingon", "CP1252//IGNORE", "auto"}) {
        EXPECT_FALSE(encodingNamed(unknown).has_value()) << unknown;
    }
    EXPECT_EQ(encodeText("\u0645 = \u20AC", legacy("WINDOWS-1256")), "\xE3 = \x80");
    EXPECT_FALSE(encodeText("\u65E5", legacy("WINDOWS-1256")).has_value());
    EXPECT_EQ(encodeText("a\U0001F600", EncodingDecision{TextEncoding::Utf16BE, 2}),
              "\xFE\xFF\0a\xD8\x3D\xDE\x00"s);
    EXPECT_EQ(encodeText("a", legacy("UTF-32LE", 4)), "\xFF\xFE\0\0a\0\0\0"s);
}

} // namespace
} // namespace quillon::files
