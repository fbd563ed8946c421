#pragma once
// Pieces shared by the decoders of the file layer. Internal to the file layer.

#include "io/text_decoding.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::files::detail {

// How many bytes from the start are ASCII. Sources are overwhelmingly ASCII: eight bytes
// are tested at a time before any byte is looked at on its own.
inline std::size_t asciiRun(const unsigned char* bytes, std::size_t size) {
    constexpr std::uint64_t HighBits = 0x8080808080808080ull;
    std::size_t i = 0;
    while (i + 16 <= size) {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, bytes + i, 8);
        std::memcpy(&b, bytes + i + 8, 8);
        if (((a | b) & HighBits) != 0) {
            break;
        }
        i += 16;
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

// What uchardet makes of `sample`: its name for the encoding, empty when it cannot tell.
std::string detectCharset(std::string_view sample);

// The decision uchardet's answer leads to for `sample`, or nothing when the answer is no
// use (no answer, an encoding the bytes already failed, one iconv cannot decode).
std::optional<EncodingDecision> codePageFor(std::string_view detected, std::string_view sample);

} // namespace quillon::files::detail
