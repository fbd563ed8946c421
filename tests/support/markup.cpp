#include "support/markup.h"

#include "engine/colorise.h"

namespace quillon::test {

std::optional<std::string> visibleText(std::string_view markup) {
    std::string text;
    bool open = false;
    for (std::size_t i = 0; i < markup.size();) {
        const std::string_view rest = markup.substr(i);
        if (!open && rest.size() >= 11 && rest.starts_with("<a class=") &&
            std::string_view("knosc").find(rest[9]) != std::string_view::npos && rest[10] == '>') {
            open = true;
            i += 11;
        } else if (open && rest.starts_with("</a>")) {
            open = false;
            i += 4;
        } else if (rest.starts_with("&amp;") || rest.starts_with("&lt;") || rest.starts_with("&gt;")) {
            text += rest[1] == 'a' ? '&' : rest[1] == 'l' ? '<' : '>';
            i += rest[1] == 'a' ? 5 : 4;
        } else if (rest[0] == '<' || rest[0] == '>' || rest[0] == '&') {
            return std::nullopt;
        } else {
            text += markup[i++];
        }
    }
    if (open) {
        return std::nullopt;
    }
    return text;
}

std::string colourLine(std::string_view line, const ColourSwitches& switches, bool optimize) {
    LineColouriser colouriser(switches, optimize);
    return colourLine(colouriser, line);
}

std::string colourLine(LineColouriser& colouriser, std::string_view line) {
    std::string out(LineColouriser::maxOutput(line.size()), '\0');
    out.resize(static_cast<std::size_t>(colouriser.writeLine(out.data(), line) - out.data()));
    return out;
}

} // namespace quillon::test
