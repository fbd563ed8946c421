#pragma once
// An owned file descriptor and the reading calls the file layer shares. Internal to the
// file layer.

#include <cstddef>
#include <string>
#include <sys/stat.h>

namespace quillon::files::detail {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const noexcept { return fd_; }
    bool isOpen() const noexcept { return fd_ >= 0; }
    int release() noexcept {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes without looking at the result: only for descriptors opened for reading.
    void reset(int fd = -1) noexcept;

private:
    int fd_ = -1;
};

// Opens an existing file for reading, raising 53, 76, 70 or 75 (a folder) naming `path`.
// A named pipe is opened without waiting for a writer.
FileDescriptor openForReading(const std::string& path, struct stat& info);

// Reads up to `size` bytes, retrying interrupted calls; 0 only at the end of the file.
// A failed read raises 75 naming `path`.
std::size_t readSome(int fd, char* buffer, std::size_t size, const std::string& path);
// The same at an offset, leaving the descriptor's position alone.
std::size_t readSomeAt(int fd, char* buffer, std::size_t size, long long offset, const std::string& path);

} // namespace quillon::files::detail
