#include "platform/files/text_reader.h"

#include "engine/vb_error.h"
#include "platform/files/posix_file.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillon::files {

TextReader::TextReader(const std::string& path) : path_(path), buffer_(new char[ChunkSize]) {
    struct stat info {};
    detail::FileDescriptor file = detail::openForReading(path, info);
    fd_ = file.get();
    const bool regular = S_ISREG(info.st_mode);
    size_ = regular ? static_cast<std::uint64_t>(info.st_size) : 0;
    try {
        decideEncoding(regular);
    } catch (...) {
        fd_ = -1;
        throw;
    }
    file.release();
}

TextReader::~TextReader() {
    Close();
}

TextReader::TextReader(TextReader&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), buffer_(std::move(other.buffer_)),
      position_(std::exchange(other.position_, 0)), end_(std::exchange(other.end_, 0)),
      nextLineFeed_(other.nextLineFeed_), consumedBefore_(other.consumedBefore_), size_(other.size_),
      endOfFile_(std::exchange(other.endOfFile_, true)), pendingLineFeed_(other.pendingLineFeed_),
      decision_(other.decision_), checkEachLine_(other.checkEachLine_) {}

TextReader& TextReader::operator=(TextReader&& other) noexcept {
    if (this != &other) {
        Close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        buffer_ = std::move(other.buffer_);
        position_ = std::exchange(other.position_, 0);
        end_ = std::exchange(other.end_, 0);
        nextLineFeed_ = other.nextLineFeed_;
        consumedBefore_ = other.consumedBefore_;
        size_ = other.size_;
        endOfFile_ = std::exchange(other.endOfFile_, true);
        pendingLineFeed_ = other.pendingLineFeed_;
        decision_ = other.decision_;
        checkEachLine_ = other.checkEachLine_;
    }
    return *this;
}

void TextReader::decideEncoding(bool regularFile) {
    EncodingDetector detector;
    char* buffer = buffer_.get();
    if (regularFile) {
        // One pass over the file before any line is read: a file is one encoding, and the
        // first byte that is not UTF-8 may come late. The pass stops as soon as it knows.
        long long offset = 0;
        std::size_t firstChunk = 0;
        int chunksRead = 0;
        bool reachedEnd = false;
        for (;;) {
            const std::size_t got = detail::readSomeAt(fd_, buffer, ChunkSize, offset, path_);
            if (got == 0) {
                reachedEnd = true;
                break;
            }
            if (chunksRead++ == 0) {
                firstChunk = got;
            }
            detector.feed(std::string_view(buffer, got));
            offset += static_cast<long long>(got);
            if (detector.settled()) {
                break;
            }
        }
        decision_ = detector.decide(reachedEnd);
        if (chunksRead == 1 && ::lseek(fd_, static_cast<off_t>(firstChunk), SEEK_SET) >= 0) {
            // The buffer still holds the first chunk: a small file is read only once.
            end_ = firstChunk;
            position_ = decision_.bomLength;
        } else if (decision_.bomLength > 0) {
            ::lseek(fd_, static_cast<off_t>(decision_.bomLength), SEEK_SET);
            consumedBefore_ = decision_.bomLength;
        }
        return;
    }
    // A pipe or device cannot be read twice: decide on the first chunk and keep it.
    while (end_ < ChunkSize) {
        const std::size_t got = detail::readSome(fd_, buffer + end_, ChunkSize - end_, path_);
        if (got == 0) {
            endOfFile_ = true;
            break;
        }
        end_ += got;
    }
    detector.feed(std::string_view(buffer, end_));
    decision_ = detector.decide(endOfFile_);
    position_ = std::min(decision_.bomLength, end_);
    checkEachLine_ = !endOfFile_ && decision_.encoding == TextEncoding::Utf8;
}

bool TextReader::fill() {
    consumedBefore_ += end_;
    position_ = 0;
    end_ = 0;
    nextLineFeed_ = 0;
    if (fd_ < 0 || endOfFile_) {
        return false;
    }
    const std::size_t got = detail::readSome(fd_, buffer_.get(), ChunkSize, path_);
    if (got == 0) {
        endOfFile_ = true;
        return false;
    }
    end_ = got;
    return true;
}

void TextReader::skipPendingLineFeed() {
    if (!pendingLineFeed_) {
        return;
    }
    if (position_ == end_ && !fill()) {
        pendingLineFeed_ = false;
        return;
    }
    pendingLineFeed_ = false;
    if (buffer_[position_] == '\n') {
        ++position_;
    }
}

void TextReader::appendDecoded(std::string& out, const char* bytes, std::size_t size) const {
    if (decision_.encoding == TextEncoding::Windows1252) {
        appendWindows1252AsUtf8(out, std::string_view(bytes, size));
    } else {
        out.append(bytes, size);
    }
}

void TextReader::finishLine(std::string& line) const {
    if (checkEachLine_ && !isValidUtf8(line)) {
        line = windows1252ToUtf8(line);
    }
}

bool TextReader::readLine(std::string& line) {
    line.clear();
    skipPendingLineFeed();
    bool started = false;
    for (;;) {
        if (position_ == end_ && !fill()) {
            if (started) {
                finishLine(line);
            }
            return started;
        }
        const char* buffer = buffer_.get();
        if (nextLineFeed_ == 0 || nextLineFeed_ < position_) {
            const void* found = std::memchr(buffer + position_, '\n', end_ - position_);
            nextLineFeed_ = found ? static_cast<std::size_t>(static_cast<const char*>(found) - buffer) : end_;
        }
        const void* carriageReturn = std::memchr(buffer + position_, '\r', nextLineFeed_ - position_);
        const std::size_t lineEnd =
            carriageReturn ? static_cast<std::size_t>(static_cast<const char*>(carriageReturn) - buffer)
                           : nextLineFeed_;
        if (lineEnd == end_) {
            appendDecoded(line, buffer + position_, end_ - position_);
            position_ = end_;
            started = true;
            continue;
        }
        appendDecoded(line, buffer + position_, lineEnd - position_);
        position_ = lineEnd + 1;
        if (buffer[lineEnd] == '\r') {
            if (position_ < end_) {
                if (buffer[position_] == '\n') {
                    ++position_;
                }
            } else {
                pendingLineFeed_ = true;
            }
        }
        finishLine(line);
        return true;
    }
}

std::string TextReader::ReadLine() {
    std::string line;
    if (!readLine(line)) {
        raise(vberr::InputPastEnd, path_);
    }
    return line;
}

std::string TextReader::ReadAll() {
    std::string all;
    skipPendingLineFeed();
    while (position_ < end_ || fill()) {
        appendDecoded(all, buffer_.get() + position_, end_ - position_);
        position_ = end_;
    }
    finishLine(all);
    return all;
}

bool TextReader::AtEndOfStream() {
    skipPendingLineFeed();
    return position_ == end_ && !fill();
}

void TextReader::Close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    consumedBefore_ += position_;
    position_ = 0;
    end_ = 0;
    endOfFile_ = true;
    pendingLineFeed_ = false;
}

TextReader OpenTextFile(const std::string& path) {
    return TextReader(path);
}

} // namespace quillon::files
