#pragma once
// Turning the bytes of a text file into UTF-8. Every file the program reads (sources,
// header, footer, style sheets, language files) goes through here so they all agree.
//
// The rule, in order: a UTF-8 or UTF-16 byte-order mark decides; otherwise valid UTF-8 is
// UTF-8; otherwise the code page the file was written in is detected from the first 64 KB
// of its lines that are not plain ASCII; when that fails, or the code page found cannot
// decode every byte of the file, Windows-1252. Every byte always becomes some character:
// nothing is dropped and nothing is replaced by U+FFFD.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillon::files {

bool isValidUtf8(std::string_view bytes);

// Maps every byte to a character: the five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 controls of the same value, so nothing is ever dropped.
std::string windows1252ToUtf8(std::string_view bytes);
// The same, appended to `out`; as every byte stands alone, a text may be decoded in pieces.
void appendWindows1252AsUtf8(std::string& out, std::string_view text);

// Checks UTF-8 fed in pieces of any size: a sequence may be split between two pieces.
class Utf8Validator {
public:
    void feed(std::string_view text);
    // No invalid byte so far (a sequence still waiting for its last bytes is no fault yet).
    bool validSoFar() const noexcept { return valid_; }
    // Valid, and no sequence was left unfinished at the end.
    bool validComplete() const noexcept { return valid_ && pendingLength_ == 0; }

private:
    // Validates whole sequences from the start of `bytes`; returns how many bytes they take.
    // A valid but unfinished sequence at the end is left over; an invalid one clears valid_.
    std::size_t validateRun(const unsigned char* bytes, std::size_t size);

    bool valid_ = true;
    unsigned char pending_[4] = {};
    std::size_t pendingLength_ = 0;
};

// Legacy: any other code page, decoded through iconv under `legacyName`.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252, Legacy };

struct EncodingDecision {
    EncodingDecision() = default;
    explicit EncodingDecision(TextEncoding encodingUsed, std::size_t markLength = 0,
                              std::string codePage = {}, bool checkLines = false)
        : encoding(encodingUsed), bomLength(markLength), legacyName(std::move(codePage)),
          repairLines(checkLines) {}

    TextEncoding encoding = TextEncoding::Utf8;
    // Bytes of a byte-order mark at the very start, to be skipped (0, 2 or 3).
    std::size_t bomLength = 0;
    // The iconv name of a Legacy code page ("CP950", "WINDOWS-1256").
    std::string legacyName;
    // UTF-8 that is not known to hold for every line (a BOM said so, or only a sample was
    // seen): a line that is not valid UTF-8 is read as Windows-1252 on its own.
    bool repairLines = false;

    // A name for people: "UTF-8", "UTF-16LE", "WINDOWS-1252", "CP950".
    std::string name() const;

    friend bool operator==(const EncodingDecision&, const EncodingDecision&) = default;
};

// The decision for a code page the user names instead of detection: any name iconv knows,
// without regard to case. Nothing when iconv does not know it.
std::optional<EncodingDecision> encodingNamed(std::string_view name);

// The one place where the program decides how a file's bytes are to be read. The bytes are
// fed from the start of the file, in pieces; the decision can be asked for at any point.
class EncodingDetector {
public:
    // How much text the code page is detected from: the first lines that hold a byte
    // outside ASCII, up to this size.
    static constexpr std::size_t SampleSize = 64 * 1024;

    EncodingDetector();
    ~EncodingDetector();
    EncodingDetector(const EncodingDetector&) = delete;
    EncodingDetector& operator=(const EncodingDetector&) = delete;

    void feed(std::string_view bytes);
    // `wholeText`: every byte of the file was fed. Otherwise the decision is made on a
    // sample, and a character cut by the sample's end is not held against any encoding.
    EncodingDecision decide(bool wholeText) const;
    // Reading further cannot change the decision any more.
    bool settled() const noexcept;

private:
    struct Candidate;
    std::size_t sampleLines(std::string_view bytes);

    unsigned char head_[3] = {};
    std::size_t headLength_ = 0;
    Utf8Validator validator_;
    std::string sample_;
    // The start of the line being read, while it is all ASCII.
    std::string lineHead_;
    // The line being read holds a byte outside ASCII: the rest of it goes into the sample.
    bool inSampledLine_ = false;
    // Detected once the sample is full, then checked against every later byte.
    std::unique_ptr<Candidate> candidate_;
};

// Decodes a text fed in pieces into UTF-8. A character cut by the end of a piece is
// finished by the next one. Bytes the encoding rejects are read as Windows-1252, each on
// its own, so no byte is ever lost. UTF-8 is passed through as it is (its lines are
// checked by whoever splits them).
class TextDecoder {
public:
    explicit TextDecoder(const EncodingDecision& decision);
    ~TextDecoder();
    TextDecoder(TextDecoder&&) noexcept;
    TextDecoder& operator=(TextDecoder&&) noexcept;

    // Appends the UTF-8 of `bytes` to `out`.
    void decode(std::string& out, std::string_view bytes);
    // The end of the text: a character left unfinished is read byte by byte as
    // Windows-1252.
    void finish(std::string& out);
    // How many bytes so far were not valid in the encoding.
    std::size_t rejectedBytes() const noexcept;
    // Bytes are held back, waiting for the rest of their character.
    bool pending() const noexcept;
    // Every byte is a character of the encoding, alone or with its neighbours (a
    // single-byte code page without holes): no text can be rejected.
    bool readsEveryByte() const noexcept;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// A whole text in memory, decoded by `decision` (its byte-order mark skipped).
std::string decodeText(std::string_view bytes, const EncodingDecision& decision);

// A whole text in memory, decided and decoded by the rule above.
std::string decodeToUtf8(std::string_view bytes);

// UTF-8 text as the bytes of a file in `decision`'s encoding, byte-order mark included;
// nothing when a character has no place in that encoding.
std::optional<std::string> encodeText(std::string_view utf8, const EncodingDecision& decision);

} // namespace quillon::files
