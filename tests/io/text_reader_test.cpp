#include "io/file_system.h"
#include "io/text_reader.h"

#include "file_layer_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillon::files {
namespace {

using namespace std::string_literals;
using test::encodeAs;
using test::FedPipe;
using test::linesOf;
using test::raised;
using test::readLines;
using test::ScratchDir;
using test::writeBytes;
namespace fs = std::filesystem;

constexpr std::size_t Chunk = TextReader::ChunkSize;
const std::string LongA(Chunk - 1, 'a');

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
    TextReader reader(path);
    EXPECT_EQ(readLines(reader), c.lines);
    EXPECT_TRUE(reader.AtEndOfStream());
    EXPECT_EQ(reader.bytesConsumed(), c.bytes.size());
    EXPECT_EQ(linesOf(decodeToUtf8(c.bytes)), c.lines);
}

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
                      LineCase{"windows1252",
                               "s = \x93q\x94\r\n\x80 caf\xE9\r\n\x81",
                               {"s = \u201Cq\u201D", "\u20AC caf\u00E9", "\u0081"}},
                      // The chunk ends between CR and LF: still one line break.
                      LineCase{"crlfSplitByChunk", LongA + "\r\nb", {LongA, "b"}},
                      LineCase{"crlfSplitByChunkAtEnd", LongA + "\r\n", {LongA}},
                      LineCase{"crSplitByChunkThenCr", LongA + "\r\r", {LongA, ""}},
                      LineCase{"lineAcrossChunks",
                               std::string(3 * Chunk + 5, 'q') + "\nz",
                               {std::string(3 * Chunk + 5, 'q'), "z"}}),
    [](const auto& param) { return std::string(param.param.name); });

// Text with bursts of breaks and two-byte characters, so that breaks and characters
// land on every offset of the chunk edges, over many chunks.
TEST(TextReader, RandomTextAcrossManyChunksMatchesTheSplitter) {
    std::mt19937 random(20240611);
    const char* const alphabet[] = {"\r", "\n", "a", "b", " ", "\t", "\xC3\xA9"};
    for (const std::size_t size : {2 * Chunk, 2 * Chunk + 4095, 16 * Chunk + 17}) {
        std::string bytes;
        while (bytes.size() < size) {
            bytes += random() % 8 == 0 ? alphabet[random() % 2] : alphabet[random() % 7];
        }
        ScratchDir dir;
        writeBytes(dir / "random.txt", bytes);
        TextReader reader((dir / "random.txt").string());
        EXPECT_EQ(reader.encoding().encoding, TextEncoding::Utf8);
        EXPECT_TRUE(readLines(reader) == linesOf(bytes)) << size;
        EXPECT_EQ(reader.bytesConsumed(), bytes.size());
    }
}

TEST(TextReader, VbStyleCallsReadLineByLineThenTheRest) {
    ScratchDir dir;
    const std::string path = (dir / "form.frm").string();
    // The first line's CR ends the first chunk: the rest must not start with its LF.
    writeBytes(path, LongA + "\r\nBegin\r\n  x\r\nEnd\r\n");
    TextReader reader = OpenTextFile(path);
    EXPECT_FALSE(reader.AtEndOfStream());
    EXPECT_EQ(reader.ReadLine(), LongA);
    EXPECT_EQ(reader.ReadAll(), "Begin\r\n  x\r\nEnd\r\n");
    EXPECT_TRUE(reader.AtEndOfStream());
    EXPECT_EQ(reader.ReadAll(), "");
    EXPECT_EQ(raised([&] { reader.ReadLine(); }), std::make_pair(62, "Input past end of file: " + path));
    reader.Close();
    reader.Close();
    EXPECT_TRUE(reader.AtEndOfStream());
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
    const auto lines = readLines(path);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front(), "caf\u00E9");
    EXPECT_EQ(lines.back(), "' \u201Cthe end\u201D");
}

TEST(TextReader, PipeIsReadFromItsFirstChunkAndLaterLinesFallBackOneByOne) {
    std::string bytes;
    while (bytes.size() < 2 * Chunk) {
        bytes += "caf\xC3\xA9\n";
    }
    FedPipe pipe(bytes + "\x93quoted\x94\n");
    TextReader reader(pipe.path());
    EXPECT_EQ(reader.size(), 0u);
    const auto lines = readLines(reader);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "caf\u00E9");
    EXPECT_EQ(lines.back(), "\u201Cquoted\u201D");
}

// Opening fails the same way for every reader of a file.
TEST(FileSystem, OpeningFailuresRaiseTheMatchingErrorNamingThePath) {
    struct Case {
        std::string relative; // under the scratch folder
        int number;
        const char* description;
    };
    ScratchDir dir;
    fs::create_directory(dir / "folder");
    writeBytes(dir / "file.bas", "x");
    for (const Case& c :
         {Case{"missing.bas", 53, "File not found"}, Case{"nowhere/missing.bas", 76, "Path not found"},
          Case{"file.bas/inside", 76, "Path not found"}, Case{"folder", 75, "Path/File access error"}}) {
        const std::string path = (dir.path() / c.relative).string();
        const auto expected = std::make_pair(c.number, std::string(c.description) + ": " + path);
        EXPECT_EQ(raised([&] { TextReader reader(path); }), expected);
        EXPECT_EQ(raised([&] { requireTextFile(path); }), expected);
        EXPECT_EQ(raised([&] { fileSize(path); }).first, c.number) << path;
        EXPECT_FALSE(FileExists(path)) << path;
    }
}

TEST(FileSystem, FileExistsAndSizeAndUnreadableFiles) {
    ScratchDir dir;
    const std::string path = (dir / "secret.bas").string();
    writeBytes(path, "12345\r\n");
    fs::create_symlink(dir / "gone.bas", dir / "dangling.bas");
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists((dir / "dangling.bas").string()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_EQ(fileSize(path), 7u);
    if (::geteuid() != 0) {
        fs::permissions(path, fs::perms::none);
        EXPECT_EQ(raised([&] { TextReader reader(path); }).first, 70);
    }
}

// Lines of the language's phrases, shifted by a few bytes each so that its characters
// land on every offset of the chunk edges, over several chunks.
std::string manyLines(const std::string& label) {
    const std::vector<std::string> phrases = test::phrasesOf(label).phrases;
    std::string text;
    for (std::size_t i = 0; text.size() < 3 * Chunk; ++i) {
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
    const std::string text = manyLines(c.label);
    const std::string bytes = c.bom + encodeAs(text, c.written);
    ScratchDir dir;
    const std::string path = (dir / "source.frm").string();
    writeBytes(path, bytes);
    TextReader reader(path);
    EXPECT_EQ(reader.encoding(), c.decision);
    EXPECT_EQ(readLines(reader), linesOf(text));
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
    const std::string text = manyLines("shift_jis");
    FedPipe pipe(encodeAs(text, "CP932"), 999);
    TextReader reader(pipe.path());
    EXPECT_EQ(reader.encoding(), (EncodingDecision{TextEncoding::Legacy, 0, "CP932"}));
    EXPECT_EQ(readLines(reader), linesOf(text));
}

struct Encoded {
    const char* name;
    const char* iconvName;
    std::string bom;
    const char* chosen; // the code page named instead of detected; empty detects
};
void PrintTo(const Encoded& c, std::ostream* out) {
    *out << c.name;
}

class DecodedLineBreaks : public ::testing::TestWithParam<Encoded> {};

// Text in another encoding than UTF-8 is split into lines after decoding, a chunk at a
// time: a CR LF whose two halves land in two chunks is still one line break, whichever
// byte the chunk ends on.
TEST_P(DecodedLineBreaks, CrLfAcrossTheChunkEdgeIsOneBreak) {
    const Encoded& c = GetParam();
    const std::size_t unit = std::string_view(c.name).starts_with("utf16") ? 2 : 1;
    const std::size_t around = (Chunk - c.bom.size()) / unit - 2;
    ScratchDir dir;
    const std::string path = (dir / "s.bas").string();
    for (std::size_t n = around - 4; n <= around + 4; ++n) {
        // The accent makes the single-byte file no UTF-8, so it is decoded, not passed on.
        const std::string first = "\u00E9" + std::string(n, 'a');
        writeBytes(path, c.bom + encodeAs(first + "\r\nb\r\n\rc\r\n", c.iconvName));
        EXPECT_EQ(readLines(path, c.chosen), (std::vector<std::string>{first, "b", "", "c"})) << "n = " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, DecodedLineBreaks,
                         ::testing::Values(Encoded{"utf16LeBom", "UTF-16LE", "\xFF\xFE", ""},
                                           Encoded{"utf16BeBom", "UTF-16BE", "\xFE\xFF", ""},
                                           Encoded{"utf16LeChosen", "UTF-16LE", "", "UTF-16LE"},
                                           Encoded{"windows1252", "WINDOWS-1252", "", ""},
                                           Encoded{"windows1252Chosen", "WINDOWS-1252", "", "windows-1252"}),
                         [](const auto& param) { return std::string(param.param.name); });

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
    EXPECT_EQ(readLines(path, "UTF-8"), (std::vector<std::string>{"caf\u00E9", "\u201C\u201D"}));
    writeBytes(path, "\xFF\xFEH\0i\0"s);
    EXPECT_EQ(TextReader(path, "utf-16le").ReadAll(), "Hi");
    writeBytes(path, "caf\xE9");
    EXPECT_EQ(TextReader(path, "ISO-8859-15").ReadAll(), "caf\u00E9");
    EXPECT_EQ(raised([&] { TextReader unknown(path, "klingon"); }),
              std::make_pair(5, "Unknown encoding: klingon"s));
}

TEST(ReadTextPrefix, StopsAtTheLimitKeepingWholeDecodedLines) {
    ScratchDir dir;
    const std::string path = (dir / "sheet.css").string();
    writeBytes(path, "\xEF\xBB\xBFPRE\r\n{\r\n");
    EXPECT_EQ(readTextPrefix(path, 1024).text, "PRE\r\n{\r\n");
    writeBytes(path, "font-family:Caf\xE9;");
    EXPECT_EQ(readTextPrefix(path, 1024).text, "font-family:Caf\u00E9;");
    writeBytes(path, "PRE");
    EXPECT_TRUE(readTextPrefix(path, 3).complete) << "exactly the limit";

    // A two-byte character straddles the limit: it must not turn the text into 1252.
    writeBytes(path, "PRE\r\n" + std::string(10, 'x') + "\xC3\xA9\xC3\xA9\r\n" + std::string(100000, 'y'));
    const TextPrefix prefix = readTextPrefix(path, 5 + 10 + 3);
    EXPECT_FALSE(prefix.complete);
    EXPECT_EQ(prefix.text, "PRE\r\n");
    EXPECT_EQ(readTextPrefix(path, 5 + 16 + 10).text, "PRE\r\nxxxxxxxxxx\u00E9\u00E9\r\n");

    // In UTF-16 the byte 0x0A is also half of other characters (U+0A00, U+010A).
    const std::string text = "a\u010A\u0A0Ab\r\nsecond\r\nthird line\r\n";
    writeBytes(path, "\xFF\xFE" + encodeAs(text, "UTF-16LE"));
    const TextPrefix whole = readTextPrefix(path, 1000);
    EXPECT_TRUE(whole.complete);
    EXPECT_EQ(whole.text, text);
    const TextPrefix cut = readTextPrefix(path, 2 + 2 * 14 + 1);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.text, "a\u010A\u0A0Ab\r\nsecond\r\n");
}

struct HeadCase {
    const char* name;
    std::string bytes;
    bool binary;
};
void PrintTo(const HeadCase& c, std::ostream* out) {
    *out << c.name;
}

class BinaryHeads : public ::testing::TestWithParam<HeadCase> {};

TEST_P(BinaryHeads, AreToldFromTextByTheFirstEightKilobytes) {
    const HeadCase& c = GetParam();
    EXPECT_EQ(looksBinary(c.bytes), c.binary);
    ScratchDir dir;
    const std::string path = (dir / "source.bas").string();
    writeBytes(path, c.bytes);
    const auto refusal = c.binary ? std::make_pair(321, "Not a text file: " + path) : std::make_pair(0, ""s);
    EXPECT_EQ(raised([&] { requireTextFile(path); }), refusal);
    EXPECT_EQ(raised([&] { TextReader reader(path, {}, TextReader::Content::TextOnly); }), refusal);
    // Header, footer and style sheets are still read whatever they hold.
    EXPECT_NO_THROW(TextReader(path).ReadAll());
}

const std::string Text8K(BinarySniffSize - 1, 'x');

INSTANTIATE_TEST_SUITE_P(
    Files, BinaryHeads,
    ::testing::Values(HeadCase{"empty", "", false}, HeadCase{"plainText", "Dim a As Long\r\n", false},
                      HeadCase{"controlCharactersButNoNul", "\x01\x02\x1A\x7F\xFF text", false},
                      HeadCase{"nulFirst", "\0Dim a"s, true},
                      HeadCase{"executable", "MZ\x90\0\x03\0\0\0\x04\0"s, true},
                      HeadCase{"frxProperties", "\x0C\0\0\0lt\0\0BM"s, true},
                      HeadCase{"nulLastOfTheHead", Text8K + '\0', true},
                      HeadCase{"nulJustAfterTheHead", Text8K + "x" + '\0', false},
                      HeadCase{"utf16LeBom",
                               "\xFF\xFE"
                               "D\0i\0m\0"s,
                               false},
                      HeadCase{"utf16BeBom", "\xFE\xFF\0D\0i\0m"s, false},
                      HeadCase{"utf8BomIsNoExcuse",
                               "\xEF\xBB\xBF"
                               "D\0"s,
                               true},
                      HeadCase{"utf16WithoutBom", "D\0i\0m\0"s, true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BinaryInput, AChosenEncodingWhoseTextHoldsNulsAcceptsThem) {
    ScratchDir dir;
    const std::string path = (dir / "wide.bas").string();
    writeBytes(path, "D\0i\0m\0 \0a\0\r\0\n\0"s);
    EXPECT_NO_THROW(requireTextFile(path, "UTF-16LE"));
    TextReader reader(path, "utf-16le", TextReader::Content::TextOnly);
    EXPECT_EQ(reader.ReadLine(), "Dim a");
    // A code page of single bytes has no NUL in its text: still refused.
    EXPECT_THROW(requireTextFile(path, "windows-1252"), VbError);
    EXPECT_THROW(TextReader(path, "ISO-8859-2", TextReader::Content::TextOnly), VbError);
    EXPECT_THROW(requireTextFile(path, "no-such-code-page"), VbError);
}

// A pipe cannot be looked into without taking its bytes: requireTextFile() leaves it to
// the reader, which refuses it from its first chunk.
TEST(BinaryInput, PipeIsRefusedByTheReaderFromItsFirstChunk) {
    {
        FedPipe pipe("MZ\x90\0\x03\0"s);
        EXPECT_NO_THROW(requireTextFile(pipe.path()));
        EXPECT_THROW(TextReader(pipe.path(), {}, TextReader::Content::TextOnly), VbError);
    }
    FedPipe pipe("Dim a\r\n");
    EXPECT_NO_THROW(requireTextFile(pipe.path()));
    EXPECT_EQ(TextReader(pipe.path(), {}, TextReader::Content::TextOnly).ReadLine(), "Dim a");
}

} // namespace
} // namespace quillon::files
