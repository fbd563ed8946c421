// Decoding sources that may not be UTF-8, and how well the code page of those that are
// not is found, on sources of our own in the code pages of Western Europe, Central
// Europe, Russia, the Arab world, Taiwan, China and Japan.

#include "io/text_codecs.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"

#include "file_layer_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iostream>
#include <random>
#include <string>

namespace quillon::files {
namespace {

using namespace std::string_literals;
using test::encodeAs;
using test::PhraseFile;
using test::phraseFiles;
using test::ScratchDir;
using test::writeBytes;

TEST(Utf8Validity, WholeAndFedByteByByteAgree) {
    struct Case {
        const char* name;
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"empty", "", true},
        {"ascii", "Dim x As Long ' ok", true},
        {"twoByte", "caf\xC3\xA9", true},
        {"threeByte", "\xE2\x82\xAC 5", true},
        {"fourByte", "\xF0\x9F\x98\x80", true},
        {"longAsciiThenAccent", std::string(40, 'a') + "\xC3\xA9" + std::string(40, 'b'), true},
        {"lone1252Accent", "caf\xE9", false},
        {"cp1252Quotes", "\x93x\x94", false},
        {"overlongSlash", "\xC0\xAF", false},
        {"overlongThree", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"beyondMax", "\xF4\x90\x80\x80", false},
        {"leadF5", "\xF5\x80\x80\x80", false},
        {"strayContinuation", "a\x80", false},
        {"cutAtEnd", "abc\xE2\x82", false},
        {"leadThenAscii",
         "\xC3"
         "a",
         false}};
    for (const Case& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.name;
        Utf8Validator validator;
        for (char byte : c.bytes) {
            validator.feed(std::string_view(&byte, 1));
        }
        EXPECT_EQ(validator.validComplete(), c.valid) << c.name;
    }
}

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
}

TEST(DecodeToUtf8, ByteOrderMarkDecidesElseUtf8ElseWindows1252) {
    EXPECT_EQ(decodeToUtf8(""), "");
    EXPECT_EQ(decodeToUtf8("caf\xC3\xA9"), "caf\u00E9");
    EXPECT_EQ(decodeToUtf8("' caf\xE9 \x93quoted\x94 \x80"), "' caf\u00E9 \u201Cquoted\u201D \u20AC");
    // UTF-8 marked as such keeps its lines; a line that is not UTF-8 after all is read as
    // Windows-1252 on its own.
    EXPECT_EQ(decodeToUtf8("\xEF\xBB\xBF"
                           "caf\xC3\xA9\r\n\x93q\x94\r\n\xC3\xA9"),
              "caf\u00E9\r\n\u201Cq\u201D\r\n\u00E9");
    EXPECT_EQ(decodeToUtf8("\xFF\xFE"
                           "a\0\xE9\0\r\0\n\0\xAC\x20\x3D\xD8\x00\xDE"s),
              "a\u00E9\r\n\u20AC\U0001F600");
    EXPECT_EQ(decodeToUtf8("\xFE\xFF\0a\x06\x27"s), "a\u0627");
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
        const auto characters = std::count_if(
            out.begin(), out.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
        EXPECT_GE(static_cast<std::size_t>(characters), bytes.size() / 4) << "pieces of " << piece;
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

TEST(TextDecoder, RejectedBytesAreCountedAndReadAsWindows1252ByteByByte) {
    const auto decoded = [](EncodingDecision decision, std::string_view bytes, std::size_t rejected) {
        TextDecoder decoder(decision);
        std::string out;
        decoder.decode(out, bytes);
        decoder.finish(out);
        EXPECT_EQ(decoder.rejectedBytes(), rejected) << decision.name();
        return out;
    };
    // Windows-1251 has no character at 0x98: it stays the control of that value.
    EXPECT_EQ(decoded(EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1251"}, "\xCF\xF0\xE8\x98", 1),
              "\u041F\u0440\u0438\u0098");
    // 0xA4 opens a two-byte Big5 character; a space cannot end one, and the text's end
    // cuts the last.
    EXPECT_EQ(decoded(EncodingDecision{TextEncoding::Legacy, 0, "CP950"}, "\xA4\xA4 \xA4 a\xA4", 2),
              "\u4E2D \u00A4 a\u00A4");
    // A surrogate without its partner, and an odd last byte.
    EXPECT_EQ(decoded(EncodingDecision{TextEncoding::Utf16LE},
                      "\x3D\xD8"
                      "A\0\x00\xDC"
                      "B"s,
                      5),
              "=\u00D8A\u0000\u00DCB"s);
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
              "\xFE\xFF\0a\xD8\x3D\xDE\x00"s);
    EXPECT_FALSE(encodeText("caf\xE9", EncodingDecision{TextEncoding::Utf8}).has_value());
}

std::string commentLines(const std::vector<std::string>& phrases) {
    std::string text;
    for (const std::string& phrase : phrases) {
        text += "' " + phrase + "\r\n";
    }
    return text;
}

// The labelled set: forms with 1 to 16 phrases of each language, every one in the code
// page its label names. A form counts as read right when its text comes back whole (an
// ISO-8859-1 answer for Windows-1252 text without its extra characters is as good). A
// file of all of a language's phrases is always read right.
TEST(EncodingDetection, AccuracyOnTheLabelledSet) {
    const std::vector<PhraseFile> files = phraseFiles();
    ASSERT_GE(files.size(), 10u);
    int right = 0;
    int all = 0;
    int lineRight = 0;
    int lines = 0;
    for (const PhraseFile& file : files) {
        const std::string text = commentLines(file.phrases);
        EXPECT_EQ(decodeToUtf8(encodeAs(text, file.encoding)), text) << file.label << " " << file.language;
        for (std::size_t count : {1, 2, 3, 4, 6, 8, 12, 16}) {
            for (std::size_t seed = 0; seed < 4; ++seed) {
                const std::string form = test::vb6Form(file.phrases, count, seed);
                right += decodeToUtf8(encodeAs(form, file.encoding)) == form ? 1 : 0;
                ++all;
            }
        }
        // A file of one short line is where any detector has least to go on.
        for (const std::string& phrase : file.phrases) {
            const std::string line = "' " + phrase + "\r\n";
            lineRight += decodeToUtf8(encodeAs(line, file.encoding)) == line ? 1 : 0;
            ++lines;
        }
    }
    std::cout << "Labelled set: " << right << " of " << all << " forms, " << lineRight << " of " << lines
              << " one-line files read as written\n";
    EXPECT_GE(all, 300);
    EXPECT_GE(static_cast<double>(right) / all, 0.9);
    EXPECT_GE(static_cast<double>(lineRight) / lines, 0.75);
}

// The sample is made of whole lines however the bytes arrive: a line cut between two
// pieces, or a character cut in two, changes nothing.
TEST(EncodingDetection, PiecesOfAnySizeGiveTheSameDecision) {
    for (const PhraseFile& file : phraseFiles()) {
        std::string text;
        for (std::size_t i = 0; text.size() < EncodingDetector::SampleSize + 5000; ++i) {
            text += "    x" + std::to_string(i) + " = x" + std::to_string(i) + " + 1\r\n";
            if (i % 5 == 0) {
                text += "    MsgBox \"" + file.phrases[i % file.phrases.size()] + "\"\r\n";
            }
        }
        for (const std::string& bytes : {encodeAs(text.substr(0, text.find('\n', 3000) + 1), file.encoding),
                                         encodeAs(text, file.encoding)}) {
            EncodingDetector whole;
            whole.feed(bytes);
            const EncodingDecision decision = whole.decide(true);
            EXPECT_EQ(decodeText(bytes, decision), decodeToUtf8(bytes));
            for (std::size_t piece : {1, 2, 7, 4096}) {
                EncodingDetector detector;
                for (std::size_t at = 0; at < bytes.size(); at += piece) {
                    detector.feed(std::string_view(bytes).substr(at, piece));
                }
                EXPECT_EQ(detector.decide(true), decision) << file.label << " in pieces of " << piece;
            }
        }
    }
}

TEST(EncodingDetection, DetectorAnswersBecomeWindowsCodePages) {
    struct Case {
        const char* detected;
        std::string sample;
        std::optional<EncodingDecision> decision;
    };
    const EncodingDecision w1252{TextEncoding::Windows1252};
    const auto legacy = [](const char* name) { return EncodingDecision{TextEncoding::Legacy, 0, name}; };
    const Case cases[] = {
        {"KOI8-R", "\xF0\xD2", legacy("WINDOWS-1251")},
        {"ISO-8859-6", "\xC7", legacy("WINDOWS-1256")},
        {"BIG5", "\xA4\xA4", legacy("CP950")},
        {"GB18030", "\xD6\xD0", legacy("CP936")},
        {"SHIFT_JIS", "\x95\x5C", legacy("CP932")},
        {"EUC-KR", "\xB0\xA1", legacy("CP949")},
        {"windows-1258", "\xD0\xE3", legacy("WINDOWS-1258")},
        // Windows-1250 and ISO-8859-2: bytes 0x80-0x9F are letters in the one, controls in
        // the other; ± or ¶ inside a word is a letter of the other read wrong.
        {"ISO-8859-2",
         "Pro\x9C"
         "ba",
         legacy("WINDOWS-1250")},
        {"WINDOWS-1250",
         "B\xB3\xB1"
         "d",
         legacy("ISO-8859-2")},
        {"WINDOWS-1250",
         "B\xB3\xB9"
         "d",
         legacy("WINDOWS-1250")},
        {"IBM852", "\xB9 5", legacy("WINDOWS-1250")},
        // Letters that read the same in Windows-1252 do not tell the code pages apart.
        {"ISO-8859-2", "caf\xE9", w1252},
        {"WINDOWS-1257", "\xF6\xFC", w1252},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detail::codePageFor(c.detected, c.sample), c.decision) << c.detected << " " << c.sample;
    }
    // Unicode, ASCII and what Windows never saved sources in are no code page; the Latin-1
    // family is Windows-1252.
    for (const char* none : {"", "ASCII", "UTF-8", "UTF-16", "ISO-2022-JP", "X-NO-SUCH-CODE-PAGE"}) {
        EXPECT_EQ(detail::codePageFor(none, "x\xE9"), std::nullopt) << none;
    }
    for (const char* latin : {"ISO-8859-1", "ISO-8859-15", "WINDOWS-1252"}) {
        EXPECT_EQ(detail::codePageFor(latin, "x\xE9"), w1252) << latin;
    }
}

// What the detector names must read every byte of the file; a file it cannot read whole
// is read as Windows-1252, even when what it cannot read comes long after the sample.
TEST(EncodingDetection, CodePageThatCannotReadEveryByteFallsBackToWindows1252) {
    const PhraseFile big5 = test::phrasesOf("big5");
    ASSERT_FALSE(big5.phrases.empty());
    std::string text;
    while (text.size() < 3 * EncodingDetector::SampleSize) {
        text += commentLines(big5.phrases);
    }
    const std::string good = encodeAs(text, "CP950");
    EXPECT_EQ(decodeToUtf8(good), text);
    // 0xFF opens no Big5 character.
    const std::string bad = good + "' \xFF\xFF\r\n";
    EXPECT_EQ(decodeToUtf8(bad), windows1252ToUtf8(bad));

    ScratchDir dir;
    writeBytes(dir / "good.frm", good);
    writeBytes(dir / "bad.frm", bad);
    EXPECT_EQ(TextReader((dir / "good.frm").string()).encoding(),
              (EncodingDecision{TextEncoding::Legacy, 0, "CP950"}));
    TextReader reader((dir / "bad.frm").string());
    EXPECT_EQ(reader.encoding(), EncodingDecision{TextEncoding::Windows1252});
    EXPECT_EQ(reader.ReadAll(), windows1252ToUtf8(bad));

    // ISO-8859-2 gives 0x80-0x9F to controls that no text holds.
    std::string polish;
    while (polish.size() < 2 * EncodingDetector::SampleSize) {
        polish += "' B\xB3\xB1"
                  "d po\xB3\xB1"
                  "czenia z baz\xB1 danych\r\n";
    }
    EXPECT_TRUE(decodeToUtf8(polish).starts_with("' B\u0142\u0105d po\u0142\u0105czenia"));
    EXPECT_EQ(decodeToUtf8(polish + "' \x93x\x94\r\n"), windows1252ToUtf8(polish + "' \x93x\x94\r\n"));
}

TEST(EncodingDetection, SampleStartsAtTheFirstTextThatIsNotAscii) {
    std::string text;
    for (int i = 0; text.size() < 3 * EncodingDetector::SampleSize; ++i) {
        text += "    Dim x" + std::to_string(i) + " As Long\r\n";
    }
    text += commentLines(test::phrasesOf("windows-1256").phrases);
    ScratchDir dir;
    writeBytes(dir / "late.bas", encodeAs(text, "WINDOWS-1256"));
    TextReader reader((dir / "late.bas").string());
    EXPECT_EQ(reader.encoding(), (EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1256"}));
    EXPECT_EQ(reader.ReadAll(), text);
}

} // namespace
} // namespace quillon::files
