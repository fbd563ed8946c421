// Writing a new version of a file: whatever fails, the old file stays whole and nothing
// is left beside it.

#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/sys_calls.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillon::files {
namespace {

using test::raised;
using test::readBytes;
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

class AtomicTextWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeBytes(target, "old page\r\n");
        ::chmod(target.c_str(), 0640);
    }
    void TearDown() override { sys::calls() = sys::realCalls(); }

    void expectOldFileIntact() {
        EXPECT_EQ(readBytes(target), "old page\r\n");
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"page.html"});
    }

    test::ScratchDir dir;
    std::string target = (dir / "page.html").string();
};

// Pieces of every size through every way of writing, past the buffer and past the steps at
// which the disk is asked to start early; the old file's permissions stay.
TEST_F(AtomicTextWriterTest, TextArrivesInOrderWhateverWritesItAndHoweverLarge) {
    AtomicTextWriter writer(target);
    std::string expected;
    for (int i = 0; expected.size() < (20u << 20); ++i) {
        const std::string piece(i % 50 == 0 ? 3 * Buffer + 17 : static_cast<std::size_t>(i % 997),
                                static_cast<char>('a' + i % 26));
        i % 3 == 0 ? writer.Write(piece) : i % 3 == 1 ? writer.WriteLine(piece) : writeInPlace(writer, piece);
        expected += i % 3 == 1 ? piece + "\r\n" : piece;
    }
    char* at = writer.reserve(100);
    EXPECT_EQ(raised([&] { writer.commitReserved(at - 1); }).first, 5);
    writer.commitReserved(at); // room given up writes nothing
    EXPECT_EQ(readBytes(target), "old page\r\n") << "nothing shows before commit";
    writer.Close();
    EXPECT_TRUE(readBytes(target) == expected);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"page.html"});

    sys::calls().write = [](int fd, const void* data, size_t size) {
        return ::write(fd, data, std::min<size_t>(size, 7));
    };
    const mode_t mask = ::umask(022);
    writeFileAtomically((dir / "new.css").string(), "written seven bytes at a time");
    ::umask(mask);
    EXPECT_EQ(readBytes(dir / "new.css"), "written seven bytes at a time");
    EXPECT_EQ(fs::status(dir / "new.css").permissions() & fs::perms::all, fs::perms(0644));
}

TEST_F(AtomicTextWriterTest, DroppedOrDiscardedWriterLeavesTheOldFileAndRaises54) {
    AtomicTextWriter(target).WriteLine("half a page");
    expectOldFileIntact();
    AtomicTextWriter writer(target);
    writer.WriteLine("discarded");
    writer.discard();
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(raised([&] { writer.Write("more"); }).first, 54);
    EXPECT_EQ(raised([&] { writer.prepareCommit(); }).first, 54);
    expectOldFileIntact();
}

enum class Call { Write, Fsync, Close, Rename, Name };
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
    sys::Calls& calls = sys::calls();
    switch (fault.call) {
    case Call::Write:
        calls.write = [](int, const void*, size_t) -> ssize_t {
            return faultError == 0 ? 0 : (errno = faultError, -1);
        };
        break;
    case Call::Fsync:
        calls.fsync = [](int) { return errno = faultError, -1; };
        break;
    case Call::Close:
        calls.close = [](int fd) { return ::close(fd), errno = faultError, -1; };
        break;
    case Call::Rename:
        calls.rename = [](const char*, const char*) { return errno = faultError, -1; };
        break;
    case Call::Name:
        calls.nameAnonymous = [](int, const char*) { return errno = faultError, -1; };
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
    EXPECT_EQ(raised([&] { writer.commit(); }).first, 54);
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
                      Fault{"fsyncIoErrorAfterPreparing", Call::Fsync, EIO, 10, true, 75, AccessError},
                      Fault{"closeQuotaExceeded", Call::Close, EDQUOT, 10, false, 61, DiskFull},
                      Fault{"renameDenied", Call::Rename, EACCES, 10, false, 70, "Permission denied"},
                      Fault{"renameCrossDevice", Call::Rename, EXDEV, 10, false, 75, AccessError},
                      Fault{"namingDenied", Call::Name, EPERM, 10, false, 70, "Permission denied"}),
    [](const auto& param) { return std::string(param.param.name); });

// A missing folder, a folder at the target, a file as a folder; a symbolic link stays and
// its file is replaced; a device is written through, not replaced.
TEST_F(AtomicTextWriterTest, TargetsThatAreNoPlainFile) {
    fs::create_directory(dir / "folder");
    const auto failure = [](const fs::path& path) {
        return raised([&] { AtomicTextWriter writer(path.string()); });
    };
    const std::string nowhere = (dir / "nowhere/p.html").string();
    EXPECT_EQ(failure(nowhere), std::make_pair(76, "Path not found: " + nowhere));
    EXPECT_EQ(failure(dir / "folder"),
              std::make_pair(75, "Path/File access error: " + (dir / "folder").string()));
    EXPECT_EQ(failure(dir / "page.html/x.html").first, 76);
    EXPECT_EQ(failure("").first, 76);
    fs::create_symlink(target, dir / "folder/link.html");
    writeFileAtomically((dir / "folder/link.html").string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "folder/link.html"));
    EXPECT_EQ(readBytes(target), "new");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"folder", "page.html"}));
    writeFileAtomically("/dev/null", "gone");
    EXPECT_EQ(raised([] { writeFileAtomically("/dev/full", "no room"); }).first, 61);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(AtomicTextWriterTest, PreparedFilesCommitLaterWithOneFolderSync) {
    std::vector<AtomicTextWriter> writers;
    for (const char* name : {"a.html", "page.html"}) {
        writers.emplace_back((dir / name).string());
        writers.back().Write(std::string("new ") + name);
        writers.back().prepareCommit();
        writeInPlace(writers.back(), " and more"); // still arrives
    }
    expectOldFileIntact();
    for (AtomicTextWriter& writer : writers) {
        writer.commit(FolderSync::Later);
    }
    EXPECT_EQ(writers[0].folder(), dir.path().string());
    writers[0].syncFolder();
    EXPECT_EQ(readBytes(dir / "a.html"), "new a.html and more");
    EXPECT_EQ(readBytes(target), "new page.html and more");
}

// A group: the new file goes in place unsynced, each replaced one after its sync; one whose
// sync fails is reported in its place and leaves the old file and nothing beside it.
TEST_F(AtomicTextWriterTest, FilesCommittedTogetherEachSucceedOrFailAlone) {
    writeBytes(dir / "kept.html", "old kept");
    static int syncs = 0;
    sys::calls().fsync = [](int fd) {
        struct stat info {};
        ++syncs;
        return ::fstat(fd, &info) == 0 && info.st_size == 4 ? (errno = EIO, -1) : ::fsync(fd);
    };
    std::vector<AtomicTextWriter> writers;
    for (const auto& [name, text] : {std::pair{"new.html", "new page"}, std::pair{"page.html", "fail"},
                                     std::pair{"kept.html", "new kept"}}) {
        writers.emplace_back((dir / name).string(), Durability::WhenReplacing);
        writers.back().Write(text);
        writers.back().prepareCommit();
    }
    const std::vector<std::optional<VbError>> errors =
        commitTogether({&writers[0], &writers[1], &writers[2]});
    EXPECT_EQ(syncs, 2);
    EXPECT_FALSE(errors[0]);
    ASSERT_TRUE(errors[1]);
    EXPECT_EQ(errors[1]->number(), 75);
    EXPECT_FALSE(errors[2]);
    EXPECT_EQ(readBytes(dir / "new.html"), "new page");
    EXPECT_EQ(readBytes(target), "old page\r\n");
    EXPECT_EQ(readBytes(dir / "kept.html"), "new kept");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"kept.html", "new.html", "page.html"}));
}

// A copy is the original byte for byte, however long; an original that cannot be read
// raises naming it and leaves the old file.
TEST_F(AtomicTextWriterTest, CopiesAFileWhole) {
    std::string original(3 * Buffer + 17, '\0');
    for (std::size_t i = 0; i < original.size(); ++i) {
        original[i] = static_cast<char>(i * 7 % 251);
    }
    writeBytes(dir / "form.frx", original);
    AtomicTextWriter copy((dir / "copy.frx").string());
    copy.Write("x");
    copy.copyFrom((dir / "form.frx").string());
    copy.commit();
    EXPECT_EQ(readBytes(dir / "copy.frx"), "x" + original);
    const std::string missing = (dir / "gone.frm").string();
    const auto [number, message] = raised([&] {
        AtomicTextWriter writer(target);
        writer.copyFrom(missing);
    });
    EXPECT_EQ(number, 53);
    EXPECT_NE(message.find(missing), std::string::npos);
    EXPECT_EQ(readBytes(target), "old page\r\n");
}

// Only what would otherwise be lost waits for the disk: a new page does not, a page that
// replaces one does, and a user's own file always does.
TEST_F(AtomicTextWriterTest, SyncsWhenSomethingCouldBeLost) {
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
        return fileSyncs - before;
    };
    EXPECT_EQ(syncsFor("new.html", Durability::WhenReplacing), 0);
    EXPECT_EQ(syncsFor("page.html", Durability::WhenReplacing), 1);
    EXPECT_EQ(syncsFor("style.css", Durability::Always), 1);
}

// Where no unnamed file can be made, the temporary file is named after this process; one
// of a process that is gone is removed by the next writer into that folder.
TEST_F(AtomicTextWriterTest, NamedTemporariesOfGoneProcessesAreSwept) {
    sys::calls().openAnonymous = [](const char*, mode_t) { return errno = EOPNOTSUPP, -1; };
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    const std::string stale = ".page.html.tmp-" + std::to_string(gone) + "-0123456789ab";
    const std::string live = ".page.html.tmp-1-0123456789ab";
    writeBytes(dir / stale, "left by a killed run");
    writeBytes(dir / live, "still being written");
    AtomicTextWriter writer(target);
    EXPECT_EQ(namesIn(dir.path()).size(), 3u) << "its own, the live one's and the page";
    writer.Write("new page");
    writer.commit();
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{live, "page.html"}));
    EXPECT_EQ(readBytes(target), "new page");
}

TEST_F(AtomicTextWriterTest, StyleSheetLinkIsTheSheetsAddressFromThePagesFolder) {
    writeBytes(dir / "a b#%?\u00E9.css", "x");
    const std::string d = dir.path().string();
    const std::tuple<std::string, std::string, std::string, bool> links[] = {
        {d + "/page.html", d + "/p.html", "page.html", true},
        {d + "/a b#%?\u00E9.css", d + "/out/p.html", "../a%20b%23%25%3F%C3%A9.css", true},
        {d + "/page.html", d + "/x/../x/y/p.html", "../../page.html", true},
        {d + "/gone.css", d + "/p.html", "gone.css", false},
    };
    for (const auto& [sheet, page, href, found] : links) {
        EXPECT_EQ(linkFromPage(sheet, page).href, href) << sheet;
        EXPECT_EQ(linkFromPage(sheet, page).found, found) << sheet;
    }
    fs::create_hard_link(target, dir / "hard.html");
    EXPECT_TRUE(sameFile(d + "/hard.html", d + "/./page.html"));
    EXPECT_FALSE(sameFile(d + "/gone.css", d + "/gone.css"));
}

} // namespace
} // namespace quillon::files
