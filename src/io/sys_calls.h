#pragma once
// The few system calls whose failures are hard to bring about on purpose (a full disk, a
// failing close, a file system without anonymous files), reached through a table so that
// tests can make them fail.

#include <sys/types.h>

namespace quillon::files::sys {

struct Calls {
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    // An unnamed file in `folder` (O_TMPFILE): -1 with errno EOPNOTSUPP where the file
    // system or the system cannot make one.
    int (*openAnonymous)(const char* folder, mode_t mode);
    // Gives the unnamed file open on `fd` the name `name`.
    int (*nameAnonymous)(int fd, const char* name);
};

// The table in use; the real calls unless a test replaced some of them.
Calls& calls();
// The real calls, for restoring the table.
Calls realCalls();

} // namespace quillon::files::sys
