#pragma once
// Turning the bytes of a text into UTF-8 and back, once it is known which encoding they
// are in: UTF-8, UTF-16, UTF-32, Windows-1252 by its own table, and any other code page
// through iconv. Which encoding a file is in is decided in text_decoding.h, on top of this.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Legacy: any other code page (UTF-32 included), decoded through iconv under `legacyName`.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252, Legacy };

struct EncodingDecision {
    EncodingDecision() = default;
    explicit EncodingDecision(TextEncoding encodingUsed, std::size_t markLength = 0,
                              std::string codePage = {}, bool checkLines = false)
        : encoding(encodingUsed), bomLength(markLength), legacyName(std::move(codePage)),
          repairLines(checkLines) {}

    TextEncoding encoding = TextEncoding::Utf8;
    // Bytes of a byte-order mark at the very start, to be skipped (0, 2, 3 or 4).
    std::size_t bomLength = 0;
    // The iconv name of a Legacy code page ("CP950", "WINDOWS-1256", "UTF-32LE").
    std::string legacyName;
    // UTF-8 that is not known to hold for every line (a BOM said so, or only a sample was
    // seen): a line that is not valid UTF-8 is read as Windows-1252 on its own.
    bool repairLines = false;

    // A name for people: "UTF-8", "UTF-16LE", "WINDOWS-1252", "CP950".
    std::string name() const;
    // The text of this encoding holds NUL bytes of its own (UTF-16, UTF-32): there a NUL
    // is no sign of binary data.
    bool textHoldsNulBytes() const;

    friend bool operator==(const EncodingDecision&, const EncodingDecision&) = default;
};

// The decision for a code page the user names instead of detection: any name iconv knows,
// without regard to case. Nothing when iconv does not know it.
std::optional<EncodingDecision> encodingNamed(std::string_view name);

// Decodes a text fed in pieces into UTF-8. A character cut by the end of a piece is
// finished by the next one. A byte the encoding rejects becomes its Windows-1252
// character (U+FFFD for the five bytes Windows-1252 has none for), each on its own, and
// the text around it stays in the encoding. UTF-8 is passed through as it is (its lines
// are checked by whoever splits them).
class TextDecoder {
public:
    explicit TextDecoder(const EncodingDecision& decision);
    ~TextDecoder();
    TextDecoder(TextDecoder&&) noexcept;
    TextDecoder& operator=(TextDecoder&&) noexcept;

    // Appends the UTF-8 of `bytes` to `out`.
    void decode(std::string& out, std::string_view bytes);
    // The end of the text: a character left unfinished is read byte by byte as rejected.
    void finish(std::string& out);
    // How many bytes so far were not valid in the encoding.
    std::size_t rejectedBytes() const noexcept;
    // Bytes are held back, waiting for the rest of their character.
    bool pending() const noexcept;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// A whole text in memory, decoded by `decision` (its byte-order mark skipped).
std::string decodeText(std::string_view bytes, const EncodingDecision& decision);

// UTF-8 text as the bytes of a file in `decision`'s encoding, byte-order mark included;
// nothing when a character has no place in that encoding.
std::optional<std::string> encodeText(std::string_view utf8, const EncodingDecision& decision);

namespace detail {

// How many bytes from the start are ASCII. Sources are overwhelmingly ASCII, and text in
// a code page has a byte outside it every few words: the first such byte of a block is
// found from the block's high bits, sixteen bytes at a time where the target has SSE2 and
// eight at a time elsewhere, without a byte-by-byte tail.
inline std::size_t asciiRun(const unsigned char* bytes, std::size_t size) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)));
        if (high != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(high)));
        }
    }
#endif
    constexpr std::uint64_t HighBits = 0x8080808080808080ull;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (const std::uint64_t high = word & HighBits) {
            const int zeros =
                std::endian::native == std::endian::little ? std::countr_zero(high) : std::countl_zero(high);
            return i + static_cast<std::size_t>(zeros) / 8;
        }
    }
    while (i < size && bytes[i] < 0x80) {
        ++i;
    }
    return i;
}

inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Whether iconv can decode `name` (a plain name: no "//" suffix).
bool iconvDecodes(const std::string& name);

} // namespace detail

} // namespace quillon::files
