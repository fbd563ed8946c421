#include "io/atomic_file.h"

#include "base/vb_error.h"
#include "io/file_errors.h"
#include "io/posix_file.h"
#include "io/sys_calls.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillon::files {

namespace {

std::string folderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

constexpr std::string_view TemporaryMark = ".tmp-";

// A name no other writer picks: this process's id, then a random part, and tried with
// O_EXCL besides. The id lets a later run tell the temporary files of a process that was
// killed from those of one still writing (sweepStaleTemporaries()).
std::string temporaryNameBeside(const std::string& target) {
    static std::atomic<unsigned long long> counter{0};
    static const unsigned long long seed = std::random_device{}();
    const unsigned long long value = seed ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    static constexpr char digits[] = "0123456789abcdef";
    std::string suffix = std::string(TemporaryMark) + std::to_string(::getpid()) + "-";
    for (int i = 0; i < 12; ++i) {
        suffix += digits[(value >> (4 * i)) & 0xF];
    }
    // Hidden, so that folder listings of source files never show it; shortened so that a
    // long file name still leaves room for the suffix.
    const std::string name = std::filesystem::path(target).filename().string().substr(0, 200);
    return (std::filesystem::path(folderOf(target)) / ("." + name + suffix)).string();
}

// The id of the process that made the temporary file `name`, or 0 when the name is none
// of ours.
pid_t ownerOfTemporary(std::string_view name) {
    const std::size_t mark = name.rfind(TemporaryMark);
    if (name.empty() || name[0] != '.' || mark == std::string_view::npos) {
        return 0;
    }
    std::string_view rest = name.substr(mark + TemporaryMark.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || rest.size() - dash - 1 != 12 ||
        rest.substr(dash + 1).find_first_not_of("0123456789abcdef") != std::string_view::npos ||
        rest.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos) {
        return 0;
    }
    return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
}

bool processIsGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Where anonymous files cannot be made, a process killed outright leaves its named
// temporary file behind: the next run to write into that folder removes those of
// processes that are gone. Once per folder and process, so a batch pays one look.
void sweepStaleTemporaries(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    {
        const std::lock_guard lock(mutex);
        if (!swept.insert(folder).second) {
            return;
        }
    }
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return;
    }
    const uid_t self = ::geteuid();
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t owner = ownerOfTemporary(entry->d_name);
        struct stat info {};
        if (owner > 0 && owner != ::getpid() &&
            ::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && (info.st_uid == self || self == 0) && processIsGone(owner)) {
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
        }
    }
    ::closedir(listing);
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The named temporary files that exist right now, for a signal handler to remove: fixed
// slots of plain characters, claimed and released with atomic operations only, so that
// the handler needs nothing that is not async-signal-safe.
class TemporaryRegistry {
public:
    static constexpr std::size_t Slots = 1024;

    // The slot holding `path`, or -1 when all are taken (the file then is only removed
    // by its writer or a later run).
    int hold(const std::string& path) noexcept {
        if (path.size() >= sizeof(Slot::path)) {
            return -1;
        }
        for (std::size_t i = 0; i < Slots; ++i) {
            int expected = Free;
            if (slots_[i].state.compare_exchange_strong(expected, Filling)) {
                std::memcpy(slots_[i].path, path.c_str(), path.size() + 1);
                slots_[i].state.store(Held);
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void release(int slot) noexcept {
        if (slot >= 0) {
            int expected = Held;
            slots_[slot].state.compare_exchange_strong(expected, Free);
        }
    }

    // In a signal handler: a slot taken here is never given back, the process is ending.
    void removeAll() noexcept {
        for (Slot& slot : slots_) {
            int expected = Held;
            if (slot.state.compare_exchange_strong(expected, Removing)) {
                ::unlink(slot.path);
            }
        }
    }

private:
    enum : int { Free, Filling, Held, Removing };
    struct Slot {
        std::atomic<int> state{Free};
        char path[PATH_MAX] = {};
    };
    static_assert(std::atomic<int>::is_always_lock_free);
    Slot slots_[Slots];
};

TemporaryRegistry& temporaries() {
    static TemporaryRegistry registry;
    return registry;
}

constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removeTemporariesAndEnd(int signalNumber) {
    temporaries().removeAll();
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signalNumber, &defaultAction, nullptr);
    // Delivered as soon as the handler returns, with the default action: the process ends
    // with the status that tells its caller which signal it was.
    ::raise(signalNumber);
}

} // namespace

void removeTemporariesOnSignals() {
    temporaries(); // made now, not first in a handler
    for (const int signalNumber : EndingSignals) {
        struct sigaction previous {};
        if (::sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) {
            continue; // started under nohup, say: the signal stays ignored
        }
        struct sigaction action {};
        action.sa_handler = &removeTemporariesAndEnd;
        sigfillset(&action.sa_mask);
        ::sigaction(signalNumber, &action, nullptr);
    }
}

struct AtomicTextWriter::State {
    std::string path;   // as the caller gave it: every message names this one
    std::string target; // where the file really goes (a symbolic link followed)
    // The temporary file's name while it has one: always where anonymous files cannot be
    // made, otherwise only between naming it and renaming it over the target.
    std::string temporary;
    int registrySlot = -1;
    // The temporary file has no name (O_TMPFILE): a process killed while writing it
    // leaves nothing behind.
    bool anonymous = false;
    // Written straight through (a device or a pipe at the target): nothing to rename.
    bool direct = false;
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
        forgetName(true);
        anonymous = false;
    }

    void holdName(std::string name) {
        temporary = std::move(name);
        registrySlot = temporaries().hold(temporary);
    }

    void forgetName(bool remove) noexcept {
        if (!temporary.empty()) {
            if (remove) {
                ::unlink(temporary.c_str());
            }
            temporaries().release(registrySlot);
            registrySlot = -1;
            temporary.clear();
        }
    }

    // Gives the anonymous file a name of its own beside the target, so that a rename can
    // put it in place (a link cannot replace a file).
    void nameAnonymousFile() {
        for (int attempt = 0;; ++attempt) {
            std::string name = temporaryNameBeside(target);
            // Held before it exists, so that no moment passes with a name a signal would miss.
            holdName(name);
            if (sys::calls().nameAnonymous(fd, name.c_str()) == 0) {
                anonymous = false;
                return;
            }
            const int error = errno;
            forgetName(false);
            if (error != EEXIST || attempt == 100) {
                fail(error);
            }
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
        if (!direct && syncOnCommit && written - writebackRequested >= Step) {
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
        s.direct = true;
        return;
    }
    s.syncOnCommit = durability == Durability::Always || exists;
    if (exists && S_ISREG(info.st_mode) && ::faccessat(AT_FDCWD, s.target.c_str(), W_OK, AT_EACCESS) != 0) {
        // A read-only file is not replaced behind its owner's back.
        raiseFileError(errno, path, FileAccess::Write);
    }

    const std::string folder = folderOf(s.target);
    sweepStaleTemporaries(folder);
    s.fd = sys::calls().openAnonymous(folder.c_str(), 0666);
    s.anonymous = s.fd >= 0;
    if (s.fd < 0 && errno != EOPNOTSUPP) {
        raiseFileError(errno, path, FileAccess::Write);
    }
    for (int attempt = 0; s.fd < 0; ++attempt) {
        std::string temporary = temporaryNameBeside(s.target);
        s.holdName(temporary);
        s.fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (s.fd < 0) {
            const int error = errno;
            s.forgetName(false);
            if (error != EEXIST || attempt == 100) {
                raiseFileError(error, path, FileAccess::Write);
            }
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

std::uint64_t AtomicTextWriter::size() const noexcept {
    return state_ ? state_->written + state_->used : 0;
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

void AtomicTextWriter::copyFrom(const std::string& source) {
    if (!isOpen()) {
        raise(vberr::BadFileMode, path());
    }
    State& s = *state_;
    if (s.capacity == 0) {
        s.buffer.reset(new char[BufferSize]);
        s.capacity = BufferSize;
    }
    try {
        struct stat info {};
        const detail::FileDescriptor in = detail::openForReading(source, info);
        for (;;) {
            if (s.used == s.capacity) {
                s.flushBuffer();
            }
            const std::size_t got =
                detail::readSome(in.get(), s.buffer.get() + s.used, s.capacity - s.used, source);
            if (got == 0) {
                break;
            }
            s.used += got;
        }
    } catch (...) {
        s.abandon();
        throw;
    }
}

void AtomicTextWriter::prepareCommit() {
    if (!isOpen()) {
        raise(vberr::BadFileMode, path());
    }
    State& s = *state_;
    s.flushBuffer();
#ifdef SYNC_FILE_RANGE_WRITE
    if (!s.direct && s.syncOnCommit && s.written > s.writebackRequested) {
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
    if (s.direct) {
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
    if (s.anonymous && !s.syncOnCommit && sys::calls().nameAnonymous(s.fd, s.target.c_str()) == 0) {
        // A new file is linked straight to its name: it never has another one, so a kill at
        // any moment leaves nothing behind. Should a file have appeared there meanwhile, the
        // link fails and a rename replaces it as usual.
        s.anonymous = false;
        const int fd = s.fd;
        s.fd = -1;
        if (sys::calls().close(fd) != 0 && errno != EINTR) {
            const int error = errno;
            ::unlink(s.target.c_str()); // nothing was there before it
            s.fail(error);
        }
        return;
    }
    if (s.anonymous) {
        s.nameAnonymousFile();
    }
    const int fd = s.fd;
    s.fd = -1;
    if (sys::calls().close(fd) != 0 && errno != EINTR) {
        s.fail(errno);
    }
    if (sys::calls().rename(s.temporary.c_str(), s.target.c_str()) != 0) {
        s.fail(errno);
    }
    s.forgetName(false);
    if (folderSync == FolderSync::Now && s.syncOnCommit) {
        quillon::files::syncFolder(folderOf(s.target));
    }
}

std::string AtomicTextWriter::folder() const {
    return state_ ? folderOf(state_->target) : std::string(".");
}

bool AtomicTextWriter::writesStraightThrough() const noexcept {
    return state_ && state_->direct;
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

std::vector<std::optional<VbError>> commitTogether(const std::vector<AtomicTextWriter*>& writers) {
    constexpr std::size_t SyncThreads = 8;
    std::vector<std::optional<VbError>> errors(writers.size());
    std::vector<std::size_t> syncing;
    for (std::size_t k = 0; k < writers.size(); ++k) {
        if (writers[k]->syncsOnCommit()) {
            syncing.push_back(k);
            continue;
        }
        // Nothing is replaced: nothing to wait for.
        try {
            writers[k]->commit(AtomicTextWriter::FolderSync::Later);
        } catch (...) {
            errors[k] = currentError();
        }
    }
    std::atomic<std::size_t> next{0};
    auto commitSome = [&] {
        for (std::size_t n = next++; n < syncing.size(); n = next++) {
            try {
                writers[syncing[n]]->commit(AtomicTextWriter::FolderSync::Later);
            } catch (...) {
                errors[syncing[n]] = currentError();
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t t = 1; t < std::min(syncing.size(), SyncThreads); ++t) {
            helpers.emplace_back(commitSome);
        }
        commitSome();
    }
    std::set<std::string> folders;
    for (const std::size_t k : syncing) {
        if (!errors[k] && folders.insert(writers[k]->folder()).second) {
            writers[k]->syncFolder();
        }
    }
    return errors;
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicTextWriter writer(path);
    writer.Write(bytes);
    writer.commit();
}

} // namespace quillon::files
