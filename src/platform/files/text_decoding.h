#pragma once
// Turning the bytes of a text file into UTF-8. Every file the program reads (sources,
// header, footer, style sheets, language files) goes through here so they all agree.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon::files {

bool isValidUtf8(std::string_view bytes);

// Maps every byte to a character: the five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 controls of the same value, so nothing is ever dropped.
std::string windows1252ToUtf8(std::string_view bytes);
// The same, appended to `out`; as every byte stands alone, a text may be decoded in pieces.
void appendWindows1252AsUtf8(std::string& out, std::string_view bytes);

// A UTF-8 BOM is dropped; valid UTF-8 is kept as it is; anything else is read as
// Windows-1252.
std::string decodeToUtf8(std::string_view bytes);

// Checks UTF-8 fed in pieces of any size: a sequence may be split between two pieces.
class Utf8Validator {
public:
    void feed(std::string_view bytes);
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

enum class TextEncoding { Utf8, Windows1252 };

struct EncodingDecision {
    TextEncoding encoding = TextEncoding::Utf8;
    // Bytes of a byte-order mark at the very start, to be skipped (0 or 3).
    std::size_t bomLength = 0;

    friend bool operator==(const EncodingDecision&, const EncodingDecision&) = default;
};

// The one place where the program decides how a file's bytes are to be read. The bytes are
// fed from the start of the file, in pieces; the decision can be asked for at any point.
class EncodingDetector {
public:
    void feed(std::string_view bytes);
    // `wholeText`: every byte of the file was fed. Otherwise the decision is made on a
    // sample, and a sequence cut by the sample's end is not held against UTF-8.
    EncodingDecision decide(bool wholeText) const;
    // Reading further cannot change the decision any more.
    bool settled() const noexcept { return !validator_.validSoFar(); }

private:
    Utf8Validator validator_;
    unsigned char head_[3] = {};
    std::size_t headLength_ = 0;
};

} // namespace quillon::files
