#include "platform/files/atomic_file.h"
#include "platform/files/sys_calls.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::files {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;
namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int errorNumberOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const VbError& error) {
        return error.number();
    }
    return 0;
}

// Swaps system calls for failing ones for the length of a test.
class FaultyCalls {
public:
    FaultyCalls() = default;
    ~FaultyCalls() { sys::calls() = sys::realCalls(); }
    FaultyCalls(const FaultyCalls&) = delete;
    FaultyCalls& operator=(const FaultyCalls&) = delete;

    static inline int writesBeforeFailure = 0;
    static inline int failureErrno = 0;

    // Fails every write after the first `count` with `errorCode`.
    void failWritesAfter(int count, int errorCode) {
        writesBeforeFailure = count;
        failureErrno = errorCode;
        sys::calls().write = [](int fd, const void* data, size_t size) -> ssize_t {
            if (writesBeforeFailure-- <= 0) {
                errno = failureErrno;
                return -1;
            }
            return ::write(fd, data, size);
        };
    }
};

class AtomicTextWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        target = (dir / "page.html").string();
        writeBytes(target, "old page\r\n");
        ::chmod(target.c_str(), 0640);
    }

    // The old file is whole and nothing else was left in the folder.
    void expectOldFileIntact() {
        EXPECT_EQ(readBytes(target), "old page\r\n");
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"page.html"});
    }

    ScratchDir dir;
    std::string target;
};

TEST_F(AtomicTextWriterTest, CommitReplacesTheFileKeepingItsPermissions) {
    AtomicTextWriter writer = CreateTextFile(target);
    writer.Write("<PRE>");
    writer.WriteLine();
    writer.WriteLine("x = 1");
    EXPECT_EQ(readBytes(target), "old page\r\n") << "nothing shows before commit";
    writer.Close();
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(readBytes(target), "<PRE>\r\nx = 1\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"page.html"});
}

TEST_F(AtomicTextWriterTest, NewFileGetsTheUsualPermissions) {
    const mode_t mask = ::umask(022);
    const std::string path = (dir / "new.css").string();
    writeFileAtomically(path, "PRE\r\n");
    ::umask(mask);
    EXPECT_EQ(readBytes(path), "PRE\r\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST_F(AtomicTextWriterTest, LargeWritesArriveWhole) {
    std::string big(3 * AtomicTextWriter::BufferSize + 17, 'z');
    AtomicTextWriter writer(target);
    writer.Write("a");
    writer.Write(big);
    writer.Write(std::string(AtomicTextWriter::BufferSize - 3, 'b'));
    writer.commit();
    EXPECT_EQ(readBytes(target), "a" + big + std::string(AtomicTextWriter::BufferSize - 3, 'b'));
}

TEST_F(AtomicTextWriterTest, DroppedWithoutCommitLeavesTheOldFile) {
    {
        AtomicTextWriter writer(target);
        writer.WriteLine("half a page");
    }
    expectOldFileIntact();
    AtomicTextWriter writer(target);
    writer.WriteLine("discarded");
    writer.discard();
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(errorNumberOf([&] { writer.Write("more"); }), 54);
    expectOldFileIntact();
}

TEST_F(AtomicTextWriterTest, MovedWriterCarriesOn) {
    AtomicTextWriter first(target);
    first.Write("moved ");
    AtomicTextWriter second = std::move(first);
    second.Write("on");
    second.commit();
    EXPECT_EQ(readBytes(target), "moved on");
}

TEST_F(AtomicTextWriterTest, DiskFullWhileWritingRaises61AndKeepsTheOldFile) {
    FaultyCalls faults;
    faults.failWritesAfter(1, ENOSPC);
    AtomicTextWriter writer(target);
    const std::string chunk(AtomicTextWriter::BufferSize, 'x');
    try {
        for (int i = 0; i < 4; ++i) {
            writer.Write(chunk);
        }
        writer.commit();
        FAIL() << "no error";
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), 61);
        EXPECT_EQ(error.description(), "Disk full: " + target);
    }
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(errorNumberOf([&] { writer.commit(); }), 54);
    expectOldFileIntact();
}

TEST_F(AtomicTextWriterTest, FailureOfTheLastFlushAtCommitKeepsTheOldFile) {
    FaultyCalls faults;
    faults.failWritesAfter(0, EIO);
    EXPECT_EQ(errorNumberOf([&] { writeFileAtomically(target, "short page"); }), 75);
    expectOldFileIntact();
}

TEST_F(AtomicTextWriterTest, ShortAndEmptyWrites) {
    FaultyCalls faults;
    sys::calls().write = [](int fd, const void* data, size_t size) {
        return ::write(fd, data, size < 7 ? size : 7);
    };
    writeFileAtomically(target, "written seven bytes at a time");
    EXPECT_EQ(readBytes(target), "written seven bytes at a time");

    // A device that takes nothing is full, whatever it says.
    sys::calls().write = [](int, const void*, size_t) -> ssize_t { return 0; };
    EXPECT_EQ(errorNumberOf([&] { writeFileAtomically(target, "new"); }), 61);
    EXPECT_EQ(readBytes(target), "written seven bytes at a time");
}

struct CommitFault {
    const char* name;
    void (*install)();
    int number;
};
void PrintTo(const CommitFault& c, std::ostream* out) {
    *out << c.name;
}

class AtomicCommitFaults : public AtomicTextWriterTest, public ::testing::WithParamInterface<CommitFault> {};

TEST_P(AtomicCommitFaults, LeaveTheOldFileAndNoTemporary) {
    FaultyCalls faults;
    GetParam().install();
    AtomicTextWriter writer(target);
    writer.WriteLine("new page");
    EXPECT_EQ(errorNumberOf([&] { writer.commit(); }), GetParam().number);
    EXPECT_FALSE(writer.isOpen());
    expectOldFileIntact();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AtomicCommitFaults,
    ::testing::Values(
        CommitFault{"fsyncIoError", [] { sys::calls().fsync = [](int) { return errno = EIO, -1; }; }, 75},
        CommitFault{"fsyncDiskFull", [] { sys::calls().fsync = [](int) { return errno = ENOSPC, -1; }; }, 61},
        CommitFault{"closeQuotaExceeded",
                    [] {
                        sys::calls().close = [](int fd) {
                            ::close(fd);
                            return errno = EDQUOT, -1;
                        };
                    },
                    61},
        CommitFault{"renameDenied",
                    [] { sys::calls().rename = [](const char*, const char*) { return errno = EACCES, -1; }; },
                    70},
        CommitFault{"renameCrossDevice",
                    [] { sys::calls().rename = [](const char*, const char*) { return errno = EXDEV, -1; }; },
                    75}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(AtomicTextWriter, CreationFailuresRaiseTheMatchingErrorNamingThePath) {
    ScratchDir dir;
    fs::create_directory(dir / "folder");
    writeBytes(dir / "file.txt", "x");
    const auto failure = [](const std::string& path) -> std::pair<int, std::string> {
        try {
            AtomicTextWriter writer(path);
        } catch (const VbError& error) {
            return {error.number(), error.description()};
        }
        return {0, {}};
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
    EXPECT_EQ(errorNumberOf([&] { writeFileAtomically((dir / "locked.css").string(), "new"); }), 70);
    EXPECT_EQ(readBytes(dir / "locked.css"), "old");
    fs::create_directory(dir / "shut");
    fs::permissions(dir / "shut", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(errorNumberOf([&] { writeFileAtomically((dir / "shut/new.css").string(), "new"); }), 70);
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
    EXPECT_EQ(errorNumberOf([] { writeFileAtomically("/dev/full", "no room"); }), 61);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

} // namespace
} // namespace quillon::files
