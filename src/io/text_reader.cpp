#include "io/text_reader.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "io/file_system.h"
#include "io/posix_file.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillon::files {

namespace {

std::optional<EncodingDecision> chosenEncoding(std::string_view encoding) {
    if (encoding.empty() || equalsIgnoringAsciiCase(encoding, "auto")) {
        return std::nullopt;
    }
    std::optional<EncodingDecision> chosen = encodingNamed(encoding);
    if (!chosen) {
        raiseWithText(vberr::InvalidCall, "Unknown encoding: " + std::string(encoding));
    }
    return chosen;
}

// An encoding the user named whose plain text holds NUL bytes (UTF-16 or UTF-32 without
// their mark): there a NUL is no sign of binary data.
bool textHoldsNulBytes(const std::optional<EncodingDecision>& chosen) {
    if (!chosen) {
        return false;
    }
    const std::optional<std::string> lineBreak = encodeText("\n", *chosen);
    return lineBreak && lineBreak->find('\0') != std::string::npos;
}

void refuseIfBinary(std::string_view head, const std::optional<EncodingDecision>& chosen,
                    const std::string& path) {
    if (looksBinary(head) && !textHoldsNulBytes(chosen)) {
        raiseWithText(vberr::InvalidFileFormat, "Not a text file: " + path);
    }
}

} // namespace

bool looksBinary(std::string_view head) {
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
        return false;
    }
    return head.substr(0, BinarySniffSize).find('\0') != std::string_view::npos;
}

void requireTextFile(const std::string& path, std::string_view encoding) {
    const std::optional<EncodingDecision> chosen = chosenEncoding(encoding);
    struct stat info {};
    const detail::FileDescriptor file = detail::openForReading(path, info);
    if (!S_ISREG(info.st_mode)) {
        return;
    }
    char head[BinarySniffSize];
    std::size_t size = 0;
    while (size < sizeof head) {
        const std::size_t got = detail::readSomeAt(file.get(), head + size, sizeof head - size,
                                                   static_cast<long long>(size), path);
        if (got == 0) {
            break;
        }
        size += got;
    }
    refuseIfBinary(std::string_view(head, size), chosen, path);
}

TextReader::TextReader(const std::string& path, std::string_view encoding, Content content)
    : TextReader(Opening{}, path, chosenEncoding(encoding), content) {}

TextReader TextReader::reopened(Content content) const {
    return TextReader(Opening{}, path_, decision_, content);
}

TextReader::TextReader(Opening, const std::string& path, std::optional<EncodingDecision> chosen,
                       Content content)
    : path_(path), buffer_(new char[ChunkSize]) {
    struct stat info {};
    detail::FileDescriptor file = detail::openForReading(path, info);
    fd_ = file.get();
    const bool regular = S_ISREG(info.st_mode);
    size_ = regular ? static_cast<std::uint64_t>(info.st_size) : 0;
    try {
        decideEncoding(regular, std::move(chosen), content == Content::TextOnly);
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
      decoder_(std::move(other.decoder_)), decoded_(std::move(other.decoded_)),
      chunkBytes_(std::exchange(other.chunkBytes_, 0)), position_(std::exchange(other.position_, 0)),
      end_(std::exchange(other.end_, 0)), nextLineFeed_(other.nextLineFeed_),
      consumedBefore_(other.consumedBefore_), size_(other.size_),
      endOfFile_(std::exchange(other.endOfFile_, true)), pendingLineFeed_(other.pendingLineFeed_),
      decision_(std::move(other.decision_)), checkEachLine_(other.checkEachLine_) {
    other.decoder_.reset();
}

TextReader& TextReader::operator=(TextReader&& other) noexcept {
    if (this != &other) {
        Close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        buffer_ = std::move(other.buffer_);
        decoder_ = std::move(other.decoder_);
        other.decoder_.reset();
        decoded_ = std::move(other.decoded_);
        chunkBytes_ = std::exchange(other.chunkBytes_, 0);
        position_ = std::exchange(other.position_, 0);
        end_ = std::exchange(other.end_, 0);
        nextLineFeed_ = other.nextLineFeed_;
        consumedBefore_ = other.consumedBefore_;
        size_ = other.size_;
        endOfFile_ = std::exchange(other.endOfFile_, true);
        pendingLineFeed_ = other.pendingLineFeed_;
        decision_ = std::move(other.decision_);
        checkEachLine_ = other.checkEachLine_;
    }
    return *this;
}

void TextReader::readFirstChunk() {
    char* buffer = buffer_.get();
    while (end_ < ChunkSize) {
        const std::size_t got = detail::readSome(fd_, buffer + end_, ChunkSize - end_, path_);
        if (got == 0) {
            endOfFile_ = true;
            break;
        }
        end_ += got;
    }
}

// The buffer holds the first `rawSize` bytes of the file, read for the decision: the lines
// start after the byte-order mark.
void TextReader::startDecoding(std::size_t rawSize) {
    const std::size_t skip = std::min(decision_.bomLength, rawSize);
    checkEachLine_ = decision_.encoding == TextEncoding::Utf8 && decision_.repairLines;
    if (decision_.encoding == TextEncoding::Utf8) {
        end_ = rawSize;
        position_ = skip;
        return;
    }
    decoder_.emplace(decision_);
    decoded_.clear();
    decoder_->decode(decoded_, std::string_view(buffer_.get() + skip, rawSize - skip));
    if (endOfFile_) {
        decoder_->finish(decoded_);
    }
    chunkBytes_ = rawSize;
    position_ = 0;
    end_ = decoded_.size();
}

void TextReader::decideEncoding(bool regularFile, std::optional<EncodingDecision> chosen, bool textOnly) {
    if (chosen) {
        // Read as the user says; a byte-order mark of that very encoding is still no text.
        readFirstChunk();
        if (textOnly) {
            refuseIfBinary(std::string_view(buffer_.get(), end_), chosen, path_);
        }
        const std::string_view head(buffer_.get(), std::min<std::size_t>(end_, 3));
        if ((chosen->encoding == TextEncoding::Utf8 && head == "\xEF\xBB\xBF") ||
            (chosen->encoding == TextEncoding::Utf16LE && head.starts_with("\xFF\xFE")) ||
            (chosen->encoding == TextEncoding::Utf16BE && head.starts_with("\xFE\xFF"))) {
            chosen->bomLength = chosen->encoding == TextEncoding::Utf8 ? 3 : 2;
        }
        decision_ = *chosen;
        startDecoding(end_);
        return;
    }
    EncodingDetector detector;
    char* buffer = buffer_.get();
    if (regularFile) {
        // One pass over the file before any line is read: a file is one encoding, and
        // what decides it may come late (the first byte that is not UTF-8, a character
        // the detected code page cannot read). The pass stops as soon as it knows.
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
                if (textOnly) {
                    refuseIfBinary(std::string_view(buffer, got), chosen, path_);
                }
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
            startDecoding(firstChunk);
        } else {
            ::lseek(fd_, static_cast<off_t>(decision_.bomLength), SEEK_SET);
            consumedBefore_ = decision_.bomLength;
            if (decision_.encoding != TextEncoding::Utf8) {
                decoder_.emplace(decision_);
            }
            checkEachLine_ = decision_.encoding == TextEncoding::Utf8 && decision_.repairLines;
        }
        return;
    }
    // A pipe or device cannot be read twice: decide on the first chunk and keep it.
    readFirstChunk();
    if (textOnly) {
        refuseIfBinary(std::string_view(buffer, end_), chosen, path_);
    }
    detector.feed(std::string_view(buffer, end_));
    decision_ = detector.decide(endOfFile_);
    startDecoding(end_);
}

bool TextReader::fill() {
    consumedBefore_ += decoder_ ? chunkBytes_ : end_;
    chunkBytes_ = 0;
    position_ = 0;
    end_ = 0;
    nextLineFeed_ = 0;
    if (fd_ < 0 || endOfFile_) {
        return false;
    }
    if (!decoder_) {
        const std::size_t got = detail::readSome(fd_, buffer_.get(), ChunkSize, path_);
        if (got == 0) {
            endOfFile_ = true;
            return false;
        }
        end_ = got;
        return true;
    }
    decoded_.clear();
    // A chunk may decode to nothing yet (a character cut in two by its end).
    while (decoded_.empty()) {
        const std::size_t got = detail::readSome(fd_, buffer_.get(), ChunkSize, path_);
        if (got == 0) {
            endOfFile_ = true;
            decoder_->finish(decoded_);
            break;
        }
        chunkBytes_ += got;
        decoder_->decode(decoded_, std::string_view(buffer_.get(), got));
    }
    end_ = decoded_.size();
    return end_ > 0;
}

std::uint64_t TextReader::bytesConsumed() const noexcept {
    if (!decoder_) {
        return consumedBefore_ + position_;
    }
    return consumedBefore_ + (end_ == 0 ? 0 : chunkBytes_ * position_ / end_);
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
    if (text()[position_] == '\n') {
        ++position_;
    }
}

void TextReader::finishLine(std::string& line) const {
    requireLineWithinLimit(line.size(), path_);
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
        const char* buffer = text();
        if (nextLineFeed_ == 0 || nextLineFeed_ < position_) {
            const void* found = std::memchr(buffer + position_, '\n', end_ - position_);
            nextLineFeed_ = found ? static_cast<std::size_t>(static_cast<const char*>(found) - buffer) : end_;
        }
        const void* carriageReturn = std::memchr(buffer + position_, '\r', nextLineFeed_ - position_);
        const std::size_t lineEnd =
            carriageReturn ? static_cast<std::size_t>(static_cast<const char*>(carriageReturn) - buffer)
                           : nextLineFeed_;
        if (lineEnd == end_) {
            line.append(buffer + position_, end_ - position_);
            position_ = end_;
            started = true;
            requireLineWithinLimit(line.size(), path_);
            continue;
        }
        line.append(buffer + position_, lineEnd - position_);
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
        all.append(text() + position_, end_ - position_);
        position_ = end_;
    }
    if (checkEachLine_ && !isValidUtf8(all)) {
        // Line by line, as readLine() would have: one stray byte does not turn the
        // lines around it.
        EncodingDecision repair = decision_;
        repair.bomLength = 0;
        all = decodeText(all, repair);
    }
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
    consumedBefore_ = bytesConsumed();
    chunkBytes_ = 0;
    position_ = 0;
    end_ = 0;
    endOfFile_ = true;
    pendingLineFeed_ = false;
}

TextReader OpenTextFile(const std::string& path) {
    return TextReader(path);
}

} // namespace quillon::files
