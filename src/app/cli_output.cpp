#include "cli_output.h"

#include "base/vb_error.h"
#include "io/atomic_file.h"
#include "io/file_errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::cli {

namespace {
// A read() that a signal does not cut short.
ssize_t readSome(int fd, std::string& buffer) {
    ssize_t got = 0;
    do {
        got = ::read(fd, buffer.data(), buffer.size());
    } while (got < 0 && errno == EINTR);
    return got;
}
} // namespace

void Output::write(std::string_view text) {
    char* at = reserve(text.size());
    if (!text.empty()) {
        std::memcpy(at, text.data(), text.size());
    }
    used_ += text.size();
}

void Output::line(std::string_view text) {
    write(text);
    write("\n");
}

char* Output::reserve(std::size_t size) {
    if (size > capacity_ - used_) {
        flush();
        if (size > capacity_) {
            buffer_.reset(new char[size]);
            capacity_ = size;
        }
    }
    return buffer_.get() + used_;
}

void Output::flush() {
    if (used_ != 0 && std::fwrite(buffer_.get(), 1, used_, stdout) != used_) {
        raise(vberr::DiskFull, "standard output");
    }
    used_ = 0;
}

void Output::close() {
    flush();
    if (std::fflush(stdout) != 0) {
        raise(vberr::DiskFull, "standard output");
    }
}

std::optional<long long> Output::plainFileOffset() {
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
    const off_t offset = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
    if (flags < 0 || (flags & O_APPEND) != 0 || offset < 0) {
        return std::nullopt;
    }
    return static_cast<long long>(offset);
}

void Output::takeBackTo(long long offset) {
    used_ = 0;
    if (std::fflush(stdout) != 0 || ::ftruncate(STDOUT_FILENO, static_cast<off_t>(offset)) != 0 ||
        ::fseeko(stdout, static_cast<off_t>(offset), SEEK_SET) != 0) {
        raise(vberr::DiskFull, "standard output");
    }
}

void LineFeedFilter::append(std::string_view piece, std::string& out) {
    if (piece.empty()) {
        return;
    }
    if (carriageReturnHeld_ && piece.front() != '\n') {
        out += '\r';
    }
    carriageReturnHeld_ = false;
    for (std::size_t at = 0; at < piece.size();) {
        const std::size_t cr = piece.find('\r', at);
        if (cr == std::string_view::npos) {
            out.append(piece.substr(at));
            return;
        }
        out.append(piece.substr(at, cr - at));
        if (cr + 1 == piece.size()) {
            carriageReturnHeld_ = true;
            return;
        }
        if (piece[cr + 1] != '\n') {
            out += '\r';
        }
        at = cr + 1;
    }
}

void LineFeedFilter::finish(std::string& out) {
    if (carriageReturnHeld_) {
        out += '\r';
    }
    carriageReturnHeld_ = false;
}

StandardOutputPipe::StandardOutputPipe(LineEnd lineEnd) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        raise(vberr::InvalidCall, "standard output");
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    path_ = "/proc/self/fd/" + std::to_string(writeEnd_);
    thread_ = std::thread([this, lineEnd] { pump(lineEnd); });
}

StandardOutputPipe::~StandardOutputPipe() {
    if (writeEnd_ >= 0) {
        ::close(writeEnd_);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(readEnd_);
}

void StandardOutputPipe::pump(LineEnd lineEnd) {
    Output out;
    LineFeedFilter filter;
    std::string piece(64 * 1024, '\0');
    std::string converted;
    for (;;) {
        const ssize_t got = readSome(readEnd_, piece);
        if (got <= 0) {
            break;
        }
        // After a failure the pipe is still emptied, so that the writer never blocks.
        if (failure_) {
            continue;
        }
        try {
            const std::string_view bytes(piece.data(), static_cast<std::size_t>(got));
            if (lineEnd == LineEnd::Lf) {
                converted.clear();
                filter.append(bytes, converted);
                out.write(converted);
            } else {
                out.write(bytes);
            }
        } catch (const VbError& error) {
            failure_ = error.description();
        }
    }
    if (!failure_) {
        try {
            converted.clear();
            filter.finish(converted);
            out.write(converted);
            out.close();
        } catch (const VbError& error) {
            failure_ = error.description();
        }
    }
}

void StandardOutputPipe::close() {
    ::close(writeEnd_);
    writeEnd_ = -1;
    thread_.join();
    if (failure_) {
        raise(vberr::DiskFull, "standard output");
    }
}

void rewriteWithLineFeeds(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        files::raiseFileError(errno, path, files::FileAccess::Read);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    files::AtomicTextWriter rewritten(path, files::Durability::WhenReplacing);
    LineFeedFilter filter;
    std::string piece(64 * 1024, '\0');
    std::string converted;
    for (;;) {
        const ssize_t got = readSome(fd, piece);
        if (got < 0) {
            files::raiseFileError(errno, path, files::FileAccess::Read);
        }
        converted.clear();
        if (got == 0) {
            filter.finish(converted);
            rewritten.Write(converted);
            break;
        }
        filter.append(std::string_view(piece.data(), static_cast<std::size_t>(got)), converted);
        rewritten.Write(converted);
    }
    rewritten.commit();
}

} // namespace quillon::cli
