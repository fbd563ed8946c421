// Writing a new version of a file: whatever fails, the old file stays whole and nothing
// is left beside it.

#include "io/atomic_file.h"
#include "io/sys_calls.h"

#include "file_layer_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::files {
namespace {

using test::raised;
using test::raisedNumber;
using test::readBytes;
using test::ScratchDir;
using test::writeBytes;
namespace fs = std::filesystem;
using FolderSync = AtomicTextWriter::FolderSync;
constexpr std::size_t Buffer = AtomicTextWriter::BufferSize;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeInPlace(AtomicTextWriter& writer, std::string_view text) {
    char* at = writer.reserve(text.size());
    std::memcpy(at, text.data(), text.size());
    writer.commitReserved(at + text.size());
}

struct RealCallsAfter {
    ~RealCallsAfter() { sys::calls() = sys::realCalls(); }
};

class AtomicTextWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeBytes(target, "old page\r\n");
        ::chmod(target.c_str(), 0640);
    }

    void expectOldFileIntact() {
        EXPECT_EQ(readBytes(target), "old page\r\n");
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"page.html"});
    }

    ScratchDir dir;
    std::string target = (dir / "page.html").string();
    RealCallsAfter realCalls;
};

TEST_F(AtomicTextWriterTest, CommitReplacesTheFileKeepingItsPermissions) {
    AtomicTextWriter first = CreateTextFile(target);
    first.Write("<PRE>");
    first.WriteLine();
    AtomicTextWriter writer = std::move(first);
    writer.WriteLine("x = 1");
    EXPECT_EQ(readBytes(target), "old page\r\n") << "nothing shows before commit";
    writer.Close();
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(readBytes(target), "<PRE>\r\nx = 1\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"page.html"});

    const mode_t mask = ::umask(022);
    writeFileAtomically((dir / "new.css").string(), "PRE\r\n");
    ::umask(mask);
    EXPECT_EQ(fs::status(dir / "new.css").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

// Pieces of every size through every way of writing, past the buffer and past the steps at
// which the disk is asked to start early.
TEST_F(AtomicTextWriterTest, TextArrivesInOrderWhateverWritesItAndHoweverLarge) {
    AtomicTextWriter writer(target);
    std::string expected;
    for (int i = 0; expected.size() < (20u << 20); ++i) {
        const std::string piece(i % 50 == 0 ? 3 * Buffer + 17 : static_cast<std::size_t>(i % 997),
                                static_cast<char>('a' + i % 26));
        if (i % 3 == 0) {
            writer.Write(piece);
        } else if (i % 3 == 1) {
            writer.WriteLine(piece);
            expected += piece + "\r\n";
            continue;
        } else {
            writeInPlace(writer, piece);
        }
        expected += piece;
    }
    writer.commit();
    EXPECT_TRUE(readBytes(target) == expected);

    sys::calls().write = [](int fd, const void* data, size_t size) {
        return ::write(fd, data, std::min<size_t>(size, 7));
    };
    writeFileAtomically(target, "written seven bytes at a time");
    EXPECT_EQ(readBytes(target), "written seven bytes at a time");
}

TEST_F(AtomicTextWriterTest, ReservedRoomCountsOnlyWhatIsCommitted) {
    AtomicTextWriter writer(target);
    writer.Write("abc");
    char* at = writer.reserve(100);
    std::memset(at, 'z', 100);
    EXPECT_EQ(raisedNumber([&] { writer.commitReserved(at - 1); }), 5);
    EXPECT_EQ(raisedNumber([&] { writer.commitReserved(at + Buffer); }), 5);
    writer.commitReserved(at + 10);
    writer.reserve(50); // given up: the next reserve hands out the same room
    writer.Write("!");
    writer.commit();
    EXPECT_EQ(readBytes(target), "abc" + std::string(10, 'z') + "!");
}

TEST_F(AtomicTextWriterTest, DroppedOrDiscardedWriterLeavesTheOldFileAndRaises54) {
    {
        AtomicTextWriter writer(target);
        writer.WriteLine("half a page");
    }
    expectOldFileIntact();
    AtomicTextWriter writer(target);
    writer.WriteLine("discarded");
    writer.discard();
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(raisedNumber([&] { writer.Write("more"); }), 54);
    EXPECT_EQ(raisedNumber([&] { writer.reserve(1); }), 54);
    EXPECT_EQ(raisedNumber([&] { writer.prepareCommit(); }), 54);
    EXPECT_EQ(raisedNumber([&] { writer.commit(); }), 54);
    expectOldFileIntact();
}

enum class Call { Write, Fsync, Close, Rename };
struct Fault {
    const char* name;
    Call call;
    int error; // for a write, 0: the device takes nothing
    std::size_t size;
    bool prepared;
    int number;
    const char* text;
};
void PrintTo(const Fault& c, std::ostream* out) {
    *out << c.name;
}

int faultError = 0;

void install(const Fault& fault) {
    faultError = fault.error;
    switch (fault.call) {
    case Call::Write:
        sys::calls().write = [](int, const void*, size_t) -> ssize_t {
            return faultError == 0 ? 0 : (errno = faultError, -1);
        };
        break;
    case Call::Fsync:
        sys::calls().fsync = [](int) { return errno = faultError, -1; };
        break;
    case Call::Close:
        sys::calls().close = [](int fd) {
            ::close(fd);
            return errno = faultError, -1;
        };
        break;
    case Call::Rename:
        sys::calls().rename = [](const char*, const char*) { return errno = faultError, -1; };
        break;
    }
}

class AtomicWriterFaults : public AtomicTextWriterTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(AtomicWriterFaults, RaiseTheMatchingErrorAndLeaveTheOldFileAndNoTemporary) {
    const Fault& c = GetParam();
    install(c);
    AtomicTextWriter writer(target);
    const auto [number, message] = raised([&] {
        writer.Write(std::string(c.size, 'x'));
        if (c.prepared) {
            writer.prepareCommit();
        }
        writer.commit(c.prepared ? FolderSync::Later : FolderSync::Now);
    });
    EXPECT_EQ(number, c.number);
    EXPECT_EQ(message, std::string(c.text) + ": " + target);
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(raisedNumber([&] { writer.commit(); }), 54);
    sys::calls() = sys::realCalls();
    expectOldFileIntact();
}

constexpr const char* DiskFull = "Disk full";
constexpr const char* AccessError = "Path/File access error";

INSTANTIATE_TEST_SUITE_P(
    Steps, AtomicWriterFaults,
    ::testing::Values(Fault{"diskFullWhileWriting", Call::Write, ENOSPC, 4 * Buffer, false, 61, DiskFull},
                      Fault{"ioErrorAtTheLastFlush", Call::Write, EIO, 10, false, 75, AccessError},
                      Fault{"deviceTakesNothing", Call::Write, 0, 10, false, 61, DiskFull},
                      Fault{"diskFullWhilePreparing", Call::Write, ENOSPC, 10, true, 61, DiskFull},
                      Fault{"fsyncIoError", Call::Fsync, EIO, 10, false, 75, AccessError},
                      Fault{"fsyncDiskFull", Call::Fsync, ENOSPC, 10, false, 61, DiskFull},
                      Fault{"fsyncIoErrorAfterPreparing", Call::Fsync, EIO, 10, true, 75, AccessError},
                      Fault{"closeQuotaExceeded", Call::Close, EDQUOT, 10, false, 61, DiskFull},
                      Fault{"renameDenied", Call::Rename, EACCES, 10, false, 70, "Permission denied"},
                      Fault{"renameCrossDevice", Call::Rename, EXDEV, 10, false, 75, AccessError}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(AtomicTextWriter, CreationFailuresRaiseTheMatchingErrorNamingThePath) {
    ScratchDir dir;
    fs::create_directory(dir / "folder");
    writeBytes(dir / "file.txt", "x");
    const auto failure = [](const std::string& path) {
        return raised([&] { AtomicTextWriter writer(path); });
    };
    const std::string missing = (dir / "nowhere/page.html").string();
    EXPECT_EQ(failure(missing), std::make_pair(76, "Path not found: " + missing));
    const std::string folder = (dir / "folder").string();
    EXPECT_EQ(failure(folder), std::make_pair(75, "Path/File access error: " + folder));
    EXPECT_EQ(failure((dir / "file.txt/page.html").string()).first, 76);
    EXPECT_EQ(failure("").first, 76);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"file.txt", "folder"}));
}

TEST(AtomicTextWriter, ReadOnlyTargetAndFolderRaise70) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes everywhere";
    }
    ScratchDir dir;
    writeBytes(dir / "locked.css", "old");
    fs::permissions(dir / "locked.css", fs::perms::owner_read);
    EXPECT_EQ(raisedNumber([&] { writeFileAtomically((dir / "locked.css").string(), "new"); }), 70);
    EXPECT_EQ(readBytes(dir / "locked.css"), "old");
    fs::create_directory(dir / "shut");
    fs::permissions(dir / "shut", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(raisedNumber([&] { writeFileAtomically((dir / "shut/new.css").string(), "new"); }), 70);
    fs::permissions(dir / "shut", fs::perms::owner_all);
}

TEST(AtomicTextWriter, SymbolicLinkStaysAndItsFileIsReplaced) {
    ScratchDir dir;
    fs::create_directory(dir / "real");
    writeBytes(dir / "real/style.css", "old");
    fs::create_symlink(dir / "real/style.css", dir / "link.css");
    writeFileAtomically((dir / "link.css").string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.css"));
    EXPECT_EQ(readBytes(dir / "real/style.css"), "new");
    EXPECT_EQ(namesIn(dir / "real"), std::vector<std::string>{"style.css"});
}

TEST(AtomicTextWriter, DeviceIsWrittenThroughNotReplaced) {
    if (!fs::is_character_file("/dev/full") || !fs::is_character_file("/dev/null")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    writeFileAtomically("/dev/null", "gone");
    EXPECT_EQ(raisedNumber([] { writeFileAtomically("/dev/full", "no room"); }), 61);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(AtomicTextWriter, PreparedFilesCommitLaterWithOneFolderSync) {
    ScratchDir dir;
    writeBytes(dir / "b.html", "old b");
    std::vector<AtomicTextWriter> writers;
    for (const char* name : {"a.html", "b.html", "c.html"}) {
        writers.emplace_back((dir / name).string());
        writers.back().Write(std::string("new ") + name);
        writers.back().prepareCommit();
        // Text written after preparing still arrives.
        writers.back().Write(" and");
        writeInPlace(writers.back(), " more");
    }
    EXPECT_EQ(readBytes(dir / "b.html"), "old b");
    EXPECT_FALSE(fs::exists(dir / "a.html"));
    for (AtomicTextWriter& writer : writers) {
        writer.commit(FolderSync::Later);
    }
    EXPECT_EQ(writers[0].folder(), dir.path().string());
    writers[0].syncFolder();
    EXPECT_EQ(readBytes(dir / "a.html"), "new a.html and more");
    EXPECT_EQ(readBytes(dir / "b.html"), "new b.html and more");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"a.html", "b.html", "c.html"}));
}

// Only what would otherwise be lost waits for the disk: a new page does not, a page that
// replaces one does, and a user's own file always does.
TEST(AtomicTextWriter, SyncsWhenSomethingCouldBeLost) {
    ScratchDir dir;
    RealCallsAfter realCalls;
    writeBytes(dir / "old.html", "old page");
    static int fileSyncs = 0;
    sys::calls().fsync = [](int fd) {
        struct stat info {};
        fileSyncs += ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
        return ::fsync(fd);
    };
    const auto syncsFor = [&](const char* name, Durability durability) {
        const int before = fileSyncs;
        AtomicTextWriter writer((dir / name).string(), durability);
        writer.Write("page");
        const bool announced = writer.syncsOnCommit();
        writer.commit();
        EXPECT_EQ(announced, fileSyncs > before) << name;
        EXPECT_EQ(readBytes(dir / name), "page");
        return fileSyncs - before;
    };
    EXPECT_EQ(syncsFor("new.html", Durability::WhenReplacing), 0);
    EXPECT_EQ(syncsFor("old.html", Durability::WhenReplacing), 1);
    EXPECT_EQ(syncsFor("style.css", Durability::Always), 1);
}

} // namespace
} // namespace quillon::files
