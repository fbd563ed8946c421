#include "io/file_system.h"
#include "io/text_codecs.h"
#include "io/text_reader.h"

#include "support/legacy_text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillon::files {
namespace {

using namespace std::string_literals;
using test::encodeAs;
using test::raised;
using test::ScratchDir;
using test::writeBytes;
using Lines = std::vector<std::string>;

Lines readLines(TextReader& reader) {
    Lines lines;
    for (std::string line; reader.readLine(line);) {
        lines.push_back(line);
    }
    return lines;
}

Lines readLines(const std::string& path, std::string_view encoding = {}) {
    TextReader reader(path, encoding);
    return readLines(reader);
}

Lines linesOf(std::string_view text) {
    const std::vector<std::string_view> lines = splitTextLines(text);
    return Lines(lines.begin(), lines.end());
}

// A pipe that a thread fills with `bytes`, at most `piece` at a time, read through its
// /dev/fd name as a user's named pipe would be.
class FedPipe {
public:
    explicit FedPipe(std::string bytes, std::size_t piece = std::string::npos) {
        if (::pipe(ends_) != 0) {
            ADD_FAILURE() << "no pipe";
            return;
        }
        // A blocking write to a pipe returns once the whole piece is in.
        writer_ = std::jthread([this, bytes = std::move(bytes), piece] {
            for (std::size_t done = 0; done < bytes.size(); done += piece) {
                if (::write(ends_[1], bytes.data() + done, std::min(bytes.size() - done, piece)) <= 0) {
                    break;
                }
            }
            ::close(ends_[1]);
        });
    }
    ~FedPipe() {
        if (writer_.joinable()) {
            writer_.join();
            ::close(ends_[0]);
        }
    }

    std::string path() const { return "/dev/fd/" + std::to_string(ends_[0]); }

private:
    int ends_[2] = {-1, -1};
    std::jthread writer_;
};

constexpr std::size_t Chunk = TextReader::ChunkSize;

TEST(TextReader, LineBreaksOfEveryKindWhereverTheChunksAreCut) {
    const std::string longA(Chunk - 1, 'a');
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"\r\n\n\r\r\n", {"", "", "", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"\xEF\xBB\xBF\x41ttribute\r\nx", {"Attribute", "x"}},
        {"\xEF\xBB\xBF", {}},
        {"s = \x93q\x94\r\n\x80 caf\xE9\r\n\x81", {"s = \u201Cq\u201D", "\u20AC caf\u00E9", "\u0081"}},
        {longA + "\r\nb", {longA, "b"}}, // CR and LF in two chunks: one break
        {longA + "\r\r", {longA, ""}},
    };
    ScratchDir dir;
    const std::string path = (dir / "source.bas").string();
    for (const auto& [bytes, lines] : cases) {
        writeBytes(path, bytes);
        TextReader reader(path);
        EXPECT_EQ(readLines(reader), lines) << bytes.substr(0, 20);
        EXPECT_EQ(reader.bytesConsumed(), bytes.size());
        FedPipe pipe(bytes, 1000);
        EXPECT_EQ(readLines(pipe.path()), lines) << "pipe " << bytes.substr(0, 20);
    }
}

// Text with bursts of breaks and two-byte characters, so that breaks and characters land
// on every offset of the chunk edges, in a file read whole and one read in chunks.
TEST(TextReader, RandomTextMatchesTheSplitter) {
    std::mt19937 random(20240611);
    const char* const alphabet[] = {"\r", "\n", "a", "b", " ", "\t", "\xC3\xA9"};
    for (const std::size_t size : {2 * Chunk + 4095, TextReader::WholeFileSize + 17}) {
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

TEST(TextReader, ReadsALineThenTheRestWithItsLineBreaks) {
    ScratchDir dir;
    const std::string path = (dir / "form.frm").string();
    writeBytes(path, std::string(Chunk - 1, 'a') + "\r\nBegin\r\n  x\r\nEnd\r\n");
    TextReader reader(path);
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, std::string(Chunk - 1, 'a'));
    EXPECT_EQ(reader.ReadAll(), "Begin\r\n  x\r\nEnd\r\n");
    EXPECT_EQ(reader.ReadAll(), "");
    EXPECT_FALSE(reader.readLine(line));
}

// A file too large to be read whole is passed over once for its decision: a byte that is
// not UTF-8 at its very end still makes the whole file a code page. A pipe is decided on
// its first chunk, and its later lines fall back one by one.
TEST(TextReader, ALateNonUtf8ByteDecidesAFileButOnlyItsLineInAPipe) {
    std::string bytes = "caf\xC3\xA9\n";
    for (int i = 0; bytes.size() < TextReader::WholeFileSize + Chunk; ++i) {
        bytes += "Dim x" + std::to_string(i) + " As Long\r\n";
    }
    bytes += "' \x93the end\x94";
    ScratchDir dir;
    writeBytes(dir / "late.bas", bytes);
    const Lines lines = readLines((dir / "late.bas").string());
    EXPECT_EQ(lines.front(), "caf\u00C3\u00A9");
    EXPECT_EQ(lines.back(), "' \u201Cthe end\u201D");
    FedPipe pipe(bytes);
    const Lines piped = readLines(pipe.path());
    EXPECT_EQ(piped.front(), "caf\u00E9");
    EXPECT_EQ(piped.back(), "' \u201Cthe end\u201D");

    // Read once as UTF-8 by a caller that can begin again: it hears of the late byte before
    // the line that holds it, and of a last character left unfinished at the very end.
    for (const std::string& ending : {"' \x93the end\x94"s, "' the end \xC3"s}) {
        writeBytes(dir / "late.bas", bytes.substr(0, bytes.rfind('\n') + 1) + ending);
        TextReader once((dir / "late.bas").string(), {}, TextReader::Restartable{});
        EXPECT_EQ(once.encoding(), EncodingDecision{});
        std::string line;
        std::string last;
        EXPECT_THROW(
            while (once.readLine(line)) { last = line; }, EncodingRevised);
        EXPECT_EQ(last.find("the end"), std::string::npos) << last;
    }
    writeBytes(dir / "late.bas", bytes.substr(0, bytes.rfind('\n') + 1) + "' the end \xC3\xA9");
    EXPECT_EQ(readLines((dir / "late.bas").string()).back(), "' the end \u00E9");
}

// A line longer than a piece, read as UTF-8 and through a decoder: the pieces end on whole
// characters, join to the line, and the lines around it are whole; readLine() refuses it.
TEST(TextReader, HandsOutALineTooLongToHoldInPiecesOfWholeCharacters) {
    ScratchDir scratch;
    std::string longLine = "x"; // then é after é: an odd count of bytes before each
    while (longLine.size() < MaxHeldText + Chunk) {
        longLine += "\xC3\xA9";
    }
    const std::pair<std::string, std::string> files[] = {
        {"\xEF\xBB\xBFshort\r\n" + longLine + "\r\nend", "auto"},
        {"short\r\n" + encodeAs(longLine, "WINDOWS-1252") + "\r\nend", "windows-1252"}};
    for (const auto& [bytes, encoding] : files) {
        writeBytes(scratch / "long.bas", bytes);
        TextReader reader((scratch / "long.bas").string(), encoding);
        std::vector<std::pair<std::string, bool>> pieces;
        std::string piece;
        bool continues = false;
        while (reader.readPiece(piece, continues)) {
            pieces.emplace_back(piece, continues);
        }
        ASSERT_GE(pieces.size(), 5u) << encoding;
        EXPECT_EQ(pieces.front(), std::make_pair("short"s, false));
        EXPECT_EQ(pieces.back(), std::make_pair("end"s, false));
        std::string joined;
        for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
            EXPECT_TRUE(isValidUtf8(pieces[i].first)) << encoding << " piece " << i;
            EXPECT_EQ(pieces[i].second, i + 2 < pieces.size()) << encoding << " piece " << i;
            joined += pieces[i].first;
        }
        EXPECT_EQ(joined, longLine) << encoding;
        TextReader refusing((scratch / "long.bas").string(), encoding);
        std::string line;
        refusing.readLine(line);
        EXPECT_EQ(raised([&] { refusing.readLine(line); }),
                  std::make_pair(321, "Line longer than 1 MiB: " + (scratch / "long.bas").string()));
    }
}

TEST(FileSystem, OpeningFailuresRaiseTheMatchingErrorNamingThePath) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "folder");
    writeBytes(dir / "file.bas", "x");
    const std::tuple<std::string, int, const char*> cases[] = {{"missing.bas", 53, "File not found"},
                                                               {"nowhere/missing.bas", 76, "Path not found"},
                                                               {"file.bas/inside", 76, "Path not found"},
                                                               {"folder", 75, "Path/File access error"}};
    for (const auto& [relative, number, description] : cases) {
        const std::string path = (dir.path() / relative).string();
        EXPECT_EQ(raised([&] { TextReader reader(path); }),
                  std::make_pair(number, description + ": "s + path));
        EXPECT_FALSE(FileExists(path)) << path;
    }
}

// Legacy text through a file (read whole) and a pipe (in chunks, so that characters and
// CR LF pairs are cut by the chunk edges), with the encoding detected or chosen.
TEST(TextReader, LegacyTextReadsTheSameWholeAndInChunks) {
    struct Case {
        std::string label;
        std::string written;
        std::string bom;
        const char* chosen;
        EncodingDecision decision;
    };
    const Case cases[] = {
        {"big5", "CP950", "", "", EncodingDecision{TextEncoding::Legacy, 0, "CP950"}},
        {"shift_jis", "CP932", "", "", EncodingDecision{TextEncoding::Legacy, 0, "CP932"}},
        {"windows-1256", "WINDOWS-1256", "", "", EncodingDecision{TextEncoding::Legacy, 0, "WINDOWS-1256"}},
        {"gb2312", "UTF-16LE", "\xFF\xFE", "", EncodingDecision{TextEncoding::Utf16LE, 2}},
        {"windows-1251", "UTF-32BE", "\0\0\xFE\xFF"s, "",
         EncodingDecision{TextEncoding::Legacy, 4, "UTF-32BE"}},
        {"windows-1251", "UTF-16LE", "", "utf-16le", EncodingDecision{TextEncoding::Utf16LE}},
        {"windows-1251", "KOI8-R", "", "koi8-r", EncodingDecision{TextEncoding::Legacy, 0, "KOI8-R"}},
    };
    ScratchDir dir;
    const std::string path = (dir / "source.frm").string();
    for (const Case& c : cases) {
        const Lines phrases = test::phrasesOf(c.label).phrases;
        std::string text;
        for (std::size_t i = 0; text.size() < 3 * Chunk; ++i) {
            text +=
                "' " + std::string(i % 7, '-') + phrases[i % phrases.size()] + (i % 3 == 0 ? "\n" : "\r\n");
        }
        const std::string bytes = c.bom + encodeAs(text, c.written);
        writeBytes(path, bytes);
        TextReader reader(path, c.chosen);
        EXPECT_EQ(reader.encoding(), c.decision) << c.written;
        EXPECT_EQ(reader.ReadAll(), text) << c.written;
        EXPECT_EQ(reader.bytesConsumed(), bytes.size()) << c.written;
        for (std::size_t shift = 0; shift < 4; ++shift) {
            FedPipe marked(c.bom + encodeAs(std::string(shift, ' ') + text, c.written), 999);
            EXPECT_EQ(readLines(marked.path(), c.chosen), linesOf(std::string(shift, ' ') + text))
                << c.written;
        }
    }
    EXPECT_EQ(raised([&] { TextReader unknown(path, "klingon"); }),
              std::make_pair(5, "Unknown encoding: klingon"s));
}

TEST(ReadTextPrefix, StopsAtTheLimitKeepingWholeDecodedLines) {
    ScratchDir dir;
    const std::string path = (dir / "sheet.css").string();
    // A two-byte character straddles the limit: it must not turn the text into 1252.
    writeBytes(path, "PRE\r\n" + std::string(10, 'x') + "\xC3\xA9\xC3\xA9\r\n" + std::string(100000, 'y'));
    EXPECT_EQ(readTextPrefix(path, 5 + 10 + 3).text, "PRE\r\n");
    EXPECT_FALSE(readTextPrefix(path, 5 + 10 + 3).complete);
    // In UTF-16 the byte 0x0A is also half of other characters (U+0A00, U+010A).
    const std::string text = "a\u010A\u0A0Ab\r\nsecond\r\nthird line\r\n";
    writeBytes(path, "\xFF\xFE" + encodeAs(text, "UTF-16LE"));
    EXPECT_EQ(readTextPrefix(path, 1000).text, text);
    EXPECT_TRUE(readTextPrefix(path, 1000).complete);
    EXPECT_EQ(readTextPrefix(path, 2 + 2 * 14 + 1).text, "a\u010A\u0A0Ab\r\nsecond\r\n");
}

// One rule for every file read as text: a NUL byte anywhere refuses it, unless the
// encoding's own characters hold NULs.
TEST(TextReader, ANulByteAnywhereRefusesTheFile) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* chosen;
        bool refused;
    };
    const std::string large(TextReader::WholeFileSize + 3 * Chunk, 'x');
    const Case cases[] = {
        {"plainText", "Dim a As Long\r\n\x01\x1A\x7F\xFF", "", false},
        {"executable", "MZ\x90\0\x03\0\0\0\x04\0"s, "", true},
        {"nulAfterTheFirstChunk", std::string(Chunk + 10, 'x') + '\0', "", true},
        {"nulLateInALargeFile", large + '\0' + "x", "", true},
        {"nulLateInALargeLegacyFile", "\xE9" + large + '\0', "", true},
        {"utf16LeMark", "\xFF\xFE\x44\0i\0m\0"s, "", false},
        {"utf32BeMark", "\0\0\xFE\xFF\0\0\0D"s, "", false},
        {"utf8MarkIsNoExcuse", "\xEF\xBB\xBF\x44\0"s, "", true},
        {"utf16WithoutMark", "D\0i\0m\0"s, "", true},
        {"utf16WithoutMarkChosen", "D\0i\0m\0"s, "UTF-16LE", false},
        {"singleByteCodePageChosen", "D\0i\0m\0"s, "windows-1252", true},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        const std::string path = (dir / c.name).string();
        writeBytes(path, c.bytes);
        const auto refusal =
            c.refused ? std::make_pair(321, "Not a text file: " + path) : std::make_pair(0, ""s);
        EXPECT_EQ(raised([&] { TextReader(path, c.chosen).ReadAll(); }), refusal) << c.name;
        if (c.bytes.size() < 1024 && *c.chosen == '\0') {
            EXPECT_EQ(raised([&] { readTextPrefix(path, 1024); }).first, c.refused ? 321 : 0) << c.name;
        }
    }
    FedPipe pipe("Dim a\r\n\0"s);
    EXPECT_EQ(raised([&] { TextReader(pipe.path()).ReadAll(); }).first, 321);
}

// A project is written in one code page: a module with a few bytes outside ASCII takes the
// code page the forms of its own folder agree on, never another folder's, and only if that
// code page reads every one of its bytes. Files of plain ASCII have no say.
TEST(FolderEncodings, WeakFilesTakeTheCodePageOfTheirOwnFolder) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "big5");
    std::filesystem::create_directories(dir / "other");
    const std::string form = (dir / "big5" / "main.frm").string();
    const std::string module = (dir / "big5" / "tool.bas").string();
    const std::string plain = (dir / "big5" / "plain.bas").string();
    const std::string unreadable = (dir / "big5" / "odd.bas").string();
    const std::string elsewhere = (dir / "other" / "tool.bas").string();
    writeBytes(form, encodeAs(test::vb6Form(test::phrasesOf("big5").phrases, 4, 0, 136), "CP950"));
    writeBytes(module, "' \xA4\xA4\r\n");
    writeBytes(plain, "' plain\r\n");
    writeBytes(unreadable, "' \xE9\xFF\xFF\xFF\r\n");
    writeBytes(elsewhere, "' \xA4\xA4\r\n");
    FolderEncodings folders;
    for (const std::string& path : {form, module, plain, elsewhere}) {
        folders.add(path, TextReader(path).verdict());
    }
    EXPECT_EQ(TextReader(form).verdict().evidence, EncodingEvidence::Strong);
    EXPECT_EQ(TextReader(plain).verdict().evidence, EncodingEvidence::None);
    const EncodingVerdict weak = TextReader(module).verdict();
    EXPECT_EQ(weak.evidence, EncodingEvidence::Weak);
    EXPECT_TRUE(FolderEncodings::waitsForItsFolder(weak));
    const EncodingDecision big5{TextEncoding::Legacy, 0, "CP950"};
    EXPECT_EQ(folders.decisionFor(module, weak), big5);
    EXPECT_EQ(folders.decisionFor(elsewhere, weak), weak.decision);
    EXPECT_NE(weak.decision, big5);
    const EncodingVerdict odd = TextReader(unreadable).verdict();
    EXPECT_EQ(folders.decisionFor(unreadable, odd), odd.decision);
    // Read in it, the module shows its Chinese character.
    TextReader reader(module, folders.decisionFor(module, weak));
    EXPECT_EQ(readLines(reader), std::vector<std::string>{"' \u4E2D"});
    // Big5 and GBK read most short Chinese texts alike: the detector's choice between them
    // yields to the folder's code page.
    const EncodingDecision gbk{TextEncoding::Legacy, 0, "CP936"};
    const EncodingVerdict contested{gbk, EncodingEvidence::Contested, "' \xA4\xA4"};
    EXPECT_TRUE(FolderEncodings::waitsForItsFolder(contested));
    folders.add(module, contested);
    EXPECT_EQ(folders.decisionFor(module, contested), big5);
    EXPECT_EQ(folders.decisionFor(elsewhere, contested), gbk);
}

} // namespace
} // namespace quillon::files
