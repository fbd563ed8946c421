#include "engine/colorise.h"

#include "engine/chaines.h"

#include <cstring>

namespace quillon {

const std::array<std::string_view, 69> LSTmotClef{
    "Alias",   "And",      "As",     "Binary",     "Boolean", "ByRef",  "Byte",     "ByVal",    "Case",
    "Const",   "Currency", "Date",   "Declare",    "Dim",     "Do",     "DoEvents", "Double",   "Else",
    "Empty",   "End",      "Enum",   "Error",      "Event",   "Exit",   "False",    "For",      "Function",
    "Get",     "GoTo",     "If",     "Input",      "Integer", "Is",     "Let",      "Lib",      "Long",
    "Loop",    "New",      "Next",   "Not",        "Nothing", "Null",   "On",       "Optional", "Or",
    "Private", "Property", "Public", "RaiseEvent", "Resume",  "Select", "Set",      "Single",   "Static",
    "Step",    "String",   "Sub",    "Then",       "To",      "True",   "Type",     "Until",    "Variant",
    "Wend",    "While",    "With",   "Xor",        "Call",    "In"};

const std::array<std::string_view, 16> LSTponctuation{"(",  ")", ",", ".",  " _",  " =",  ":",   "*",
                                                      "\\", "+", "-", "& ", "&lt", "&gt", " <=", " >="};

namespace {

constexpr bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Keywords bucketed by length and first letter: a lookup compares against at most a
// handful of candidates.
class KeywordTable {
public:
    static constexpr std::size_t MaxLength = 10;

    KeywordTable() {
        for (std::string_view word : LSTmotClef) {
            auto& bucket = buckets_[word.size()][bucketOf(word[0])];
            bucket.words[bucket.count++] = word;
        }
    }

    bool contains(const char* text, std::size_t length) const {
        if (length < 2 || length > MaxLength || text[0] < 'A' || text[0] > 'Z') {
            return false;
        }
        const auto& bucket = buckets_[length][bucketOf(text[0])];
        for (std::size_t i = 0; i < bucket.count; ++i) {
            if (std::memcmp(bucket.words[i].data(), text, length) == 0) {
                return true;
            }
        }
        return false;
    }

private:
    static std::size_t bucketOf(char first) { return static_cast<std::size_t>(first - 'A'); }

    struct Bucket {
        std::array<std::string_view, 6> words{};
        std::size_t count = 0;
    };
    std::array<std::array<Bucket, 26>, MaxLength + 1> buckets_{};
};

const KeywordTable& keywords() {
    static const KeywordTable table;
    return table;
}

void appendTagged(std::string& out, const ClassTag& tag, const char* text, std::size_t length) {
    out += tag.open;
    out.append(text, length);
    out += tag.close;
}

// Length of the keyword to wrap at the end of the letter run [start, end), or 0.
//
// A keyword occurrence is wrapped when it is bounded on both sides. Bounded before also
// holds right behind a previous occurrence of the same word, because each search resumes
// behind the last occurrence found and the start of what remains counts as a boundary:
// so in "IfIf x" the second "If" is wrapped, whatever precedes the first.
std::size_t keywordAtRunEnd(std::string_view text, std::size_t start, std::size_t end) {
    const std::size_t length = end - start;
    const KeywordTable& table = keywords();
    if ((start == 0 || isWordBoundaryBefore(text[start - 1])) &&
        table.contains(text.data() + start, length)) {
        return length;
    }
    for (std::size_t word = 2; word <= KeywordTable::MaxLength && 2 * word <= length; ++word) {
        const char* last = text.data() + end - word;
        if (std::memcmp(last - word, last, word) == 0 && table.contains(last, word)) {
            return word;
        }
    }
    return 0;
}

bool isAllSpaces(std::string_view text) {
    for (char c : text) {
        if (c != ' ') {
            return false;
        }
    }
    return true;
}

void appendCodePiece(std::string& out, std::string_view piece, const ColourSwitches& switches) {
    if (isAllSpaces(piece)) {
        out += piece;
    } else {
        appendEnCouleur(out, piece, switches);
    }
}

} // namespace

void appendEscaped(std::string& out, std::string_view line) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '<' || c == '>') {
            out.append(line.data() + from, i - from);
            out += c == '<' ? "&lt" : "&gt";
            from = i + 1;
        }
    }
    out.append(line.data() + from, line.size() - from);
}

std::string escapeLine(std::string_view line) {
    std::string out;
    out.reserve(line.size() + 16);
    appendEscaped(out, line);
    return out;
}

void appendEnCouleur(std::string& out, std::string_view f, const ColourSwitches& switches) {
    if (!switches.keyword && !switches.number && !switches.other) {
        out += f;
        return;
    }
    const std::size_t n = f.size();
    std::size_t plainFrom = 0; // start of the text not yet copied to out
    std::size_t i = 0;
    auto wrap = [&](const ClassTag& tag, std::size_t at, std::size_t length) {
        out.append(f.data() + plainFrom, at - plainFrom);
        appendTagged(out, tag, f.data() + at, length);
        plainFrom = at + length;
    };
    while (i < n) {
        const char c = f[i];
        if (isLetter(c)) {
            std::size_t end = i + 1;
            while (end < n && isLetter(f[end])) {
                ++end;
            }
            if (switches.keyword && (end == n || isWordBoundaryAfter(f[end]))) {
                if (const std::size_t length = keywordAtRunEnd(f, i, end)) {
                    wrap(ClassTags::k, end - length, length);
                }
            }
            i = end;
            continue;
        }
        if (isDigit(c)) {
            std::size_t end = i + 1;
            while (end < n && isDigit(f[end])) {
                ++end;
            }
            if (switches.number && (i == 0 || isNumberBoundaryBefore(f[i - 1])) &&
                (end == n || isNumberBoundaryAfter(f[end]))) {
                wrap(ClassTags::n, i, end - i);
            }
            i = end;
            continue;
        }
        if (switches.other) {
            switch (c) {
            case '(':
            case ')':
            case ',':
            case '.':
            case ':':
            case '*':
            case '\\':
            case '+':
            case '-':
                wrap(ClassTags::o, i, 1);
                ++i;
                continue;
            case ' ':
                if (i + 1 < n && (f[i + 1] == '_' || f[i + 1] == '=')) {
                    wrap(ClassTags::o, i, 2);
                    i += 2;
                    continue;
                }
                break;
            case '&':
                // " _" and " =" are applied before "& ", so they take a space they share.
                if (i + 1 < n && f[i + 1] == ' ') {
                    if (!(i + 2 < n && (f[i + 2] == '_' || f[i + 2] == '='))) {
                        wrap(ClassTags::o, i, 2);
                        i += 2;
                        continue;
                    }
                } else if (i + 2 < n && f[i + 2] == 't' && (f[i + 1] == 'l' || f[i + 1] == 'g')) {
                    wrap(ClassTags::o, i, 3);
                    i += 3;
                    continue;
                }
                break;
            default:
                break;
            }
        }
        ++i;
    }
    out.append(f.data() + plainFrom, n - plainFrom);
}

std::string EnCouleur(std::string_view fragment, const ColourSwitches& switches) {
    std::string out;
    out.reserve(fragment.size() * 2);
    appendEnCouleur(out, fragment, switches);
    return out;
}

void appendColorise(std::string& out, std::string_view fragment, const ColourSwitches& switches) {
    if (!switches.string) {
        appendCodePiece(out, fragment, switches);
        return;
    }
    const char quote = QuoteMark[0];
    std::size_t pos = 0;
    for (;;) {
        const auto open = fragment.find(quote, pos);
        if (open == std::string_view::npos) {
            appendCodePiece(out, fragment.substr(pos), switches);
            return;
        }
        appendCodePiece(out, fragment.substr(pos, open - pos), switches);
        const auto close = fragment.find(quote, open + 1);
        if (close == std::string_view::npos) {
            appendTagged(out, ClassTags::s, fragment.data() + open, fragment.size() - open);
            return;
        }
        appendTagged(out, ClassTags::s, fragment.data() + open, close + 1 - open);
        pos = close + 1;
    }
}

std::string Colorise(std::string_view fragment, const ColourSwitches& switches) {
    std::string out;
    out.reserve(fragment.size() * 2);
    appendColorise(out, fragment, switches);
    return out;
}

void appendColouredEscapedLine(std::string& out, std::string_view line, const ColourSwitches& switches) {
    if (switches.comment) {
        const auto apostrophe = line.find(CommentMark[0]);
        if (apostrophe != std::string_view::npos) {
            std::size_t quotes = 0;
            for (std::size_t i = 0; i < apostrophe; ++i) {
                quotes += line[i] == QuoteMark[0] ? 1 : 0;
            }
            if (quotes % 2 == 0) {
                appendColorise(out, line.substr(0, apostrophe), switches);
                appendTagged(out, ClassTags::c, line.data() + apostrophe, line.size() - apostrophe);
                return;
            }
        }
    }
    appendColorise(out, line, switches);
}

std::string colourLine(std::string_view line, const ColourSwitches& switches) {
    const std::string escaped = escapeLine(line);
    std::string out;
    out.reserve(escaped.size() * 2 + 32);
    appendColouredEscapedLine(out, escaped, switches);
    return out;
}

} // namespace quillon
