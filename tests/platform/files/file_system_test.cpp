#include "platform/files/file_system.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::files {
namespace {

using test::ScratchDir;
using test::writeBytes;

TEST(FileExists, TrueExactlyForSomethingThatIsNotAFolder) {
    ScratchDir dir;
    writeBytes(dir / "file.bas", "x");
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_symlink(dir / "gone.bas", dir / "dangling.bas");
    EXPECT_TRUE(FileExists((dir / "file.bas").string()));
    EXPECT_FALSE(FileExists((dir / "folder").string()));
    EXPECT_FALSE(FileExists((dir / "missing.bas").string()));
    EXPECT_FALSE(FileExists((dir / "nowhere/missing.bas").string()));
    EXPECT_FALSE(FileExists((dir / "file.bas/inside").string()));
    EXPECT_FALSE(FileExists((dir / "dangling.bas").string()));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileSize, GivesBytesAndRaisesForWhatIsNotAFile) {
    ScratchDir dir;
    writeBytes(dir / "file.bas", "12345\r\n");
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(fileSize((dir / "file.bas").string()), 7u);
    const auto numberOf = [](const std::string& path) {
        try {
            fileSize(path);
        } catch (const VbError& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(numberOf((dir / "missing.bas").string()), 53);
    EXPECT_EQ(numberOf((dir / "nowhere/missing.bas").string()), 76);
    EXPECT_EQ(numberOf((dir / "folder").string()), 75);
}

TEST(ReadTextPrefix, SmallFileIsReadWholeAndDecoded) {
    ScratchDir dir;
    writeBytes(dir / "sheet.css", "\xEF\xBB\xBFPRE\r\n{\r\n");
    const TextPrefix prefix = readTextPrefix((dir / "sheet.css").string(), 1024);
    EXPECT_TRUE(prefix.complete);
    EXPECT_EQ(prefix.text, "PRE\r\n{\r\n");

    writeBytes(dir / "old.css", "font-family:Caf\xE9;");
    EXPECT_EQ(readTextPrefix((dir / "old.css").string(), 1024).text, "font-family:Caf\u00E9;");
}

TEST(ReadTextPrefix, LongFileStopsAtTheLimitKeepingWholeLines) {
    ScratchDir dir;
    // A two-byte character straddles the limit: it must not turn the text into 1252.
    std::string bytes = "PRE\r\n" + std::string(10, 'x') + "\xC3\xA9\xC3\xA9\r\n";
    bytes += std::string(100000, 'y');
    writeBytes(dir / "huge.css", bytes);
    const TextPrefix prefix = readTextPrefix((dir / "huge.css").string(), 5 + 10 + 3);
    EXPECT_FALSE(prefix.complete);
    EXPECT_EQ(prefix.text, "PRE\r\n");

    const TextPrefix wider = readTextPrefix((dir / "huge.css").string(), 5 + 16 + 10);
    EXPECT_EQ(wider.text, "PRE\r\nxxxxxxxxxx\u00E9\u00E9\r\n");
}

TEST(ReadTextPrefix, ExactlyTheLimitIsComplete) {
    ScratchDir dir;
    writeBytes(dir / "exact.css", "PRE");
    const TextPrefix prefix = readTextPrefix((dir / "exact.css").string(), 3);
    EXPECT_TRUE(prefix.complete);
    EXPECT_EQ(prefix.text, "PRE");
}

} // namespace
} // namespace quillon::files
