#include "io/sys_calls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace quillon::files::sys {

namespace {

// Naming an unnamed file goes through /proc: without it the file could be written but
// never put in place, so it is not made at all.
bool procFdAvailable() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

int openAnonymous(const char* folder, mode_t mode) {
#ifdef O_TMPFILE
    if (procFdAvailable()) {
        int fd;
        do {
            fd = ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        } while (fd < 0 && errno == EINTR);
        // A kernel that does not know O_TMPFILE takes it for O_DIRECTORY: EISDIR.
        if (fd < 0 && (errno == EISDIR || errno == EINVAL)) {
            errno = EOPNOTSUPP;
        }
        return fd;
    }
#endif
    (void)folder;
    (void)mode;
    errno = EOPNOTSUPP;
    return -1;
}

int nameAnonymous(int fd, const char* name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW);
}

} // namespace

Calls realCalls() {
    return Calls{&::write, &::fsync, &::close, &::rename, &openAnonymous, &nameAnonymous};
}

Calls& calls() {
    static Calls table = realCalls();
    return table;
}

} // namespace quillon::files::sys
