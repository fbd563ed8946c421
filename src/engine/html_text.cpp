#include "engine/html_text.h"

namespace quillon {

namespace {

void appendEscaped(std::string_view text, std::string& out, bool quotes) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += quotes ? "&quot;" : "\"";
            break;
        default:
            out += c;
        }
    }
}

} // namespace

void appendPageText(std::string_view text, std::string& out) {
    appendEscaped(text, out, false);
}

std::string attributeText(std::string_view text) {
    std::string out;
    appendEscaped(text, out, true);
    return out;
}

} // namespace quillon
