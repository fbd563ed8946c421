#include "io/text_reader.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "io/file_system.h"
#include "io/posix_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// A byte-order mark of UTF-16 or UTF-32 at the start: the NULs that follow are text.
bool startsWithWideMark(std::string_view head) {
    return head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF") ||
           head.starts_with(std::string_view("\0\0\xFE\xFF", 4));
}

struct PassOver {
    std::size_t firstChunk = 0;
    int chunksRead = 0;
    bool reachedEnd = false;
};

// Feeds the file from its start to `detector` until nothing further can change its
// decision, or until `enough` says so; `eachChunk` sees every chunk read.
template <typename EachChunk, typename Enough>
PassOver passOver(int fd, char* buffer, EncodingDetector& detector, const std::string& path,
                  EachChunk eachChunk, Enough enough) {
    PassOver pass;
    long long offset = 0;
    for (;;) {
        const std::size_t got = detail::readSomeAt(fd, buffer, TextReader::ChunkSize, offset, path);
        if (got == 0) {
            pass.reachedEnd = true;
            break;
        }
        if (pass.chunksRead++ == 0) {
            pass.firstChunk = got;
        }
        eachChunk(std::string_view(buffer, got));
        detector.feed(std::string_view(buffer, got));
        offset += static_cast<long long>(got);
        if (detector.settled() || enough()) {
            break;
        }
    }
    return pass;
}

} // namespace

TextReader::TextReader(const std::string& path, std::string_view encoding)
    : TextReader(Opening{}, path, chosenEncoding(encoding)) {}

TextReader::TextReader(const std::string& path, std::string_view encoding, Restartable restartable)
    : TextReader(Opening{}, path, chosenEncoding(encoding), restartable.allowed) {}

TextReader::TextReader(const std::string& path, const EncodingDecision& decided)
    : TextReader(Opening{}, path, std::optional<EncodingDecision>(decided)) {}

TextReader TextReader::reopened() const {
    TextReader again(Opening{}, path_, verdict_.decision);
    again.verdict_ = verdict_;
    return again;
}

TextReader::TextReader(Opening, const std::string& path, std::optional<EncodingDecision> chosen,
                       bool restartable)
    : path_(path), buffer_(ChunkSize, '\0'), restartable_(restartable) {
    struct stat info {};
    detail::FileDescriptor file = detail::openForReading(path, info);
    fd_ = file.get();
    const bool regular = S_ISREG(info.st_mode);
    size_ = regular ? static_cast<std::uint64_t>(info.st_size) : 0;
    try {
        decideEncoding(regular, std::move(chosen));
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
      chunkBytes_(std::exchange(other.chunkBytes_, 0)), undecoded_(std::exchange(other.undecoded_, 0)),
      undecodedEnd_(std::exchange(other.undecodedEnd_, 0)), position_(std::exchange(other.position_, 0)),
      end_(std::exchange(other.end_, 0)), consumedBefore_(other.consumedBefore_), size_(other.size_),
      endOfFile_(std::exchange(other.endOfFile_, true)),
      wholeSize_(std::exchange(other.wholeSize_, std::nullopt)), pendingLineFeed_(other.pendingLineFeed_),
      verdict_(std::move(other.verdict_)), checkEachLine_(other.checkEachLine_),
      nulBytesAllowed_(other.nulBytesAllowed_), restartable_(other.restartable_),
      provisionalUtf8_(other.provisionalUtf8_), provisionalCheck_(other.provisionalCheck_) {
    other.decoder_.reset();
}

namespace {
[[noreturn]] void refuseAsNoText(const std::string& path) {
    raiseWithText(vberr::InvalidFileFormat, "Not a text file: " + path);
}
} // namespace

void TextReader::refuseNulBytes(std::string_view raw) const {
    if (!nulBytesAllowed_ && std::memchr(raw.data(), '\0', raw.size()) != nullptr) {
        refuseAsNoText(path_);
    }
}

void requireText(std::string_view bytes, const EncodingDecision& decision, const std::string& path) {
    if (!decision.textHoldsNulBytes() && std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
        refuseAsNoText(path);
    }
}

// Reads from the start until `limit` bytes are in the buffer or the file ends.
void TextReader::readHead(std::size_t limit) {
    if (buffer_.size() < limit) {
        buffer_.resize(limit);
    }
    while (end_ < limit) {
        const std::size_t got = detail::readSome(fd_, buffer_.data() + end_, limit - end_, path_);
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
    const EncodingDecision& decision = verdict_.decision;
    const std::size_t skip = std::min(decision.bomLength, rawSize);
    checkEachLine_ = decision.encoding == TextEncoding::Utf8 && decision.repairLines;
    if (decision.encoding == TextEncoding::Utf8) {
        end_ = rawSize;
        position_ = skip;
        return;
    }
    decoder_.emplace(decision);
    // Decoded a piece at a time: the UTF-8 of a whole file held beside its bytes would
    // double what a file read whole costs.
    undecoded_ = skip;
    undecodedEnd_ = rawSize;
    chunkBytes_ = 0;
    decodeHeldBytes();
    chunkBytes_ += skip;
    position_ = 0;
    end_ = decoded_.size();
}

// The next chunk of the bytes the buffer holds, decoded; the end of the text once they are
// all decoded and the file has ended.
void TextReader::decodeHeldBytes() {
    decoded_.clear();
    while (decoded_.empty() && undecoded_ < undecodedEnd_) {
        const std::size_t piece = std::min(DecodedPiece, undecodedEnd_ - undecoded_);
        decoder_->decode(decoded_, std::string_view(buffer_.data() + undecoded_, piece));
        undecoded_ += piece;
        chunkBytes_ += piece;
    }
    if (undecoded_ == undecodedEnd_ && endOfFile_) {
        decoder_->finish(decoded_);
    }
}

void TextReader::decideEncoding(bool regularFile, std::optional<EncodingDecision> chosen) {
    if (regularFile && size_ < WholeFileSize) {
        // Most sources: read once, decided and decoded from memory.
        readHead(static_cast<std::size_t>(size_) + 1);
        if (endOfFile_) {
            wholeSize_ = end_;
        }
    } else if (chosen || !regularFile) {
        readHead(ChunkSize);
    } else {
        decideByPassingOver();
        return;
    }
    if (!endOfFile_ && !chosen && regularFile) {
        // The file grew since it was looked at.
        ::lseek(fd_, 0, SEEK_SET);
        end_ = 0;
        decideByPassingOver();
        return;
    }
    const std::string_view head(buffer_.data(), end_);
    if (chosen) {
        // Read as the user says; a byte-order mark of that very encoding is still no text.
        if ((chosen->encoding == TextEncoding::Utf8 && head.starts_with("\xEF\xBB\xBF")) ||
            (chosen->encoding == TextEncoding::Utf16LE && head.starts_with("\xFF\xFE")) ||
            (chosen->encoding == TextEncoding::Utf16BE && head.starts_with("\xFE\xFF"))) {
            chosen->bomLength = chosen->encoding == TextEncoding::Utf8 ? 3 : 2;
        }
        verdict_ = {*chosen, EncodingEvidence::None, {}};
    } else {
        // A pipe or device cannot be read twice: it is decided on its first chunk.
        EncodingDetector detector;
        detector.feed(head);
        verdict_ = detector.verdict(endOfFile_);
    }
    nulBytesAllowed_ = verdict_.decision.textHoldsNulBytes() || (!chosen && startsWithWideMark(head));
    refuseNulBytes(head);
    startDecoding(end_);
}

// One pass over a large file before any line is read: a file is one encoding, and what
// decides it may come late (the first byte that is not UTF-8). The pass stops as soon as
// it knows.
void TextReader::decideByPassingOver() {
    EncodingDetector detector;
    bool first = true;
    const PassOver pass = passOver(
        fd_, buffer_.data(), detector, path_,
        [&](std::string_view chunk) {
            nulBytesAllowed_ = first ? startsWithWideMark(chunk) : nulBytesAllowed_;
            first = false;
            refuseNulBytes(chunk);
            if (restartable_) {
                provisionalCheck_.feed(chunk);
            }
        },
        [&] { return restartable_ && provisionalCheck_.validSoFar(); });
    verdict_ = detector.verdict(pass.reachedEnd);
    provisionalUtf8_ = restartable_ && !pass.reachedEnd && provisionalCheck_.validSoFar() &&
                       verdict_.decision.encoding == TextEncoding::Utf8;
    if (provisionalUtf8_) {
        // What the whole file decides if it stays UTF-8 to its end; otherwise the reader
        // that decides it whole takes over.
        verdict_.decision.repairLines = false;
    }
    nulBytesAllowed_ = verdict_.decision.textHoldsNulBytes();
    if (pass.chunksRead == 1 && ::lseek(fd_, static_cast<off_t>(pass.firstChunk), SEEK_SET) >= 0) {
        // The buffer still holds the first chunk: it is not read again.
        endOfFile_ = pass.reachedEnd;
        startDecoding(pass.firstChunk);
        return;
    }
    const EncodingDecision& decision = verdict_.decision;
    ::lseek(fd_, static_cast<off_t>(decision.bomLength), SEEK_SET);
    provisionalCheck_ = Utf8Validator{};
    consumedBefore_ = decision.bomLength;
    if (decision.encoding != TextEncoding::Utf8) {
        decoder_.emplace(decision);
    }
    checkEachLine_ = decision.encoding == TextEncoding::Utf8 && decision.repairLines;
}

bool TextReader::fill() {
    consumedBefore_ += decoder_ ? chunkBytes_ : end_;
    chunkBytes_ = 0;
    position_ = 0;
    end_ = 0;
    if (undecoded_ < undecodedEnd_) {
        decodeHeldBytes();
        end_ = decoded_.size();
        return end_ > 0;
    }
    if (fd_ < 0 || endOfFile_) {
        return false;
    }
    if (!decoder_) {
        const std::size_t got = detail::readSome(fd_, buffer_.data(), ChunkSize, path_);
        if (got == 0) {
            endOfFile_ = true;
            checkProvisionalUtf8({}, true);
            return false;
        }
        refuseNulBytes(std::string_view(buffer_.data(), got));
        checkProvisionalUtf8(std::string_view(buffer_.data(), got), false);
        end_ = got;
        return true;
    }
    decoded_.clear();
    // A chunk may decode to nothing yet (a character cut in two by its end).
    while (decoded_.empty()) {
        const std::size_t got = detail::readSome(fd_, buffer_.data(), ChunkSize, path_);
        if (got == 0) {
            endOfFile_ = true;
            decoder_->finish(decoded_);
            break;
        }
        refuseNulBytes(std::string_view(buffer_.data(), got));
        // Decoded a piece at a time, as the bytes of a file read whole are.
        undecoded_ = 0;
        undecodedEnd_ = got;
        decodeHeldBytes();
    }
    end_ = decoded_.size();
    return end_ > 0;
}

void TextReader::checkProvisionalUtf8(std::string_view chunk, bool atEnd) {
    if (!provisionalUtf8_) {
        return;
    }
    provisionalCheck_.feed(chunk);
    if (atEnd ? !provisionalCheck_.validComplete() : !provisionalCheck_.validSoFar()) {
        throw EncodingRevised{};
    }
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
    if (checkEachLine_ && !isValidUtf8(line)) {
        line = windows1252ToUtf8(line);
    }
}

namespace {

// Where a piece of UTF-8 may end without cutting a character in two: before the lead byte
// of a last character that is not complete, else at its end.
std::size_t wholeCharactersIn(std::string_view text) {
    std::size_t start = text.size();
    std::size_t continuationBytes = 0;
    while (continuationBytes < 3 && start > 0 &&
           (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
        --start;
        ++continuationBytes;
    }
    if (start == 0) {
        return text.size();
    }
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t length = (lead & 0xE0) == 0xC0   ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 1;
    return continuationBytes + 1 < length ? start - 1 : text.size();
}

// The first CR or LF from `from` on, or `end`: one pass for both, 16 bytes at a time where
// the processor allows, as most lines are short and end with both.
const char* firstLineBreak(const char* from, const char* end) {
#ifdef __SSE2__
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; end - from >= 16; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const int found = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, carriageReturn), _mm_cmpeq_epi8(bytes, lineFeed)));
        if (found != 0) {
            return from + std::countr_zero(static_cast<unsigned>(found));
        }
    }
#endif
    while (from != end && *from != '\r' && *from != '\n') {
        ++from;
    }
    return from;
}

} // namespace

bool TextReader::readLine(std::string& line) {
    bool continues = false;
    const bool read = readUpTo(line, MaxHeldText, continues);
    requireLineWithinLimit(continues ? MaxHeldText + 1 : line.size(), path_);
    return read;
}

bool TextReader::readPiece(std::string& piece, bool& continues) {
    return readUpTo(piece, PieceSize, continues);
}

bool TextReader::readUpTo(std::string& line, std::size_t limit, bool& continues) {
    continues = false;
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
        const std::size_t lineEnd =
            static_cast<std::size_t>(firstLineBreak(buffer + position_, buffer + end_) - buffer);
        const std::size_t room = limit - std::min(limit, line.size());
        if (lineEnd - position_ > room) {
            // More than a piece: the rest of the line stays in the buffer for the next call.
            std::size_t taken = wholeCharactersIn(std::string_view(buffer + position_, room));
            // A character begun at the end of the last chunk is finished first.
            while (taken < room + 3 && position_ + taken < lineEnd &&
                   (static_cast<unsigned char>(buffer[position_ + taken]) & 0xC0) == 0x80) {
                ++taken;
            }
            line.append(buffer + position_, taken);
            position_ += taken;
            finishLine(line);
            continues = true;
            return true;
        }
        if (lineEnd == end_) {
            line.append(buffer + position_, end_ - position_);
            position_ = end_;
            started = true;
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

std::optional<std::string_view> TextReader::wholeFile() const noexcept {
    if (!wholeSize_) {
        return std::nullopt;
    }
    return std::string_view(buffer_.data(), *wholeSize_);
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
        EncodingDecision repair = verdict_.decision;
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
    undecoded_ = 0;
    undecodedEnd_ = 0;
    position_ = 0;
    end_ = 0;
    endOfFile_ = true;
    pendingLineFeed_ = false;
}

EncodingVerdict examineEncoding(const std::string& path) {
    struct stat info {};
    const detail::FileDescriptor file = detail::openForReading(path, info);
    std::string buffer(TextReader::ChunkSize, '\0');
    EncodingDetector detector;
    if (!S_ISREG(info.st_mode)) {
        return detector.verdict(false); // a pipe is not consumed for a guess
    }
    const PassOver pass = passOver(
        file.get(), buffer.data(), detector, path, [](std::string_view) {}, [] { return false; });
    return detector.verdict(pass.reachedEnd);
}

std::string FolderEncodings::folderOf(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().parent_path().string();
}

void FolderEncodings::add(const std::string& path, const EncodingVerdict& verdict) {
    hints_[folderOf(path)].add(verdict);
}

EncodingDecision FolderEncodings::decisionFor(const std::string& path, const EncodingVerdict& verdict) const {
    const auto hint = hints_.find(folderOf(path));
    return hint != hints_.end() ? hint->second.decisionFor(verdict) : verdict.decision;
}

} // namespace quillon::files
