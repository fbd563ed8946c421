// The writer's room for text composed in place, and committing many files with one sync
// of their folder: the same guarantees as Write() and commit().

#include "engine/vb_error.h"
#include "platform/files/atomic_file.h"
#include "platform/files/sys_calls.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::files {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;
namespace fs = std::filesystem;

int errorNumberOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const VbError& error) {
        return error.number();
    }
    return 0;
}

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

void writeInPlace(AtomicTextWriter& writer, std::string_view text) {
    char* at = writer.reserve(text.size());
    std::memcpy(at, text.data(), text.size());
    writer.commitReserved(at + text.size());
}

TEST(AtomicWriterInPlace, ReservedTextArrivesInOrderWithWrittenText) {
    ScratchDir dir;
    const std::string target = (dir / "page.html").string();
    AtomicTextWriter writer(target);
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string piece =
            "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
        if (i % 3 == 0) {
            writer.WriteLine(piece);
        } else {
            writeInPlace(writer, piece + "\r\n");
        }
        expected += piece + "\r\n";
    }
    writer.commit();
    EXPECT_EQ(readBytes(target), expected);
}

TEST(AtomicWriterInPlace, RoomLargerThanTheBufferIsGiven) {
    ScratchDir dir;
    const std::string target = (dir / "page.html").string();
    AtomicTextWriter writer(target);
    writer.Write("head ");
    const std::string big(3 * AtomicTextWriter::BufferSize + 5, 'b');
    writeInPlace(writer, big);
    writeInPlace(writer, " tail");
    writer.commit();
    EXPECT_EQ(readBytes(target), "head " + big + " tail");
}

TEST(AtomicWriterInPlace, NothingReservedCountsUntilCommitted) {
    ScratchDir dir;
    const std::string target = (dir / "page.html").string();
    AtomicTextWriter writer(target);
    char* at = writer.reserve(100);
    std::memset(at, 'z', 100);
    writer.commitReserved(at + 10);
    writer.reserve(50); // given up: the next reserve hands out the same room
    writer.Write("!");
    writer.commit();
    EXPECT_EQ(readBytes(target), std::string(10, 'z') + "!");
}

TEST(AtomicWriterInPlace, AnEndOutsideTheRoomIsRefused) {
    ScratchDir dir;
    AtomicTextWriter writer((dir / "page.html").string());
    writer.Write("abc");
    char* at = writer.reserve(10);
    EXPECT_EQ(errorNumberOf([&] { writer.commitReserved(at - 1); }), 5);
    EXPECT_EQ(errorNumberOf([&] { writer.commitReserved(at + AtomicTextWriter::BufferSize); }), 5);
    writer.commitReserved(at);
    writer.commit();
    EXPECT_EQ(readBytes(dir / "page.html"), "abc");
}

TEST(AtomicWriterInPlace, ClosedWriterRefusesRoom) {
    ScratchDir dir;
    AtomicTextWriter writer((dir / "page.html").string());
    writer.commit();
    EXPECT_EQ(errorNumberOf([&] { writer.reserve(1); }), 54);
    EXPECT_EQ(errorNumberOf([&] { writer.prepareCommit(); }), 54);
}

TEST(AtomicWriterInPlace, PreparedFilesCommitLaterWithOneFolderSync) {
    ScratchDir dir;
    writeBytes(dir / "b.html", "old b");
    std::vector<AtomicTextWriter> writers;
    for (const char* name : {"a.html", "b.html", "c.html"}) {
        writers.emplace_back((dir / name).string());
        writers.back().Write(std::string("new ") + name);
        writers.back().prepareCommit();
    }
    // Prepared but not committed: the targets are as they were.
    EXPECT_EQ(readBytes(dir / "b.html"), "old b");
    EXPECT_FALSE(fs::exists(dir / "a.html"));
    for (AtomicTextWriter& writer : writers) {
        writer.commit(AtomicTextWriter::FolderSync::Later);
    }
    EXPECT_EQ(writers[0].folder(), dir.path().string());
    writers[0].syncFolder();
    EXPECT_EQ(readBytes(dir / "a.html"), "new a.html");
    EXPECT_EQ(readBytes(dir / "b.html"), "new b.html");
    EXPECT_EQ(readBytes(dir / "c.html"), "new c.html");
    EXPECT_EQ(entriesIn(dir.path()), 3u);
}

TEST(AtomicWriterInPlace, WritingAfterPrepareStillArrives) {
    ScratchDir dir;
    AtomicTextWriter writer((dir / "page.html").string());
    writer.Write("one ");
    writer.prepareCommit();
    writer.Write("two ");
    writeInPlace(writer, "three");
    writer.commit();
    EXPECT_EQ(readBytes(dir / "page.html"), "one two three");
}

TEST(AtomicWriterInPlace, FailedWriteWhilePreparingKeepsTheOldFile) {
    ScratchDir dir;
    writeBytes(dir / "page.html", "old page");
    sys::calls().write = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    AtomicTextWriter writer((dir / "page.html").string());
    writeInPlace(writer, "new page");
    const int number = errorNumberOf([&] { writer.prepareCommit(); });
    sys::calls() = sys::realCalls();
    EXPECT_EQ(number, 61);
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(readBytes(dir / "page.html"), "old page");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicWriterInPlace, FailedSyncAtALaterCommitKeepsTheOldFile) {
    ScratchDir dir;
    writeBytes(dir / "page.html", "old page");
    AtomicTextWriter writer((dir / "page.html").string());
    writer.Write("new page");
    writer.prepareCommit();
    sys::calls().fsync = [](int) {
        errno = EIO;
        return -1;
    };
    const int number = errorNumberOf([&] { writer.commit(AtomicTextWriter::FolderSync::Later); });
    sys::calls() = sys::realCalls();
    EXPECT_EQ(number, 75);
    EXPECT_EQ(readBytes(dir / "page.html"), "old page");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

// Only what would otherwise be lost waits for the disk: a new page does not, a page that
// replaces one does, and a user's own file always does.
TEST(AtomicWriterDurability, SyncsWhenSomethingCouldBeLost) {
    ScratchDir dir;
    writeBytes(dir / "old.html", "old page");
    static int fileSyncs = 0;
    fileSyncs = 0;
    sys::calls().fsync = [](int fd) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            ++fileSyncs;
        }
        return ::fsync(fd);
    };
    const auto syncsFor = [&](const char* name, Durability durability) {
        const int before = fileSyncs;
        AtomicTextWriter writer((dir / name).string(), durability);
        writer.Write("page");
        const bool announced = writer.syncsOnCommit();
        writer.commit();
        EXPECT_EQ(announced, fileSyncs > before) << name;
        return fileSyncs - before;
    };
    EXPECT_EQ(syncsFor("new.html", Durability::WhenReplacing), 0);
    EXPECT_EQ(syncsFor("old.html", Durability::WhenReplacing), 1);
    EXPECT_EQ(syncsFor("style.css", Durability::Always), 1);
    sys::calls() = sys::realCalls();
    EXPECT_EQ(readBytes(dir / "new.html"), "page");
    EXPECT_EQ(readBytes(dir / "old.html"), "page");
    EXPECT_EQ(entriesIn(dir.path()), 3u);
}

TEST(AtomicWriterInPlace, LargeFilesAreWrittenWholeAcrossTheEarlyWritebackSteps) {
    ScratchDir dir;
    const std::string target = (dir / "big.html").string();
    AtomicTextWriter writer(target);
    std::string line(1000, 'q');
    line += "\r\n";
    for (int i = 0; i < 20'000; ++i) {
        writeInPlace(writer, line);
    }
    writer.commit();
    EXPECT_EQ(fs::file_size(target), 20'000 * line.size());
}

} // namespace
} // namespace quillon::files
