#pragma once
// Turning the bytes of a text file into UTF-8. Every file the program reads (sources,
// header, footer, style sheets, language files) goes through here so they all agree.

#include <string>
#include <string_view>

namespace quillon::files {

bool isValidUtf8(std::string_view bytes);

// Maps every byte to a character: the five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 controls of the same value, so nothing is ever dropped.
std::string windows1252ToUtf8(std::string_view bytes);

// A UTF-8 BOM is dropped; valid UTF-8 is kept as it is; anything else is read as
// Windows-1252.
std::string decodeToUtf8(std::string_view bytes);

} // namespace quillon::files
