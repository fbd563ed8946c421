#include "engine/output_formats.h"

#include "engine/colorise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace quillon {

namespace {

constexpr std::array<std::string_view, 6> Extensions{".html", ".html", ".txt", ".md", ".md", ".rtf"};

std::size_t entryOfClass(char name) {
    switch (name) {
    case 'k':
        return KeyWord;
    case 'n':
        return Number;
    case 's':
        return String;
    case 'c':
        return Comment;
    default:
        return Other;
    }
}

// "10,5" as the font dialog of some locales writes it is 10.5 points everywhere else.
std::string pointSize(std::string_view size) {
    std::string points;
    for (char c : size) {
        if (c == ',') {
            points += '.';
        } else if (c != ' ' && c != '\t') {
            points += c;
        }
    }
    return points.empty() ? std::string(DefaultFontSize) : points;
}

void appendDecimal(long value, std::string& out) {
    out += std::to_string(value);
}

bool startsTag(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '*';
}

// The code point of the UTF-8 sequence at `p` (U+FFFD for a faulty one) and its length.
std::pair<std::uint32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t p) {
    const auto lead = static_cast<unsigned char>(text[p]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || p + length > text.size()) {
        return {0xFFFD, 1};
    }
    std::uint32_t code = lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[p + i]);
        if ((next & 0xC0) != 0x80) {
            return {0xFFFD, i};
        }
        code = (code << 6) | (next & 0x3F);
    }
    return {code, length};
}

// How many bytes at the end of `text` begin a UTF-8 sequence that has not ended.
std::size_t unfinishedSequence(std::string_view text) {
    const std::size_t lookBack = std::min<std::size_t>(3, text.size());
    for (std::size_t back = 1; back <= lookBack; ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) {
            continue;
        }
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

void appendRtfUnicode(std::uint32_t code, std::string& out) {
    const auto unit = [&out](std::uint32_t value) {
        out += "\\u";
        appendDecimal(static_cast<long>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value))), out);
        out += '?';
    };
    if (code >= 0x10000) {
        code -= 0x10000;
        unit(0xD800 + (code >> 10));
        unit(0xDC00 + (code & 0x3FF));
    } else {
        unit(code);
    }
}

// A font name ends at its ";" in the font table: one in the name is written as a hex escape.
void appendRtfEscaped(std::string_view text, std::string& out, bool inFontTable = false) {
    for (std::size_t p = 0; p < text.size();) {
        const auto c = static_cast<unsigned char>(text[p]);
        if (c >= 0x80) {
            const auto [code, length] = decodeUtf8(text, p);
            appendRtfUnicode(code, out);
            p += length;
            continue;
        }
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c < 0x20 || c == 0x7F || (inFontTable && c == ';')) {
            constexpr char digits[] = "0123456789abcdef";
            out += "\\'";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
        ++p;
    }
}

} // namespace

std::optional<OutputFormat> outputFormatNamed(std::string_view name) {
    const auto* found = std::find(OutputFormatNames.begin(), OutputFormatNames.end(), name);
    if (found == OutputFormatNames.end()) {
        return std::nullopt;
    }
    return static_cast<OutputFormat>(found - OutputFormatNames.begin());
}

std::string_view nameOf(OutputFormat format) {
    return OutputFormatNames[static_cast<std::size_t>(format)];
}

std::string_view fileExtensionOf(OutputFormat format) {
    return Extensions[static_cast<std::size_t>(format)];
}

std::string inlineStyledPreTag(const ColourScheme& scheme) {
    // The font name is quoted for CSS inside a double-quoted attribute.
    std::string font;
    for (char c : scheme.fontName) {
        if (c == '"') {
            font += "&quot;";
        } else if (c == '&') {
            font += "&amp;";
        } else if (c == '\'' || c == '\\') {
            font += '\\';
            font += c;
        } else {
            font += c;
        }
    }
    const auto& colours = scheme.ConfigCouleur;
    return "<pre style=\"background-color:" + HEXA(colours[Background].Color) +
           ";color:" + HEXA(colours[Normal].Color) + ";font-family:'" + font +
           "',monospace;font-size:" + pointSize(scheme.fontSize) + "pt;padding:4px\">";
}

FormattedOutput::FormattedOutput(OutputFormat format, const ColourScheme& scheme, std::string_view lineBreak)
    : format_(format), scheme_(scheme), lineBreak_(lineBreak) {}

void FormattedOutput::begin(std::string& out) {
    switch (format_) {
    case OutputFormat::HtmlInline:
    case OutputFormat::MarkdownHtml:
        out += inlineStyledPreTag(scheme_);
        out += lineBreak_;
        break;
    case OutputFormat::BbCode:
        out += "[code]";
        break;
    case OutputFormat::Rtf: {
        out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 ";
        appendRtfEscaped(scheme_.fontName, out, true);
        out += ";}}{\\colortbl;";
        for (const TypeCouleur& entry : scheme_.ConfigCouleur) {
            const auto colour = static_cast<std::uint32_t>(entry.Color);
            out += "\\red" + std::to_string(colour & 0xFF) + "\\green" +
                   std::to_string((colour >> 8) & 0xFF) + "\\blue" + std::to_string((colour >> 16) & 0xFF) +
                   ';';
        }
        out += '}';
        out += lineBreak_;
        const double points = std::strtod(pointSize(scheme_.fontSize).c_str(), nullptr);
        const long halfPoints = points > 0 && points < 1000 ? std::lround(points * 2) : 20;
        // Word takes the character shading, other readers the older background colour.
        out += "\\pard\\plain\\f0\\fs" + std::to_string(halfPoints) + "\\cf2\\chshdng0\\chcbpat1\\cb1 ";
        break;
    }
    case OutputFormat::Html:
    case OutputFormat::Markdown:
        break;
    }
}

void FormattedOutput::feed(std::string_view coloured, std::string& out) {
    if (format_ == OutputFormat::Html) {
        out.append(coloured);
        return;
    }
    if (!carry_.empty()) {
        // Only a cut tag or entity waits here: a few bytes.
        std::string joined = std::move(carry_);
        carry_.clear();
        joined.append(coloured);
        translate(joined, out);
        return;
    }
    translate(coloured, out);
}

void FormattedOutput::translate(std::string_view coloured, std::string& out) {
    const bool keepsEntities = format_ == OutputFormat::HtmlInline || format_ == OutputFormat::MarkdownHtml;
    std::size_t p = 0;
    while (p < coloured.size()) {
        std::size_t next = p;
        while (next < coloured.size() && coloured[next] != '<' && (keepsEntities || coloured[next] != '&')) {
            ++next;
        }
        if (next > p) {
            text(coloured.substr(p, next - p), out);
        }
        if (next == coloured.size()) {
            return;
        }
        const std::size_t close = coloured.find(coloured[next] == '<' ? '>' : ';', next);
        if (close == std::string_view::npos) {
            carry_.assign(coloured.substr(next));
            return;
        }
        const std::string_view item = coloured.substr(next, close + 1 - next);
        if (item == "</a>") {
            closeClass(out);
        } else if (item.starts_with("<a class=") && item.size() == 11) {
            openClass(item[9], out);
        } else if (item == "&amp;") {
            text("&", out);
        } else if (item == "&lt;") {
            text("<", out);
        } else if (item == "&gt;") {
            text(">", out);
        } else {
            text(item, out);
        }
        p = close + 1;
    }
}

void FormattedOutput::openClass(char name, std::string& out) {
    openClasses_ += name;
    const TypeCouleur& entry = scheme_.ConfigCouleur[entryOfClass(name)];
    switch (format_) {
    case OutputFormat::HtmlInline:
    case OutputFormat::MarkdownHtml:
        out += "<span style=\"color:";
        out += HEXA(entry.Color);
        out += entry.Bold ? ";font-weight:bold\">" : "\">";
        break;
    case OutputFormat::BbCode:
        out += "[color=";
        out += HEXA(entry.Color);
        out += entry.Bold ? "][b]" : "]";
        afterBracket_ = false;
        break;
    case OutputFormat::Rtf:
        rtfColour(entryOfClass(name), entry.Bold, out);
        break;
    case OutputFormat::Html:
    case OutputFormat::Markdown:
        break;
    }
}

void FormattedOutput::closeClass(std::string& out) {
    if (openClasses_.empty()) {
        return;
    }
    const char name = openClasses_.back();
    openClasses_.pop_back();
    switch (format_) {
    case OutputFormat::HtmlInline:
    case OutputFormat::MarkdownHtml:
        out += "</span>";
        break;
    case OutputFormat::BbCode:
        out += scheme_.ConfigCouleur[entryOfClass(name)].Bold ? "[/b][/color]" : "[/color]";
        afterBracket_ = false;
        break;
    case OutputFormat::Rtf:
        if (openClasses_.empty()) {
            rtfColour(Normal, false, out);
        } else {
            const std::size_t outer = entryOfClass(openClasses_.back());
            rtfColour(outer, scheme_.ConfigCouleur[outer].Bold, out);
        }
        break;
    case OutputFormat::Html:
    case OutputFormat::Markdown:
        break;
    }
}

void FormattedOutput::rtfColour(std::size_t entry, bool bold, std::string& out) {
    out += "\\cf";
    appendDecimal(static_cast<long>(entry) + 1, out);
    out += bold ? "\\b " : "\\b0 ";
}

void FormattedOutput::text(std::string_view decoded, std::string& out) {
    switch (format_) {
    case OutputFormat::HtmlInline:
    case OutputFormat::MarkdownHtml:
        out.append(decoded);
        break;
    case OutputFormat::BbCode:
        bbCodeText(decoded, out);
        break;
    case OutputFormat::Rtf:
        rtfText(decoded, out);
        break;
    case OutputFormat::Markdown:
        for (char c : decoded) {
            backtickRun_ = c == '`' ? backtickRun_ + 1 : 0;
            longestBacktickRun_ = std::max(longestBacktickRun_, backtickRun_);
        }
        held_.append(decoded);
        break;
    case OutputFormat::Html:
        out.append(decoded);
        break;
    }
}

// A "[" that a forum could take for the start of a tag ("[b]", "[/code]") is kept apart
// from what follows by an empty bold pair: the reader still sees the source's brackets.
void FormattedOutput::bbCodeText(std::string_view decoded, std::string& out) {
    if (decoded.empty()) {
        return;
    }
    if (afterBracket_ && startsTag(decoded.front())) {
        out += "[b][/b]";
    }
    std::size_t start = 0;
    for (std::size_t p = 0; p + 1 < decoded.size(); ++p) {
        if (decoded[p] == '[' && startsTag(decoded[p + 1])) {
            out.append(decoded.substr(start, p + 1 - start));
            out += "[b][/b]";
            start = p + 1;
        }
    }
    out.append(decoded.substr(start));
    afterBracket_ = decoded.back() == '[';
}

void FormattedOutput::rtfText(std::string_view decoded, std::string& out) {
    if (!partialCharacter_.empty()) {
        std::string joined = std::move(partialCharacter_);
        partialCharacter_.clear();
        joined.append(decoded);
        rtfText(joined, out);
        return;
    }
    const std::size_t unfinished = unfinishedSequence(decoded);
    appendRtfEscaped(decoded.substr(0, decoded.size() - unfinished), out);
    partialCharacter_.assign(decoded.substr(decoded.size() - unfinished));
}

void FormattedOutput::endLine(std::string& out) {
    if (!carry_.empty()) {
        // Never a tag of the colouriser's: shown as the text it is.
        std::string rest = std::move(carry_);
        carry_.clear();
        text(rest, out);
    }
    if (!partialCharacter_.empty()) {
        appendRtfEscaped(partialCharacter_, out);
        partialCharacter_.clear();
    }
    while (!openClasses_.empty()) {
        closeClass(out);
    }
    afterBracket_ = false;
    backtickRun_ = 0;
    switch (format_) {
    case OutputFormat::Markdown:
        held_ += lineBreak_;
        break;
    case OutputFormat::Rtf:
        out += "\\par";
        out += lineBreak_;
        break;
    default:
        out += lineBreak_;
        break;
    }
}

void FormattedOutput::end(std::string& out) {
    switch (format_) {
    case OutputFormat::HtmlInline:
        out += "</pre>";
        out += lineBreak_;
        break;
    case OutputFormat::MarkdownHtml:
        // Markdown ends a raw HTML block at a blank line.
        out += "</pre>";
        out += lineBreak_;
        out += lineBreak_;
        break;
    case OutputFormat::BbCode:
        out += "[/code]";
        out += lineBreak_;
        break;
    case OutputFormat::Markdown: {
        const std::string fence(std::max<std::size_t>(3, longestBacktickRun_ + 1), '`');
        out += fence;
        out += "vb";
        out += lineBreak_;
        out += held_;
        out += fence;
        out += lineBreak_;
        held_.clear();
        break;
    }
    case OutputFormat::Rtf:
        out += '}';
        out += lineBreak_;
        break;
    case OutputFormat::Html:
        break;
    }
}

std::string formatText(std::string_view text, OutputFormat format, const ColourScheme& scheme, bool optimize,
                       std::string_view lineBreak) {
    LineColouriser colouriser(switchesOf(scheme), optimize);
    FormattedOutput output(format, scheme, lineBreak);
    std::string out;
    std::string coloured;
    output.begin(out);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        coloured.resize(LineColouriser::maxOutput(line.size()));
        const char* written = colouriser.writeLine(coloured.data(), line);
        output.feed(std::string_view(coloured.data(), static_cast<std::size_t>(written - coloured.data())),
                    out);
        output.endLine(out);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    output.end(out);
    return out;
}

} // namespace quillon
