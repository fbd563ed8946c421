#include "engine/vb_error.h"
#include "platform/files/text_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <unistd.h>

namespace quillon::files {
namespace {

using namespace std::string_literals;
using test::ScratchDir;
using test::writeBytes;

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
    if (!c.binary) {
        EXPECT_NO_THROW(requireTextFile(path));
        EXPECT_NO_THROW(TextReader(path, {}, TextReader::Content::TextOnly));
        return;
    }
    for (int opening = 0; opening < 2; ++opening) {
        try {
            if (opening == 0) {
                requireTextFile(path);
            } else {
                TextReader reader(path, {}, TextReader::Content::TextOnly);
            }
            ADD_FAILURE() << "accepted as text, opening " << opening;
        } catch (const VbError& error) {
            EXPECT_EQ(error.number(), vberr::InvalidFileFormat);
            EXPECT_EQ(error.description(), "Not a text file: " + path);
        }
    }
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
}

TEST(BinaryInput, OpeningFailuresComeFirstAndNameThePath) {
    ScratchDir dir;
    const std::string missing = (dir / "missing.bas").string();
    try {
        requireTextFile(missing);
        FAIL() << "a missing file passed";
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), vberr::FileNotFound);
        EXPECT_EQ(error.description(), "File not found: " + missing);
    }
    EXPECT_THROW(requireTextFile(dir.path().string()), VbError);
    EXPECT_THROW(requireTextFile((dir / "a.bas").string(), "no-such-code-page"), VbError);
}

// A pipe cannot be looked into without taking its bytes: requireTextFile() leaves it to
// the reader, which refuses it from its first chunk.
TEST(BinaryInput, PipeIsRefusedByTheReaderFromItsFirstChunk) {
    for (const bool binary : {true, false}) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const std::string bytes = binary ? "MZ\x90\0\x03\0"s : "Dim a\r\n"s;
        std::thread writer([&] {
            EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
            ::close(ends[1]);
        });
        const std::string path = "/dev/fd/" + std::to_string(ends[0]);
        EXPECT_NO_THROW(requireTextFile(path));
        if (binary) {
            EXPECT_THROW(TextReader(path, {}, TextReader::Content::TextOnly), VbError);
        } else {
            TextReader reader(path, {}, TextReader::Content::TextOnly);
            EXPECT_EQ(reader.ReadLine(), "Dim a");
        }
        writer.join();
        ::close(ends[0]);
    }
}

} // namespace
} // namespace quillon::files
