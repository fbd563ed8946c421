#pragma once
// A text stream open for reading: the lines of a file, decoded to UTF-8.
//
// The file is read in large chunks, so memory does not grow with the file, only with its
// longest line. A line ends at CR LF, LF or a lone CR, wherever the chunks happen to be
// cut; a final line break adds no empty line.
//
// The encoding is decided once, before the first line is handed out, by
// EncodingDetector. A plain file of up to WholeFileSize bytes is read whole, decided and
// decoded from memory: read once, decoded once. A larger one is first passed over until
// nothing further can change the decision, then read again in chunks (unless it is opened
// Restartable, when it is read once, as UTF-8 while it is); a pipe or device is
// decided on its first chunk, and its later lines fall back to Windows-1252 one by one
// should they not be UTF-8. Text in any other encoding than UTF-8 is split into lines
// once decoded, which is what UTF-16 needs.
//
// Every file is text or refused: a NUL byte anywhere, outside an encoding whose
// characters hold NULs (UTF-16, UTF-32), raises 321 "Not a text file: PATH" before the
// line it is in is handed out. An executable renamed .bas, a form's .frx or a binary
// header never ends up in a page.

#include "io/text_decoding.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::files {

// Raised by a reader opened with TextReader::Restartable when a byte past the lines it
// has handed out shows that a large file it took for UTF-8 is not: its reader makes what it
// was making again from the start, with a reader that decides the file whole.
struct EncodingRevised {};

class TextReader {
public:
    static constexpr std::size_t ChunkSize = 64 * 1024;
    static constexpr std::size_t WholeFileSize = 256 * 1024;
    // Bytes in a code page are decoded this many at a time: their UTF-8, up to three times
    // as long, is all a reader holds of the text beside the bytes.
    static constexpr std::size_t DecodedPiece = 16 * 1024;

    // Opens the file: 53 file not found, 76 path not found, 70 permission denied, 75 for a
    // folder or any other access error, the message naming `path`. `encoding` names the
    // code page to read instead of detecting it (any name iconv knows); empty or "auto"
    // detects. An unknown name raises 5 naming it.
    explicit TextReader(const std::string& path, std::string_view encoding = {});
    // As the constructor above, but when `allowed` a large file is not passed over for its
    // decision when its first chunk is UTF-8: it is read once, as UTF-8, each chunk checked
    // as it comes, and a chunk that is not UTF-8 raises EncodingRevised. For a caller that
    // can begin again (a page written to a temporary file), so that such a file is read
    // once: see readOnceOrDecideWhole().
    struct Restartable {
        bool allowed = true;
    };
    TextReader(const std::string& path, std::string_view encoding, Restartable restartable);
    // Reads in an encoding decided beforehand (EncodingHint::decisionFor()).
    TextReader(const std::string& path, const EncodingDecision& decided);
    ~TextReader();
    TextReader(TextReader&&) noexcept;
    // A reader is moved into place (reopened(), a factory's result), never assigned over another.
    TextReader& operator=(TextReader&&) = delete;
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The next line without its line break, into `line` (whose storage is reused). False,
    // with `line` empty, when nothing is left. A failed read raises 75, a line longer than
    // MaxHeldText 321 (requireLineWithinLimit()).
    bool readLine(std::string& line);

    // As readLine(), but a line longer than PieceSize is handed out in pieces rather than
    // refused, for the callers that colour such a line as a stream: `continues` tells
    // that the piece is not the end of its line, and the next call hands out more of it.
    // Pieces end on whole UTF-8 characters. A line of code coloured whole costs up to 19
    // times its length; pieces of this size keep several jobs at once well within bounds.
    static constexpr std::size_t PieceSize = 256 * 1024;
    bool readPiece(std::string& piece, bool& continues);

    // Everything not yet read, line breaks included as they are in the file. Empty when
    // nothing is left.
    std::string ReadAll();
    // True when nothing is left to read.
    bool AtEndOfStream();
    // A new reader of the same file from its start, in the encoding this one decided: a
    // file read a second time is not examined again to decide it.
    TextReader reopened() const;
    // Ends the access; the stream then reads as if at its end. Closing twice does nothing.
    void Close() noexcept;

    const std::string& path() const noexcept { return path_; }
    EncodingDecision encoding() const noexcept { return verdict_.decision; }
    // The decision with how firmly the file's bytes made it, for EncodingHint.
    const EncodingVerdict& verdict() const noexcept { return verdict_; }
    // The file's size in bytes when it was opened (0 for a pipe or device).
    std::uint64_t size() const noexcept { return size_; }
    // The file's bytes as they are (byte-order mark and line breaks included), when it was
    // read whole on opening; none for a file read in chunks, a pipe or a file that grew
    // while it was opened. Valid while the reader lives: what a copy of the original
    // needs, without reading it again.
    std::optional<std::string_view> wholeFile() const noexcept;
    // Bytes of the file consumed so far, line breaks and BOM included: the honest measure
    // of progress through size(). Within a chunk read from another encoding than UTF-8 it
    // is prorated.
    std::uint64_t bytesConsumed() const noexcept;

private:
    struct Opening {};
    TextReader(Opening, const std::string& path, std::optional<EncodingDecision> chosen,
               bool restartable = false);
    void checkProvisionalUtf8(std::string_view chunk, bool atEnd);
    bool fill();
    void skipPendingLineFeed();
    void decideEncoding(bool regularFile, std::optional<EncodingDecision> chosen);
    void decideFromWholeFile(std::optional<EncodingDecision> chosen);
    void decideByPassingOver();
    void readHead(std::size_t limit);
    void startDecoding(std::size_t rawSize);
    void decodeHeldBytes();
    void refuseNulBytes(std::string_view raw) const;
    // The text being split: the chunk as read, or as decoded.
    const char* text() const noexcept { return decoder_ ? decoded_.data() : buffer_.data(); }
    bool readUpTo(std::string& line, std::size_t limit, bool& continues);
    void finishLine(std::string& line) const;

    std::string path_;
    int fd_ = -1;
    std::string buffer_;
    // For any encoding but UTF-8: the decoder and the UTF-8 of the chunk, with the count
    // of bytes of the file it came from.
    std::optional<TextDecoder> decoder_;
    std::string decoded_;
    std::size_t chunkBytes_ = 0;
    // The bytes of the buffer read from the file but not decoded yet, from undecoded_ up to
    // undecodedEnd_.
    std::size_t undecoded_ = 0;
    std::size_t undecodedEnd_ = 0;
    std::size_t position_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumedBefore_ = 0;
    std::uint64_t size_ = 0;
    bool endOfFile_ = false;
    // The file was read whole on opening: the first this many bytes of buffer_ are all of it.
    std::optional<std::size_t> wholeSize_;
    // The last line ended with a CR at the very end of the chunk: a LF starting the next
    // chunk belongs to that line break.
    bool pendingLineFeed_ = false;
    EncodingVerdict verdict_;
    // UTF-8 that was not seen to hold for every line, so each line is checked on its own.
    bool checkEachLine_ = false;
    // The encoding's own characters hold NUL bytes: they are no sign of binary data.
    bool nulBytesAllowed_ = false;
    // Opened Restartable, and the decision for UTF-8 was taken on the first chunk: every
    // chunk is checked as it is read.
    bool restartable_ = false;
    bool provisionalUtf8_ = false;
    Utf8Validator provisionalCheck_;
};

// Does `work` with the reader it opens allowed to restart (TextReader::Restartable) when
// `allowed`, and once more, not allowed, should that reader raise EncodingRevised: a large
// file is then read once when it is UTF-8 throughout. `work` opens its reader with the
// Restartable it is given, and leaves nothing behind when it throws.
template <typename Work> auto readOnceOrDecideWhole(bool allowed, Work work) {
    if (allowed) {
        try {
            return work(TextReader::Restartable{true});
        } catch (const EncodingRevised&) {
        }
    }
    return work(TextReader::Restartable{false});
}

// The rule of every file read as text, for those read whole outside a TextReader (the
// language files): a NUL byte, outside an encoding whose characters hold NULs, raises 321
// "Not a text file: PATH".
void requireText(std::string_view bytes, const EncodingDecision& decision, const std::string& path);

// How the file would be decided, for a batch to gather the verdicts of a folder into an
// EncodingHint before converting its files. Raises as TextReader does on opening.
EncodingVerdict examineEncoding(const std::string& path);

// The decisions for files read together (the sources of a batch or of a project): a
// project is written in one code page, so within each folder the files whose own bytes
// decide firmly settle those whose evidence is weak (an EncodingHint per folder). Add the
// verdict of every file as it is read; a file whose evidence is weak waits for the others
// of its folder before it takes its decision from decisionFor().
class FolderEncodings {
public:
    void add(const std::string& path, const EncodingVerdict& verdict);
    EncodingDecision decisionFor(const std::string& path, const EncodingVerdict& verdict) const;
    // Its decision may depend on the other files of its folder.
    static bool waitsForItsFolder(const EncodingVerdict& verdict) noexcept {
        return verdict.evidence == EncodingEvidence::Weak || verdict.evidence == EncodingEvidence::Contested;
    }

private:
    static std::string folderOf(const std::string& path);
    std::map<std::string, EncodingHint> hints_;
};

} // namespace quillon::files
