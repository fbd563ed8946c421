#include "platform/files/file_system.h"
#include "platform/files/text_reader.h"
#include "support/legacy_text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillon::files {
namespace {

using test::encodeAs;
using test::PhraseFile;
using test::phraseFiles;
using test::ScratchDir;
using test::writeBytes;

constexpr std::size_t Chunk = TextReader::ChunkSize;

std::vector<std::string> readAllLines(const std::string& path) {
    TextReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line)) {
        lines.push_back(line);
    }
    EXPECT_TRUE(reader.AtEndOfStream());
    return lines;
}

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    for (std::string_view line : splitTextLines(text)) {
        lines.emplace_back(line);
    }
    return lines;
}

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};
void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.name;
}

class LineBreaks : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineBreaks, ReaderAndSplitterAgree) {
    const LineCase& c = GetParam();
    ScratchDir dir;
    const std::string path = (dir / "source.bas").string();
    writeBytes(path, c.bytes);
    EXPECT_EQ(readAllLines(path), c.lines);
    EXPECT_EQ(linesOf(decodeToUtf8(c.bytes)), c.lines);
}

const std::string LongA(Chunk - 1, 'a');

INSTANTIATE_TEST_SUITE_P(
    Files, LineBreaks,
    ::testing::Values(LineCase{"empty", "", {}}, LineCase{"crlf", "a\r\nb\r\n", {"a", "b"}},
                      LineCase{"lf", "a\nb\n", {"a", "b"}}, LineCase{"loneCr", "a\rb\r", {"a", "b"}},
                      LineCase{"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                      LineCase{"noFinalBreak", "x = 1\r\ny = 2", {"x = 1", "y = 2"}},
                      LineCase{"blankLines", "\r\n\n\r\r\n", {"", "", "", ""}},
                      LineCase{"lfCr", "a\n\rb", {"a", "", "b"}}, LineCase{"onlyBreak", "\r\n", {""}},
                      LineCase{"bom",
                               "\xEF\xBB\xBF"
                               "Attribute\r\nx",
                               {"Attribute", "x"}},
                      LineCase{"bomOnly", "\xEF\xBB\xBF", {}},
                      // The chunk ends between CR and LF: still one line break.
                      LineCase{"crlfSplitByChunk", LongA + "\r\nb", {LongA, "b"}},
                      LineCase{"crlfSplitByChunkAtEnd", LongA + "\r\n", {LongA}},
                      LineCase{"crSplitByChunkThenCr", LongA + "\r\r", {LongA, ""}},
                      LineCase{"lineAcrossChunks",
                               std::string(3 * Chunk + 5, 'q') + "\nz",
                               {std::string(3 * Chunk + 5, 'q'), "z"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TextReader, RandomBreaksAroundChunkEdgesMatchTheSplitter) {
    std::mt19937 random(20240611);
    const char alphabet[] = {'a', 'b', '\r', '\n', ' ', '\t'};
    for (int round = 0; round < 4; ++round) {
        std::string bytes;
        const std::size_t size = 2 * Chunk + random() % 4096;
        while (bytes.size() < size) {
            // Long runs of text with bursts of breaks, so breaks land on every offset.
            if (random() % 8 == 0) {
                bytes += alphabet[2 + random() % 2];
            } else {
                bytes += alphabet[random() % 6];
            }
        }
        ScratchDir dir;
        const std::string path = (dir / "random.txt").string();
        writeBytes(path, bytes);
        EXPECT_EQ(readAllLines(path), linesOf(bytes)) << "round " << round;
    }
}

TEST(TextReader, EmptyFileIsAtEndAndReadingRaises62NamingThePath) {
    ScratchDir dir;
    const std::string path = (dir / "empty.bas").string();
    writeBytes(path, "");
    TextReader reader(path);
    EXPECT_TRUE(reader.AtEndOfStream());
    EXPECT_EQ(reader.ReadAll(), "");
    try {
        reader.ReadLine();
        FAIL() << "no error";
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), 62);
        EXPECT_EQ(error.description(), "Input past end of file: " + path);
    }
}

TEST(TextReader, VbStyleCallsReadLineByLineThenTheRest) {
    ScratchDir dir;
    const std::string path = (dir / "form.frm").string();
    writeBytes(path, "VERSION 5.00\r\nBegin\r\n  x\r\nEnd\r\n");
    TextReader reader = OpenTextFile(path);
    EXPECT_FALSE(reader.AtEndOfStream());
    EXPECT_EQ(reader.ReadLine(), "VERSION 5.00");
    EXPECT_EQ(reader.ReadAll(), "Begin\r\n  x\r\nEnd\r\n");
    EXPECT_TRUE(reader.AtEndOfStream());
    EXPECT_THROW(reader.ReadLine(), VbError);
    reader.Close();
    reader.Close();
    EXPECT_TRUE(reader.AtEndOfStream());
}

TEST(TextReader, ReadAllAfterACrEndingAChunkDoesNotStartWithItsLf) {
    ScratchDir dir;
    const std::string path = (dir / "split.txt").string();
    writeBytes(path, LongA + "\r\nrest\r\n");
    TextReader reader(path);
    EXPECT_EQ(reader.ReadLine(), LongA);
    EXPECT_EQ(reader.ReadAll(), "rest\r\n");
}

TEST(TextReader, Windows1252FileIsDecoded) {
    ScratchDir dir;
    const std::string path = (dir / "old.bas").string();
    writeBytes(path, "s = \x93quoted\x94\r\nPrice = \"5 \x80\" ' caf\xE9\r\n\x81");
    TextReader reader(path);
    EXPECT_EQ(reader.encoding().encoding, TextEncoding::Windows1252);
    EXPECT_EQ(reader.ReadLine(), "s = \u201Cquoted\u201D");
    EXPECT_EQ(reader.ReadLine(), "Price = \"5 \u20AC\" ' caf\u00E9");
    EXPECT_EQ(reader.ReadLine(), "\u0081");
}

TEST(TextReader, OneLateNonUtf8ByteMakesTheWholeFileALegacyCodePage) {
    ScratchDir dir;
    const std::string path = (dir / "late.bas").string();
    std::string bytes = "caf\xC3\xA9\n";
    for (int i = 0; bytes.size() < 3 * Chunk; ++i) {
        bytes += "Dim x" + std::to_string(i) + " As Long\r\n";
    }
    bytes += "' \x93the end\x94";
    writeBytes(path, bytes);
    EXPECT_NE(TextReader(path).encoding().encoding, TextEncoding::Utf8);
    const auto lines = readAllLines(path);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front(), "caf\u00E9");
    EXPECT_EQ(lines.back(), "' \u201Cthe end\u201D");
}

TEST(TextReader, Utf8WithBomIsReadAsUtf8) {
    ScratchDir dir;
    const std::string path = (dir / "utf8.bas").string();
    writeBytes(path, "\xEF\xBB\xBF' caf\xC3\xA9 \xE2\x82\xAC\r\n");
    TextReader reader(path);
    EXPECT_EQ(reader.encoding(), (EncodingDecision{TextEncoding::Utf8, 3}));
    EXPECT_EQ(reader.ReadLine(), "' caf\u00E9 \u20AC");
    EXPECT_EQ(reader.bytesConsumed(), reader.size());
}

TEST(TextReader, LargeFileStreamsEveryLineAndCountsItsBytes) {
    ScratchDir dir;
    const std::string path = (dir / "large.bas").string();
    const std::string line = "    If x(i) > 0 Then Total = Total + x(i) ' sum \xC3\xA9\r\n";
    std::string bytes;
    bytes.reserve(8 << 20);
    std::size_t count = 0;
    while (bytes.size() + line.size() <= (8u << 20)) {
        bytes += line;
        ++count;
    }
    writeBytes(path, bytes);
    TextReader reader(path);
    EXPECT_EQ(reader.size(), bytes.size());
    std::string read;
    std::size_t lines = 0;
    bool allSame = true;
    while (reader.readLine(read)) {
        allSame = allSame && read.size() + 2 == line.size();
        ++lines;
    }
    EXPECT_EQ(lines, count);
    EXPECT_TRUE(allSame);
    EXPECT_EQ(reader.bytesConsumed(), bytes.size());
}

TEST(TextReader, PipeIsReadFromItsFirstChunkAndLaterLinesFallBackOneByOne) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::string bytes;
    while (bytes.size() < 2 * Chunk) {
        bytes += "caf\xC3\xA9\n";
    }
    bytes += "\x93quoted\x94\n";
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(ends[1], bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::close(ends[1]);
    });
    std::vector<std::string> lines;
    {
        TextReader reader("/dev/fd/" + std::to_string(ends[0]));
        EXPECT_EQ(reader.size(), 0u);
        std::string line;
        while (reader.readLine(line)) {
            lines.push_back(line);
        }
    }
    writer.join();
    ::close(ends[0]);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "caf\u00E9");
    EXPECT_EQ(lines.back(), "\u201Cquoted\u201D");
}

struct OpenFailure {
    const char* name;
    std::string relative; // under the scratch folder
    int number;
    const char* description;
};
void PrintTo(const OpenFailure& c, std::ostream* out) {
    *out << c.name;
}

class TextReaderOpen : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(TextReaderOpen, RaisesTheMatchingErrorNamingThePath) {
    const OpenFailure& c = GetParam();
    ScratchDir dir;
    std::filesystem::create_directory(dir / "folder");
    const std::string path = (dir.path() / c.relative).string();
    try {
        TextReader reader(path);
        FAIL() << "opened " << path;
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), c.number);
        EXPECT_EQ(error.description(), std::string(c.description) + ": " + path);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Errors, TextReaderOpen,
    ::testing::Values(OpenFailure{"missingFile", "missing.bas", 53, "File not found"},
                      OpenFailure{"missingFolder", "nowhere/missing.bas", 76, "Path not found"},
                      OpenFailure{"folderAsFile", "folder", 75, "Path/File access error"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TextReader, UnreadableFileRaises70) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    ScratchDir dir;
    const std::string path = (dir / "secret.bas").string();
    writeBytes(path, "x");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    try {
        TextReader reader(path);
        FAIL() << "opened " << path;
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), 70);
    }
}

PhraseFile phrasesOf(const std::string& label) {
    for (PhraseFile& file : phraseFiles()) {
        if (file.label == label) {
            return file;
        }
    }
    ADD_FAILURE() << "no phrases in " << label;
    return {};
}

// Lines of the language's phrases, shifted by a few bytes each so that its characters
// land on every offset of the chunk edges, over several chunks.
std::string manyLines(const std::vector<std::string>& phrases, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; text.size() < size; ++i) {
        text += "' " + std::string(i % 7, '-') + phrases[i % phrases.size()] + (i % 3 == 0 ? "\n" : "\r\n");
    }
    return text;
}

struct StreamCase {
    const char* name;
    std::string label;   // whose phrases
    std::string bom;     // written before the text
    std::string written; // iconv name the text is written in
    EncodingDecision decision;
};
void PrintTo(const StreamCase& c, std::ostream* out) {
    *out << c.name;
}

class LegacyStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(LegacyStreams, CharactersCutByChunkEdgesAreReadWhole) {
    const StreamCase& c = GetParam();
    const std::string text = manyLines(phrasesOf(c.label).phrases, 3 * Chunk);
    const std::string bytes = c.bom + encodeAs(text, c.written);
    ScratchDir dir;
    const std::string path = (dir / "source.frm").string();
    writeBytes(path, bytes);
    TextReader reader(path);
    EXPECT_EQ(reader.encoding(), c.decision);
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line)) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, linesOf(text));
    EXPECT_EQ(reader.bytesConsumed(), bytes.size());
    EXPECT_EQ(TextReader(path).ReadAll(), text);
    EXPECT_EQ(decodeToUtf8(bytes), text);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, LegacyStreams,
    ::testing::Values(
        StreamCase{"big5", "big5", "", "CP950", EncodingDecision{TextEncoding::Legacy, 0, "CP950"}},
        StreamCase{"gb2312", "gb2312", "", "GB2312", EncodingDecision{TextEncoding::Legacy, 0, "CP936"}},
        StreamCase{"shiftJis", "shift_jis", "", "CP932", EncodingDecision{TextEncoding::Legacy, 0, "CP932"}},
        StreamCase{"arabic", "windows-1256", "", "WINDOWS-1256",
                   EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1256"}},
        StreamCase{"utf16le", "big5", "\xFF\xFE", "UTF-16LE", EncodingDecision{TextEncoding::Utf16LE, 2}},
        StreamCase{"utf16be", "windows-1256", "\xFE\xFF", "UTF-16BE",
                   EncodingDecision{TextEncoding::Utf16BE, 2}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TextReader, PipeInALegacyCodePageIsDecodedAcrossChunks) {
    const std::string text = manyLines(phrasesOf("shift_jis").phrases, 3 * Chunk);
    const std::string bytes = encodeAs(text, "CP932");
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(ends[1], bytes.data() + done, std::min<std::size_t>(bytes.size() - done, 999));
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::close(ends[1]);
    });
    std::vector<std::string> lines;
    {
        TextReader reader("/dev/fd/" + std::to_string(ends[0]));
        EXPECT_EQ(reader.encoding(), (EncodingDecision{TextEncoding::Legacy, 0, "CP932"}));
        std::string line;
        while (reader.readLine(line)) {
            lines.push_back(line);
        }
    }
    writer.join();
    ::close(ends[0]);
    EXPECT_EQ(lines, linesOf(text));
}

TEST(TextReader, ChosenEncodingOverridesDetection) {
    ScratchDir dir;
    // KOI8-R, which Windows never used for sources: detection reads it as Windows-1251.
    const std::string russian = "' \u0421\u043E\u0445\u0440\u0430\u043D\u0438\u0442\u044C "
                                "\u0438\u0437\u043C\u0435\u043D\u0435\u043D\u0438\u044F?\r\n";
    const std::string path = (dir / "koi8.bas").string();
    writeBytes(path, encodeAs(russian, "KOI8-R"));
    EXPECT_NE(TextReader(path).ReadAll(), russian);
    EXPECT_NE(TextReader(path, "auto").ReadAll(), russian);
    TextReader chosen(path, "koi8-r");
    EXPECT_EQ(chosen.encoding(), (EncodingDecision{TextEncoding::Legacy, 0, "KOI8-R"}));
    EXPECT_EQ(chosen.ReadAll(), russian);

    // A byte-order mark of the chosen encoding is no text.
    writeBytes(path, "\xEF\xBB\xBF"
                     "caf\xC3\xA9\r\n\x93\x94");
    TextReader utf8(path, "UTF-8");
    EXPECT_EQ(utf8.ReadLine(), "caf\u00E9");
    EXPECT_EQ(utf8.ReadLine(), "\u201C\u201D");
    writeBytes(path, std::string("\xFF\xFEH\0i\0", 6));
    EXPECT_EQ(TextReader(path, "utf-16le").ReadAll(), "Hi");
    writeBytes(path, "caf\xE9");
    EXPECT_EQ(TextReader(path, "ISO-8859-15").ReadAll(), "caf\u00E9");

    try {
        TextReader unknown(path, "klingon");
        FAIL() << "read in klingon";
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), 5);
        EXPECT_EQ(error.description(), "Unknown encoding: klingon");
    }
}

TEST(TextPrefix, CutPrefixKeepsWholeDecodedLines) {
    ScratchDir dir;
    const std::string path = (dir / "sheet.css").string();
    // In UTF-16 the byte 0x0A is also half of other characters (U+0A00, U+010A).
    const std::string text = "a\u010A\u0A0Ab\r\nsecond\r\nthird line\r\n";
    writeBytes(path, "\xFF\xFE" + encodeAs(text, "UTF-16LE"));
    TextPrefix whole = readTextPrefix(path, 1000);
    EXPECT_TRUE(whole.complete);
    EXPECT_EQ(whole.text, text);
    TextPrefix cut = readTextPrefix(path, 2 + 2 * 14 + 1);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.text, "a\u010A\u0A0Ab\r\nsecond\r\n");
}

} // namespace
} // namespace quillon::files
