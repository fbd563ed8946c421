// How well the code page of sources that are not UTF-8 is found, on sources of our own
// in the code pages of Western Europe, Central Europe, Russia, the Arab world, Taiwan,
// China and Japan.

#include "platform/files/text_codecs.h"
#include "platform/files/text_decoding.h"
#include "platform/files/text_reader.h"
#include "support/legacy_text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <iostream>
#include <map>
#include <string>

namespace quillon::files {
namespace {

using test::encodeAs;
using test::PhraseFile;
using test::phraseFiles;
using test::ScratchDir;
using test::vb6Form;
using test::writeBytes;

std::string commentLines(const std::vector<std::string>& phrases) {
    std::string text;
    for (const std::string& phrase : phrases) {
        text += "' " + phrase + "\r\n";
    }
    return text;
}

TEST(EncodingDetection, EveryLanguageOfOursIsReadAsWritten) {
    const std::vector<PhraseFile> files = phraseFiles();
    ASSERT_GE(files.size(), 10u);
    for (const PhraseFile& file : files) {
        const std::string text = commentLines(file.phrases);
        EXPECT_EQ(decodeToUtf8(encodeAs(text, file.encoding)), text) << file.label << " " << file.language;
    }
}

// The labelled set: forms with 1 to 16 phrases of each language, every one in the code
// page its label names. A form counts as read right when its text comes back whole (an
// ISO-8859-1 answer for Windows-1252 text without its extra characters is as good).
TEST(EncodingDetection, AccuracyOnTheLabelledSet) {
    std::map<std::string, std::pair<int, int>> byLabel; // right, all
    int right = 0;
    int all = 0;
    for (const PhraseFile& file : phraseFiles()) {
        for (std::size_t count : {1, 2, 3, 4, 6, 8, 12, 16}) {
            for (std::size_t seed = 0; seed < 4; ++seed) {
                const std::string form = vb6Form(file.phrases, count, seed);
                const bool ok = decodeToUtf8(encodeAs(form, file.encoding)) == form;
                auto& [labelRight, labelAll] = byLabel[file.label];
                labelRight += ok ? 1 : 0;
                ++labelAll;
                right += ok ? 1 : 0;
                ++all;
            }
        }
    }
    std::cout << "Labelled set: " << right << " of " << all << " forms read as written ("
              << std::setprecision(3) << 100.0 * right / all << "%)\n";
    for (const auto& [label, counts] : byLabel) {
        std::cout << "  " << std::left << std::setw(14) << label << counts.first << " of " << counts.second
                  << "\n";
    }
    EXPECT_GE(all, 300);
    EXPECT_GE(static_cast<double>(right) / all, 0.9);

    // A file of one short line is where any detector has least to go on.
    int lineRight = 0;
    int lines = 0;
    for (const PhraseFile& file : phraseFiles()) {
        for (const std::string& phrase : file.phrases) {
            const std::string line = "' " + phrase + "\r\n";
            lineRight += decodeToUtf8(encodeAs(line, file.encoding)) == line ? 1 : 0;
            ++lines;
        }
    }
    std::cout << "One-line files: " << lineRight << " of " << lines << " read as written ("
              << std::setprecision(3) << 100.0 * lineRight / lines << "%)\n";
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
    const Case cases[] = {
        {"", "x\xE9", std::nullopt},
        {"ASCII", "x\xE9", std::nullopt},
        {"UTF-8", "x\xE9", std::nullopt},
        {"UTF-16", "x\xE9", std::nullopt},
        {"ISO-2022-JP", "x\xE9", std::nullopt},
        {"X-NO-SUCH-CODE-PAGE", "x\xE9", std::nullopt},
        {"ISO-8859-1", "x\xE9", EncodingDecision{TextEncoding::Windows1252}},
        {"ISO-8859-15", "x\xE9", EncodingDecision{TextEncoding::Windows1252}},
        {"WINDOWS-1252", "x\xE9", EncodingDecision{TextEncoding::Windows1252}},
        {"KOI8-R", "\xF0\xD2", EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1251"}},
        {"ISO-8859-6", "\xC7", EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1256"}},
        {"BIG5", "\xA4\xA4", EncodingDecision{TextEncoding::Legacy, 0, "CP950"}},
        {"GB18030", "\xD6\xD0", EncodingDecision{TextEncoding::Legacy, 0, "CP936"}},
        {"SHIFT_JIS", "\x95\x5C", EncodingDecision{TextEncoding::Legacy, 0, "CP932"}},
        {"EUC-KR", "\xB0\xA1", EncodingDecision{TextEncoding::Legacy, 0, "CP949"}},
        {"windows-1258", "\xD0\xE3", EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1258"}},
        // Windows-1250 and ISO-8859-2: bytes 0x80-0x9F are letters in the one, controls in
        // the other; ± or ¶ inside a word is a letter of the other read wrong.
        {"ISO-8859-2",
         "Pro\x9C"
         "ba",
         EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1250"}},
        {"WINDOWS-1250",
         "B\xB3\xB1"
         "d",
         EncodingDecision{TextEncoding::Legacy, 0, "ISO-8859-2"}},
        {"WINDOWS-1250",
         "B\xB3\xB9"
         "d",
         EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1250"}},
        {"IBM852", "\xB9 5", EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1250"}},
        // Letters that read the same in Windows-1252 do not tell the code pages apart.
        {"ISO-8859-2", "caf\xE9", EncodingDecision{TextEncoding::Windows1252}},
        {"WINDOWS-1257", "\xF6\xFC", EncodingDecision{TextEncoding::Windows1252}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detail::codePageFor(c.detected, c.sample), c.decision) << c.detected << " " << c.sample;
    }
}

// What the detector names must read every byte of the file; a file it cannot read whole
// is read as Windows-1252, even when what it cannot read comes long after the sample.
TEST(EncodingDetection, CodePageThatCannotReadEveryByteFallsBackToWindows1252) {
    const PhraseFile big5 = [] {
        for (const PhraseFile& file : phraseFiles()) {
            if (file.label == "big5") {
                return file;
            }
        }
        return PhraseFile{};
    }();
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
    std::string ascii;
    for (int i = 0; ascii.size() < 3 * EncodingDetector::SampleSize; ++i) {
        ascii += "    Dim x" + std::to_string(i) + " As Long\r\n";
    }
    PhraseFile arabic;
    for (const PhraseFile& file : phraseFiles()) {
        if (file.label == "windows-1256") {
            arabic = file;
        }
    }
    ASSERT_FALSE(arabic.phrases.empty());
    const std::string text = ascii + commentLines(arabic.phrases);
    ScratchDir dir;
    writeBytes(dir / "late.bas", encodeAs(text, "WINDOWS-1256"));
    TextReader reader((dir / "late.bas").string());
    EXPECT_EQ(reader.encoding(), (EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1256"}));
    EXPECT_EQ(reader.ReadAll(), text);
}

} // namespace
} // namespace quillon::files
