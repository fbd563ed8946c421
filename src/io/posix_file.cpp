#include "io/posix_file.h"

#include "base/vb_error.h"
#include "io/file_errors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quillon::files::detail {

void FileDescriptor::reset(int fd) noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

FileDescriptor openForReading(const std::string& path, struct stat& info) {
    if (path.empty()) {
        raise(vberr::FileNotFound, path);
    }
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        raiseFileError(errno, path, FileAccess::Read);
    }
    FileDescriptor file(fd);
    if (::fstat(fd, &info) != 0) {
        raiseFileError(errno, path, FileAccess::Read);
    }
    if (S_ISDIR(info.st_mode)) {
        raise(vberr::PathFileAccess, path);
    }
    // Non-blocking only so that opening a pipe cannot hang; reading waits as usual. A plain
    // file never blocks, so its flags are left alone: two calls fewer for every source.
    if (!S_ISREG(info.st_mode)) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        }
    }
    return file;
}

std::size_t readSome(int fd, char* buffer, std::size_t size, const std::string& path) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            raiseFileError(errno, path, FileAccess::Read);
        }
    }
}

std::size_t readSomeAt(int fd, char* buffer, std::size_t size, long long offset, const std::string& path) {
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            raiseFileError(errno, path, FileAccess::Read);
        }
    }
}

} // namespace quillon::files::detail
