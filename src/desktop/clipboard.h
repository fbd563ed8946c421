#pragma once
// The desktop's clipboard. Code is put there in several formats at once, the richest
// first, so that every program it is pasted into takes the best one it understands: a
// word processor the RTF, an e-mail or web editor the HTML, a plain editor the text.

#include <string>

namespace quillon::platform {

// One piece of code as each kind of receiver wants it; all three are UTF-8.
struct ClipboardContent {
    // An HTML fragment that carries its colours in style attributes: receivers drop style
    // sheets.
    std::string html;
    // A whole RTF document.
    std::string rtf;
    // The source as it was typed.
    std::string plainText;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces what the clipboard holds.
    virtual void put(const ClipboardContent& content) = 0;
};

} // namespace quillon::platform
