#include "engine/output_formats.h"

#include "engine/colorise.h"
#include "io/text_reader.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

constexpr std::array<std::string_view, 6> Extensions{".html", ".html", ".txt", ".md", ".md", ".rtf"};

constexpr std::array<std::uint8_t, 256> buildEntriesOfClasses() {
    std::array<std::uint8_t, 256> entries{};
    entries.fill(Other);
    entries['k'] = KeyWord;
    entries['n'] = Number;
    entries['s'] = String;
    entries['c'] = Comment;
    return entries;
}

constexpr std::array<std::uint8_t, 256> EntriesOfClasses = buildEntriesOfClasses();

std::size_t entryOfClass(char name) {
    return EntriesOfClasses[static_cast<unsigned char>(name)];
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

// No byte of coloured text turns into more than this many in any format: a "[" kept apart
// from a tag in BBCode, a tab in RTF, a class opened and closed again.
constexpr std::size_t MostPerByte = 8;

std::string rtfColour(std::size_t entry, bool bold) {
    return "\\cf" + std::to_string(entry + 1) + (bold ? "\\b " : "\\b0 ");
}

// The bytes of coloured text that a format does not copy as they are.
template <OutputFormat Format> constexpr bool isSpecial(unsigned char c) {
    switch (Format) {
    case OutputFormat::BbCode:
        return c == '<' || c == '&' || c == '[';
    case OutputFormat::Markdown:
        return c == '<' || c == '&' || c == '`';
    case OutputFormat::Rtf:
        return c == '<' || c == '&' || c == '\\' || c == '{' || c == '}' || c < 0x20 || c >= 0x7F;
    default:
        return c == '<';
    }
}

template <OutputFormat Format> constexpr std::array<bool, 256> specialTable() {
    std::array<bool, 256> table{};
    for (unsigned c = 0; c < 256; ++c) {
        table[c] = isSpecial<Format>(static_cast<unsigned char>(c));
    }
    return table;
}

template <OutputFormat Format> constexpr std::array<bool, 256> SpecialBytes = specialTable<Format>();

#if defined(__SSE2__)
// One bit per byte of `block` that isSpecial() picks out.
template <OutputFormat Format> inline unsigned specialBytes(__m128i block) {
    const auto equal = [block](char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
    __m128i marks = equal('<');
    if constexpr (Format == OutputFormat::BbCode) {
        marks = _mm_or_si128(marks, _mm_or_si128(equal('&'), equal('[')));
    } else if constexpr (Format == OutputFormat::Markdown) {
        marks = _mm_or_si128(marks, _mm_or_si128(equal('&'), equal('`')));
    } else if constexpr (Format == OutputFormat::Rtf) {
        // Compared as signed bytes, everything from 0x80 up is below 0x20 too.
        const __m128i controlOrHigh = _mm_cmplt_epi8(block, _mm_set1_epi8(0x20));
        marks =
            _mm_or_si128(_mm_or_si128(marks, equal('&')),
                         _mm_or_si128(_mm_or_si128(equal('\\'), equal('{')),
                                      _mm_or_si128(_mm_or_si128(equal('}'), equal('\x7F')), controlOrHigh)));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(marks));
}
#endif

// Where the text that starts at `p` ends: at the next tag or entity, or at `end`.
const char* textEnd(const char* p, const char* end) {
    while (p != end && *p != '<' && *p != '&') {
        ++p;
    }
    return p;
}

// An ASCII byte as RTF writes it, the same as appendRtfEscaped() does outside font tables.
inline char* putRtfEscaped(unsigned char c, char* o) {
    if (c == '\\' || c == '{' || c == '}') {
        o[0] = '\\';
        o[1] = static_cast<char>(c);
        return o + 2;
    }
    if (c == '\t') {
        constexpr std::string_view tab = "\\tab ";
        return std::copy(tab.begin(), tab.end(), o);
    }
    if (c < 0x20 || c == 0x7F) {
        constexpr char digits[] = "0123456789abcdef";
        o[0] = '\\';
        o[1] = '\'';
        o[2] = digits[c >> 4];
        o[3] = digits[c & 15];
        return o + 4;
    }
    *o = static_cast<char>(c);
    return o + 1;
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

namespace {

template <class Markup> void setMarkup(Markup& markup, std::string_view text) {
    assert(text.size() <= markup.bytes.size());
    std::copy(text.begin(), text.end(), markup.bytes.begin());
    markup.size = text.size();
}

} // namespace

FormattedOutput::FormattedOutput(OutputFormat format, const ColourScheme& scheme, std::string_view lineBreak)
    : format_(format), scheme_(scheme), lineBreak_(lineBreak) {
    if (format_ == OutputFormat::Html) {
        return;
    }
    for (std::size_t entry = 0; entry < opens_.size(); ++entry) {
        const TypeCouleur& colour = scheme_.ConfigCouleur[entry];
        // The colour is checked here and raises only where a class of it is written.
        const bool fits = colour.Color >= 0 && colour.Color <= 0xFFFFFF;
        switch (format_) {
        case OutputFormat::HtmlInline:
        case OutputFormat::MarkdownHtml:
            if (fits) {
                setMarkup(opens_[entry], "<span style=\"color:" + HEXA(colour.Color) +
                                             (colour.Bold ? ";font-weight:bold\">" : "\">"));
            }
            setMarkup(closes_[entry], "</span>");
            break;
        case OutputFormat::BbCode:
            if (fits) {
                setMarkup(opens_[entry], "[color=" + HEXA(colour.Color) + (colour.Bold ? "][b]" : "]"));
            }
            setMarkup(closes_[entry], colour.Bold ? "[/b][/color]" : "[/color]");
            break;
        case OutputFormat::Rtf:
            setMarkup(opens_[entry], rtfColour(entry, colour.Bold));
            break;
        case OutputFormat::Html:
        case OutputFormat::Markdown:
            break;
        }
        opens_[entry].valid = fits || format_ == OutputFormat::Rtf || format_ == OutputFormat::Markdown;
    }
    setMarkup(rtfPlain_, rtfColour(Normal, false));
    openEntries_.reserve(8);
}

std::optional<ClassMarkup> FormattedOutput::classMarkup() const {
    if (format_ != OutputFormat::HtmlInline && format_ != OutputFormat::MarkdownHtml &&
        format_ != OutputFormat::BbCode) {
        return std::nullopt;
    }
    ClassMarkup markup;
    markup.forumText = format_ == OutputFormat::BbCode;
    for (std::size_t kind = 0; kind < ClassLetters.size(); ++kind) {
        const std::size_t entry = entryOfClass(ClassLetters[kind]);
        const Markup& open = opens_[entry];
        const Markup& close = closes_[entry];
        if (!open.valid) {
            // Raised where a class of that colour is written, by the translation.
            return std::nullopt;
        }
        static_assert(ClassMarkup::OpenRoom == Markup::Room);
        static_assert(ClassMarkup::CloseRoom <= Markup::Room);
        std::copy(open.bytes.begin(), open.bytes.end(), markup.open[kind].begin());
        std::copy_n(close.bytes.begin(), ClassMarkup::CloseRoom, markup.close[kind].begin());
        markup.openSize[kind] = static_cast<std::uint8_t>(open.size);
        markup.closeSize[kind] = static_cast<std::uint8_t>(close.size);
    }
    return markup;
}

namespace {

// A Markdown fence: longer than any run of backticks in the text it closes, and three at
// least.
std::string markdownFence(std::size_t longestBacktickRun) {
    return std::string(std::max<std::size_t>(3, longestBacktickRun + 1), '`');
}

void openMarkdownFence(const std::string& fence, std::string_view lineBreak, std::string& out) {
    out += fence;
    out += "vb";
    out += lineBreak;
}

} // namespace

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
        // Rounded half up by hand, as lround would: the command line links no maths library.
        long halfPoints = 20;
        if (points > 0 && points < 1000) {
            halfPoints = static_cast<long>(points * 2);
            halfPoints += points * 2 - static_cast<double>(halfPoints) >= 0.5 ? 1 : 0;
        }
        // Word takes the character shading, other readers the older background colour.
        out += "\\pard\\plain\\f0\\fs" + std::to_string(halfPoints) + "\\cf2\\chshdng0\\chcbpat1\\cb1 ";
        break;
    }
    case OutputFormat::Markdown:
        if (!fence_.empty()) {
            openMarkdownFence(fence_, lineBreak_, out);
        }
        break;
    case OutputFormat::Html:
        break;
    }
}

void FormattedOutput::fenceFor(std::size_t longestBacktickRun) {
    if (format_ == OutputFormat::Markdown) {
        fence_ = markdownFence(longestBacktickRun);
    }
}

// The tags and whatever the general paths write all stay within MostPerByte for each
// byte that came in; the rest is what one step may store past its mark (a block of plain
// text, a tag copied whole) and what ends a line.
std::size_t FormattedOutput::maxOutput(std::size_t colouredSize) const {
    const std::size_t pending = carry_.size() + partialCharacter_.size() + openEntries_.size();
    return (colouredSize + pending) * MostPerByte + openEntries_.size() * Markup::Room + 2 * Markup::Room +
           lineBreak_.size() + 8;
}

void FormattedOutput::feed(std::string_view coloured, std::string& out) {
    if (format_ == OutputFormat::Html) {
        out.append(coloured);
        return;
    }
    std::string& target = holdsText() ? held_ : out;
    const std::size_t size = target.size();
    target.resize(size + maxOutput(coloured.size()));
    const char* end = translate(coloured, target.data() + size, false);
    target.resize(static_cast<std::size_t>(end - target.data()));
}

char* FormattedOutput::feed(std::string_view coloured, char* out) {
    switch (format_) {
    case OutputFormat::Html:
        return std::copy(coloured.begin(), coloured.end(), out);
    case OutputFormat::Markdown:
        if (holdsText()) {
            // Held until end(): nothing is written yet.
            feed(coloured, held_);
            return out;
        }
        return translate(coloured, out, true);
    default:
        return translate(coloured, out, true);
    }
}

char* FormattedOutput::endLine(char* out) {
    if (carry_.empty() && partialCharacter_.empty() && openEntries_.empty() && !holdsText()) [[likely]] {
        afterBracket_ = false;
        backtickRun_ = 0;
        if (format_ == OutputFormat::Rtf) {
            out = std::copy_n("\\par", 4, out);
        }
        return std::copy(lineBreak_.begin(), lineBreak_.end(), out);
    }
    rare_.clear();
    endLine(rare_);
    return putRare(out);
}

char* FormattedOutput::putRare(char* out) {
    return std::copy(rare_.begin(), rare_.end(), out);
}

// Only a cut tag or entity waits in the carry: a few bytes.
[[gnu::noinline]] char* FormattedOutput::translateJoined(std::string_view coloured, char* out) {
    std::string joined = std::move(carry_);
    carry_.clear();
    joined.append(coloured);
    return translate(joined, out, false);
}

char* FormattedOutput::translate(std::string_view coloured, char* out, bool readableBehind) {
    if (!carry_.empty()) [[unlikely]] {
        return translateJoined(coloured, out);
    }
    switch (format_) {
    case OutputFormat::HtmlInline:
    case OutputFormat::MarkdownHtml:
        return translate<OutputFormat::HtmlInline>(coloured, out, readableBehind);
    case OutputFormat::BbCode:
        return translate<OutputFormat::BbCode>(coloured, out, readableBehind);
    case OutputFormat::Markdown:
        return translate<OutputFormat::Markdown>(coloured, out, readableBehind);
    case OutputFormat::Rtf:
        return translate<OutputFormat::Rtf>(coloured, out, readableBehind);
    case OutputFormat::Html:
        break;
    }
    return std::copy(coloured.begin(), coloured.end(), out);
}

inline const FormattedOutput::Markup& FormattedOutput::opening(char name) {
    const std::size_t entry = entryOfClass(name);
    openEntries_.push_back(static_cast<std::uint8_t>(entry));
    if (!opens_[entry].valid) [[unlikely]] {
        HEXA(scheme_.ConfigCouleur[entry].Color);
    }
    return opens_[entry];
}

inline const FormattedOutput::Markup* FormattedOutput::closing() {
    if (openEntries_.empty()) {
        return nullptr;
    }
    const std::size_t entry = openEntries_.back();
    openEntries_.pop_back();
    if (format_ != OutputFormat::Rtf) {
        return &closes_[entry];
    }
    return openEntries_.empty() ? &rtfPlain_ : &opens_[openEntries_.back()];
}

void FormattedOutput::closeClass(std::string& out) {
    if (const Markup* markup = closing()) {
        out.append(markup->bytes.data(), markup->size);
    }
}

// One pass over the coloured text that copies what needs no change sixteen bytes at a time
// and stops only at the bytes the format treats apart: tags and entities, and the text the
// format escapes. Whatever is rare (a tag or entity of no colouriser's, a cut one, text
// outside ASCII in RTF) goes through the general text path, which keeps the same state.
template <OutputFormat Format>
char* FormattedOutput::translate(std::string_view coloured, char* out, bool readableBehind) {
    static_assert(Format != OutputFormat::Html && Format != OutputFormat::MarkdownHtml);
    char* o = out;
    // The state lives in locals while the loop runs: stores through `o` could alias the
    // members, which would have them read again after every byte written.
    bool afterBracket = afterBracket_;
    std::size_t backtickRun = backtickRun_;
    std::size_t longestBacktickRun = longestBacktickRun_;
    // Before the general text path and on the way out: the state in place.
    const auto flush = [&] {
        afterBracket_ = afterBracket;
        backtickRun_ = backtickRun;
        longestBacktickRun_ = longestBacktickRun;
    };
    const auto resume = [&] {
        afterBracket = afterBracket_;
        backtickRun = backtickRun_;
        longestBacktickRun = longestBacktickRun_;
    };
    const auto put = [&o](const Markup& markup) {
        std::memcpy(o, markup.bytes.data(), Markup::Room);
        o += markup.size;
    };
    const char* p = coloured.data();
    const char* const end = p + coloured.size();
    // A tag or an entity the fast path does not know goes through the string functions, up
    // to and including `last`; one cut before its end waits for the next piece.
    const auto slowlyUpTo = [&](char last, std::size_t left) {
        flush();
        const auto* stop = static_cast<const char*>(std::memchr(p, last, left));
        if (stop == nullptr) {
            carry_.assign(p, left);
            return false;
        }
        rare_.clear();
        text(std::string_view(p, static_cast<std::size_t>(stop + 1 - p)), rare_);
        o = putRare(o);
        resume();
        p = stop + 1;
        return true;
    };
    while (p != end) {
        if constexpr (Format == OutputFormat::Rtf) {
            if (!partialCharacter_.empty() && *p != '<' && *p != '&') [[unlikely]] {
                const char* spanEnd = textEnd(p, end);
                flush();
                rare_.clear();
                rtfText(std::string_view(p, static_cast<std::size_t>(spanEnd - p)), rare_);
                o = putRare(o);
                resume();
                p = spanEnd;
                continue;
            }
        }
        if constexpr (Format == OutputFormat::BbCode) {
            if (afterBracket && startsForumTag(*p)) {
                std::memcpy(o, ForumSeparator.data(), ForumSeparator.size());
                o += ForumSeparator.size();
            }
        }
        const char* const plain = p;
#if defined(__SSE2__)
        while (end - p >= 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), block);
            if (const unsigned marks = specialBytes<Format>(block)) {
                const auto at = static_cast<std::size_t>(std::countr_zero(marks));
                p += at;
                o += at;
                goto special;
            }
            p += 16;
            o += 16;
        }
        if (const auto rest = static_cast<std::size_t>(end - p); rest != 0) {
            // The end of a piece as one block too: most text between two tags is short,
            // and every line ends in such a rest.
            __m128i block;
            if (readableBehind) [[likely]] {
                block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            } else {
                alignas(16) char tail[16] = {};
                std::memcpy(tail, p, rest);
                block = _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), block);
            const auto at =
                static_cast<std::size_t>(std::countr_zero(specialBytes<Format>(block) | (1U << rest)));
            p += at;
            o += at;
        }
    special:
#else
        while (p != end && !SpecialBytes<Format>[static_cast<unsigned char>(*p)]) {
            *o++ = *p++;
        }
#endif
        if (p != plain) {
            if constexpr (Format == OutputFormat::Markdown) {
                backtickRun = 0;
            }
            afterBracket = false;
        }
        if (p == end) {
            break;
        }
        const auto left = static_cast<std::size_t>(end - p);
        const auto c = static_cast<unsigned char>(*p);
        if (c == '<') {
            if (left >= 4 && std::memcmp(p, "</a>", 4) == 0) {
                // Closing what is not open changes nothing, not even a "[" just written.
                if (const Markup* markup = closing()) {
                    put(*markup);
                    afterBracket = false;
                }
                p += 4;
                continue;
            }
            if (left >= 11 && std::memcmp(p, "<a class=", 9) == 0 && p[10] == '>' && p[9] != '>') {
                put(opening(p[9]));
                afterBracket = false;
                p += 11;
                continue;
            }
            if (!slowlyUpTo('>', left)) {
                return o;
            }
            continue;
        }
        if constexpr (Format == OutputFormat::HtmlInline) {
            // No other byte stops the copy.
            continue;
        } else {
            if (c == '&') {
                char decoded;
                if (left >= 5 && std::memcmp(p, "&amp;", 5) == 0) {
                    decoded = '&';
                    p += 5;
                } else if (left >= 4 && p[3] == ';' && p[2] == 't' && (p[1] == 'l' || p[1] == 'g')) {
                    decoded = p[1] == 'l' ? '<' : '>';
                    p += 4;
                } else {
                    if (!slowlyUpTo(';', left)) {
                        return o;
                    }
                    continue;
                }
                if constexpr (Format == OutputFormat::Rtf) {
                    if (!partialCharacter_.empty()) {
                        flush();
                        rare_.clear();
                        rtfText(std::string_view(&decoded, 1), rare_);
                        o = putRare(o);
                        resume();
                        continue;
                    }
                }
                backtickRun = 0;
                afterBracket = false;
                *o++ = decoded;
                continue;
            }
            if constexpr (Format == OutputFormat::BbCode) {
                // A "[": what follows it decides.
                *o++ = '[';
                ++p;
                afterBracket = true;
            } else if constexpr (Format == OutputFormat::Markdown) {
                // A run of backticks, which may go on from the text before a tag.
                while (p != end && *p == '`') {
                    *o++ = '`';
                    ++p;
                    ++backtickRun;
                }
                longestBacktickRun = std::max(longestBacktickRun, backtickRun);
            } else if constexpr (Format == OutputFormat::Rtf) {
                if (c >= 0x80) {
                    // The rest of the text up to the next tag or entity, as a whole: a
                    // character cut at its end waits for what follows.
                    const char* spanEnd = textEnd(p, end);
                    flush();
                    rare_.clear();
                    rtfText(std::string_view(p, static_cast<std::size_t>(spanEnd - p)), rare_);
                    o = putRare(o);
                    resume();
                    p = spanEnd;
                    continue;
                }
                o = putRtfEscaped(c, o);
                ++p;
            }
        }
    }
    flush();
    return o;
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
        out.append(decoded);
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
    if (afterBracket_ && startsForumTag(decoded.front())) {
        out += ForumSeparator;
    }
    std::size_t start = 0;
    for (std::size_t p = 0; p + 1 < decoded.size(); ++p) {
        if (decoded[p] == '[' && startsForumTag(decoded[p + 1])) {
            out.append(decoded.substr(start, p + 1 - start));
            out += ForumSeparator;
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
        text(rest, holdsText() ? held_ : out);
    }
    if (!partialCharacter_.empty()) {
        appendRtfEscaped(partialCharacter_, out);
        partialCharacter_.clear();
    }
    while (!openEntries_.empty()) {
        closeClass(out);
    }
    afterBracket_ = false;
    backtickRun_ = 0;
    switch (format_) {
    case OutputFormat::Markdown:
        (holdsText() ? held_ : out) += lineBreak_;
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
        if (!fence_.empty()) {
            out += fence_;
            out += lineBreak_;
            break;
        }
        const std::string fence = markdownFence(longestBacktickRun_);
        openMarkdownFence(fence, lineBreak_, out);
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
    FormattedOutput output(format, scheme, lineBreak);
    const std::optional<ClassMarkup> markup = output.classMarkup();
    // Coloured straight into the format where it allows, through its HTML otherwise.
    LineColouriser colouriser(switchesOf(scheme), optimize, markup ? &*markup : nullptr);
    std::string out;
    std::string coloured;
    output.begin(out);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        if (markup) {
            const std::size_t size = out.size();
            out.resize(size + colouriser.roomFor(line.size()));
            out.resize(static_cast<std::size_t>(colouriser.writeLine(out.data() + size, line) - out.data()));
        } else {
            coloured.resize(LineColouriser::maxOutput(line.size()));
            const char* written = colouriser.writeLine(coloured.data(), line);
            output.feed(
                std::string_view(coloured.data(), static_cast<std::size_t>(written - coloured.data())), out);
        }
        output.endLine(out);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    output.end(out);
    return out;
}

std::size_t longestBacktickRun(files::TextReader& reader) {
    std::size_t longest = 0;
    std::size_t run = 0;
    std::string piece;
    bool continues = false;
    while (reader.readPiece(piece, continues)) {
        for (const char *at = piece.data(), *end = at + piece.size();;) {
            const void* found = std::memchr(at, '`', static_cast<std::size_t>(end - at));
            if (found == nullptr) {
                if (at != end) {
                    run = 0;
                }
                break;
            }
            const char* tick = static_cast<const char*>(found);
            run = tick == at ? run + 1 : 1;
            longest = std::max(longest, run);
            at = tick + 1;
        }
        if (!continues) {
            run = 0;
        }
    }
    return longest;
}

} // namespace quillon
