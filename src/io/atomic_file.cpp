#include "io/atomic_file.h"

#include "base/vb_error.h"
#include "io/file_errors.h"
#include "io/sys_calls.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::files {

namespace {

std::string folderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

// A name no other writer picks: random, and tried with O_EXCL besides.
std::string temporaryNameBeside(const std::string& target) {
    static std::atomic<unsigned long long> counter{0};
    static const unsigned long long seed = std::random_device{}();
    const unsigned long long value =
        seed ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull) ^ static_cast<unsigned long long>(::getpid());
    static constexpr char digits[] = "0123456789abcdef";
    std::string suffix = ".tmp-";
    for (int i = 0; i < 12; ++i) {
        suffix += digits[(value >> (4 * i)) & 0xF];
    }
    // Hidden, so that folder listings of source files never show it; shortened so that a
    // long file name still leaves room for the suffix.
    const std::string name = std::filesystem::path(target).filename().string().substr(0, 200);
    return (std::filesystem::path(folderOf(target)) / ("." + name + suffix)).string();
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

struct AtomicTextWriter::State {
    std::string path;      // as the caller gave it: every message names this one
    std::string target;    // where the file really goes (a symbolic link followed)
    std::string temporary; // empty when writing straight through to a device or pipe
    int fd = -1;
    std::unique_ptr<char[]> buffer{new char[BufferSize]};
    std::size_t capacity = BufferSize;
    std::size_t used = 0;
    // Bytes handed to the file so far, and how many of them the disk was asked to take
    // early: a large page then reaches the disk while it is still being written, and the
    // sync at commit has little left to wait for.
    unsigned long long written = 0;
    unsigned long long writebackRequested = 0;
    bool syncOnCommit = true;

    ~State() { abandon(); }

    void abandon() noexcept {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        if (!temporary.empty()) {
            ::unlink(temporary.c_str());
            temporary.clear();
        }
    }

    [[noreturn]] void fail(int errorCode) {
        abandon();
        raiseFileError(errorCode, path, FileAccess::Write);
    }

    void writeAll(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t count = sys::calls().write(fd, data, size);
            if (count < 0) {
                if (errno == EINTR) {
                    continue;
                }
                fail(errno);
            }
            if (count == 0) {
                fail(ENOSPC); // the device took nothing: full, whatever it says
            }
            data += count;
            size -= static_cast<std::size_t>(count);
            written += static_cast<unsigned long long>(count);
        }
        requestWriteback();
    }

    // Only a hint: whatever goes wrong on the way to the disk is reported by the sync at
    // commit, which is still made and checked.
    void requestWriteback() noexcept {
#ifdef SYNC_FILE_RANGE_WRITE
        constexpr unsigned long long Step = 8ull << 20;
        if (!temporary.empty() && syncOnCommit && written - writebackRequested >= Step) {
            ::sync_file_range(fd, static_cast<off_t>(writebackRequested),
                              static_cast<off_t>(written - writebackRequested), SYNC_FILE_RANGE_WRITE);
            writebackRequested = written;
        }
#endif
    }

    void flushBuffer() {
        const std::size_t size = used;
        used = 0;
        writeAll(buffer.get(), size);
    }
};

AtomicTextWriter::AtomicTextWriter(const std::string& path, Durability durability)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.path = path;
    s.target = path;
    if (path.empty()) {
        raise(vberr::PathNotFound, path);
    }
    struct stat info {};
    bool exists = false;
    if (::lstat(path.c_str(), &info) == 0) {
        exists = true;
        if (S_ISLNK(info.st_mode)) {
            char resolved[PATH_MAX];
            struct stat followed {};
            if (::realpath(path.c_str(), resolved) != nullptr && ::stat(resolved, &info) == 0) {
                s.target = resolved;
            } else if (::stat(path.c_str(), &followed) == 0) {
                // A link with no path behind it, such as /dev/stdout on a pipe: the pipe
                // is written through below, never renamed over.
                info = followed;
            }
        }
    } else if (errno != ENOENT) {
        raiseFileError(errno, path, FileAccess::Write);
    }

    if (exists && S_ISDIR(info.st_mode)) {
        raise(vberr::PathFileAccess, path);
    }
    if (exists && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        // Renaming over a device would replace the device: write to it instead.
        int fd;
        do {
            fd = ::open(s.target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            raiseFileError(errno, path, FileAccess::Write);
        }
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        }
        s.fd = fd;
        return;
    }
    s.syncOnCommit = durability == Durability::Always || exists;
    if (exists && S_ISREG(info.st_mode) && ::faccessat(AT_FDCWD, s.target.c_str(), W_OK, AT_EACCESS) != 0) {
        // A read-only file is not replaced behind its owner's back.
        raiseFileError(errno, path, FileAccess::Write);
    }

    for (int attempt = 0;; ++attempt) {
        std::string temporary = temporaryNameBeside(s.target);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            s.fd = fd;
            s.temporary = std::move(temporary);
            break;
        }
        if (errno != EEXIST || attempt == 100) {
            raiseFileError(errno, path, FileAccess::Write);
        }
    }
    if (exists && S_ISREG(info.st_mode)) {
        // The new version keeps the old one's permissions and, where allowed, its owner.
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(s.fd, info.st_uid, info.st_gid);
        }
        ::fchmod(s.fd, info.st_mode & 07777);
    }
}

AtomicTextWriter::~AtomicTextWriter() = default;
AtomicTextWriter::AtomicTextWriter(AtomicTextWriter&&) noexcept = default;
AtomicTextWriter& AtomicTextWriter::operator=(AtomicTextWriter&&) noexcept = default;

bool AtomicTextWriter::isOpen() const noexcept {
    return state_ && state_->fd >= 0;
}

const std::string& AtomicTextWriter::path() const noexcept {
    static const std::string none;
    return state_ ? state_->path : none;
}

void AtomicTextWriter::Write(std::string_view text) {
    if (!isOpen()) {
        raise(vberr::BadFileMode, path());
    }
    if (text.empty()) {
        return;
    }
    State& s = *state_;
    if (text.size() <= s.capacity - s.used) {
        std::memcpy(s.buffer.get() + s.used, text.data(), text.size());
        s.used += text.size();
        return;
    }
    s.flushBuffer();
    if (text.size() >= s.capacity) {
        s.writeAll(text.data(), text.size());
    } else {
        std::memcpy(s.buffer.get(), text.data(), text.size());
        s.used = text.size();
    }
}

char* AtomicTextWriter::reserve(std::size_t size) {
    if (!isOpen()) {
        raise(vberr::BadFileMode, path());
    }
    State& s = *state_;
    if (size > s.capacity - s.used) {
        s.flushBuffer();
        if (size > s.capacity) {
            s.buffer.reset(new char[size]);
            s.capacity = size;
        }
    }
    return s.buffer.get() + s.used;
}

void AtomicTextWriter::commitReserved(const char* end) {
    if (!isOpen()) {
        raise(vberr::BadFileMode, path());
    }
    State& s = *state_;
    const char* const begin = s.buffer.get() + s.used;
    if (end < begin || end > s.buffer.get() + s.capacity) {
        raise(vberr::InvalidCall, path());
    }
    s.used = static_cast<std::size_t>(end - s.buffer.get());
}

void AtomicTextWriter::WriteLine(std::string_view text) {
    Write(text);
    Write("\r\n");
}

void AtomicTextWriter::prepareCommit() {
    if (!isOpen()) {
        raise(vberr::BadFileMode, path());
    }
    State& s = *state_;
    s.flushBuffer();
#ifdef SYNC_FILE_RANGE_WRITE
    if (!s.temporary.empty() && s.syncOnCommit && s.written > s.writebackRequested) {
        ::sync_file_range(s.fd, static_cast<off_t>(s.writebackRequested),
                          static_cast<off_t>(s.written - s.writebackRequested), SYNC_FILE_RANGE_WRITE);
        s.writebackRequested = s.written;
    }
#endif
    s.buffer.reset();
    s.capacity = 0;
}

void AtomicTextWriter::commit(FolderSync folderSync) {
    if (!isOpen()) {
        raise(vberr::BadFileMode, path());
    }
    State& s = *state_;
    s.flushBuffer();
    if (s.temporary.empty()) {
        const int fd = s.fd;
        s.fd = -1;
        if (sys::calls().close(fd) != 0 && errno != EINTR) {
            s.fail(errno);
        }
        return;
    }
    // A successful close alone proves nothing: the data must be on the disk before the
    // rename makes it the file, or a crash could leave an empty file in its place.
    if (s.syncOnCommit && sys::calls().fsync(s.fd) != 0 && errno != EINVAL) {
        s.fail(errno);
    }
    const int fd = s.fd;
    s.fd = -1;
    if (sys::calls().close(fd) != 0 && errno != EINTR) {
        s.fail(errno);
    }
    if (sys::calls().rename(s.temporary.c_str(), s.target.c_str()) != 0) {
        s.fail(errno);
    }
    s.temporary.clear();
    if (folderSync == FolderSync::Now && s.syncOnCommit) {
        quillon::files::syncFolder(folderOf(s.target));
    }
}

std::string AtomicTextWriter::folder() const {
    return state_ ? folderOf(state_->target) : std::string(".");
}

bool AtomicTextWriter::syncsOnCommit() const noexcept {
    return !state_ || state_->syncOnCommit;
}

void AtomicTextWriter::syncFolder() const {
    if (state_) {
        quillon::files::syncFolder(folderOf(state_->target));
    }
}

void AtomicTextWriter::discard() noexcept {
    if (state_) {
        state_->abandon();
    }
}

AtomicTextWriter CreateTextFile(const std::string& path) {
    return AtomicTextWriter(path);
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicTextWriter writer(path);
    writer.Write(bytes);
    writer.commit();
}

} // namespace quillon::files
