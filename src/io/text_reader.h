#pragma once
// A text stream open for reading: the lines of a file, decoded to UTF-8.
//
// The file is read in large chunks, so memory does not grow with the file, only with its
// longest line. A line ends at CR LF, LF or a lone CR, wherever the chunks happen to be
// cut; a final line break adds no empty line.
//
// The encoding is decided once, before the first line is handed out, by
// EncodingDetector: over the whole file for a plain file (one fast pass that stops as soon
// as nothing further can change the decision), over the first chunk for a pipe or device,
// whose later lines then fall back to Windows-1252 one by one should they not be UTF-8.
// Text in any other encoding is decoded a chunk at a time (a character cut by the chunk's
// end is finished by the next) and split into lines once decoded, which is what UTF-16
// needs.

#include "io/text_decoding.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::files {

// How much of the start of a file tells text from binary data.
inline constexpr std::size_t BinarySniffSize = 8 * 1024;

// True when the first bytes of a file are binary data rather than text: a NUL byte in the
// first BinarySniffSize bytes. A UTF-16 byte-order mark says the NULs are the high halves
// of its characters, so such a file is text.
bool looksBinary(std::string_view head);

// Refuses a source to be coloured that is not text (an executable renamed .bas, a form's
// .frx), before anything is made from it: raises 321 "Not a text file: PATH". Only the
// first BinarySniffSize bytes are read. `encoding` is the one the file is to be read in,
// as for TextReader: a chosen encoding whose text holds NUL bytes (UTF-16 without a
// byte-order mark) accepts them. A pipe or device is left alone, as looking would consume
// it; a reader opened with Content::TextOnly checks it instead. Opening the file raises as
// TextReader does.
void requireTextFile(const std::string& path, std::string_view encoding = {});

class TextReader {
public:
    static constexpr std::size_t ChunkSize = 64 * 1024;

    enum class Content {
        // Whatever the file holds is read as text (header, footer, style sheets).
        AnyText,
        // A source: binary data raises 321 as requireTextFile() does, pipes included.
        TextOnly,
    };

    // Opens the file: 53 file not found, 76 path not found, 70 permission denied, 75 for a
    // folder or any other access error, the message naming `path`. `encoding` names the
    // code page to read instead of detecting it (any name iconv knows); empty or "auto"
    // detects. An unknown name raises 5 naming it.
    explicit TextReader(const std::string& path, std::string_view encoding = {},
                        Content content = Content::AnyText);
    ~TextReader();
    TextReader(TextReader&&) noexcept;
    TextReader& operator=(TextReader&&) noexcept;
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The next line without its line break, into `line` (whose storage is reused). False,
    // with `line` empty, when nothing is left. A failed read raises 75.
    bool readLine(std::string& line);

    // The next line; reading when nothing is left raises 62 naming the path.
    std::string ReadLine();
    // Everything not yet read, line breaks included as they are in the file. Empty when
    // nothing is left.
    std::string ReadAll();
    // True when nothing is left to read.
    bool AtEndOfStream();
    // A new reader of the same file from its start, in the encoding this one decided: a
    // file read a second time is not examined again to decide it.
    TextReader reopened(Content content) const;
    // Ends the access; the stream then reads as if at its end. Closing twice does nothing.
    void Close() noexcept;

    const std::string& path() const noexcept { return path_; }
    EncodingDecision encoding() const noexcept { return decision_; }
    // The file's size in bytes when it was opened (0 for a pipe or device).
    std::uint64_t size() const noexcept { return size_; }
    // Bytes of the file consumed so far, line breaks and BOM included: the honest measure
    // of progress through size(). Within a chunk read from another encoding than UTF-8 it
    // is prorated.
    std::uint64_t bytesConsumed() const noexcept;

private:
    struct Opening {};
    TextReader(Opening, const std::string& path, std::optional<EncodingDecision> chosen, Content content);
    bool fill();
    void skipPendingLineFeed();
    // `textOnly`: binary data raises 321 (Content::TextOnly).
    void decideEncoding(bool regularFile, std::optional<EncodingDecision> chosen, bool textOnly);
    void readFirstChunk();
    void startDecoding(std::size_t rawSize);
    // The text being split: the chunk as read, or as decoded.
    const char* text() const noexcept { return decoder_ ? decoded_.data() : buffer_.get(); }
    void finishLine(std::string& line) const;

    std::string path_;
    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    // For any encoding but UTF-8: the decoder and the UTF-8 of the chunk, with the count
    // of bytes of the file it came from.
    std::optional<TextDecoder> decoder_;
    std::string decoded_;
    std::size_t chunkBytes_ = 0;
    std::size_t position_ = 0;
    std::size_t end_ = 0;
    // Where the next line feed is in the buffer (end_ when none), so that a file of lone
    // CRs is not searched to the end of the chunk for every line.
    std::size_t nextLineFeed_ = 0;
    std::uint64_t consumedBefore_ = 0;
    std::uint64_t size_ = 0;
    bool endOfFile_ = false;
    // The last line ended with a CR at the very end of the chunk: a LF starting the next
    // chunk belongs to that line break.
    bool pendingLineFeed_ = false;
    EncodingDecision decision_;
    // UTF-8 that was not seen to hold for every line, so each line is checked on its own.
    bool checkEachLine_ = false;
};

// Opens a text file for reading (the file-system component's OpenTextFile).
TextReader OpenTextFile(const std::string& path);

} // namespace quillon::files
