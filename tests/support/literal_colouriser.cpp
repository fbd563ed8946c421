#include "support/literal_colouriser.h"

#include "engine/colorise.h"

#include <algorithm>
#include <vector>

namespace quillon::literal {

namespace {

// The string helpers the rules are written with: searches are exact and case-sensitive,
// and the remaining text's start and end count as boundaries. The word and number
// boundary sets differ and are not symmetrical (a comma ends a word but starts none).
constexpr std::string_view WordBefore = " \t(", WordAfter = " \t),";
constexpr std::string_view NumberBefore = " \t(.-", NumberAfter = " \t),.";

bool ChaineContient(std::string_view needle, std::string_view text) {
    return text.find(needle) != std::string_view::npos;
}
std::string ChaineAvant(std::string_view separator, std::string_view text) {
    return std::string(text.substr(0, text.find(separator)));
}
std::string ChaineApres(std::string_view separator, std::string_view text) {
    return std::string(text.substr(text.find(separator) + 1));
}
// Each search starts one character after the previous match: overlaps all count.
int ChaineNbOccurence(std::string_view needle, std::string_view text) {
    int count = 0;
    for (auto p = text.find(needle); p != std::string_view::npos; p = text.find(needle, p + 1)) {
        ++count;
    }
    return count;
}

struct Split {
    std::string before, span, after;
};
// The first span opened and closed by `delimiter`, both included; an unclosed one gives an
// empty span and an after that starts with the delimiter.
Split ChaineExtraireEntre(std::string_view delimiter, std::string_view text) {
    const auto p = text.find(delimiter);
    const std::string_view rest = text.substr(p);
    const auto q = rest.find(delimiter, 1);
    const std::size_t length = q == std::string_view::npos ? 0 : q + delimiter.size();
    return {std::string(text.substr(0, p)), std::string(rest.substr(0, length)),
            std::string(rest.substr(length))};
}

bool bounded(std::string_view set, std::string_view text, std::size_t at) {
    return at == std::string_view::npos || at >= text.size() || set.find(text[at]) != std::string_view::npos;
}

std::string ChaineSiContientMotRemplace(std::string_view word, std::string_view text,
                                        std::string_view replacement) {
    std::string result;
    for (std::string_view remaining = text; !remaining.empty();) {
        const auto p = remaining.find(word);
        if (p == std::string_view::npos) {
            return result + std::string(remaining);
        }
        const std::size_t end = p + word.size();
        const bool whole = bounded(WordBefore, remaining, p - 1) && bounded(WordAfter, remaining, end);
        result += whole ? std::string(remaining.substr(0, p)) + std::string(replacement)
                        : std::string(remaining.substr(0, end));
        remaining = remaining.substr(end);
    }
    return result;
}

std::string ChaineSiContientNombreEncadre(std::string_view text, std::string_view open,
                                          std::string_view close) {
    std::string result;
    for (std::string_view remaining = text; !remaining.empty();) {
        const auto start = remaining.find_first_of("0123456789");
        if (start == std::string_view::npos) {
            return result + std::string(remaining);
        }
        const auto end = std::min(remaining.find_first_not_of("0123456789", start), remaining.size());
        const std::string digits(remaining.substr(start, end - start));
        const bool free = bounded(NumberBefore, remaining, start - 1) && bounded(NumberAfter, remaining, end);
        result += std::string(remaining.substr(0, start)) +
                  (free ? std::string(open) + digits + std::string(close) : digits);
        remaining = remaining.substr(end);
    }
    return result;
}

std::string replaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t pos = 0;
    for (auto p = text.find(from); p != std::string::npos; p = text.find(from, pos)) {
        out.append(text, pos, p - pos);
        out += to;
        pos = p + from.size();
    }
    out.append(text, pos);
    return out;
}

std::string tagged(const ClassTag& tag, std::string_view text) {
    return std::string(tag.open) + std::string(text) + std::string(tag.close);
}

std::string EnCouleur(const std::string& fragment, const ColourSwitches& switches) {
    std::string working = fragment;
    if (switches.keyword) {
        for (std::string_view word : LSTmotClef) {
            working = ChaineSiContientMotRemplace(word, working, tagged(ClassTags::k, word));
        }
    }
    if (switches.number) {
        working = ChaineSiContientNombreEncadre(working, ClassTags::n.open, ClassTags::n.close);
    }
    if (switches.other) {
        for (std::string_view item : LSTponctuation) {
            working = replaceAll(working, item, tagged(ClassTags::o, item));
        }
    }
    return working;
}

std::string Colorise(const std::string& fragment, const ColourSwitches& switches) {
    if (fragment.find_first_not_of(' ') == std::string::npos) {
        return fragment;
    }
    if (switches.string && ChaineContient(QuoteMark, fragment)) {
        const Split split = ChaineExtraireEntre(QuoteMark, fragment);
        if (split.span.empty()) {
            // An unmatched quote opens a literal that runs to the end of the fragment.
            return Colorise(split.before, switches) + tagged(ClassTags::s, split.after);
        }
        return Colorise(split.before, switches) + tagged(ClassTags::s, split.span) +
               Colorise(split.after, switches);
    }
    return EnCouleur(fragment, switches);
}

} // namespace

std::string lineStep(std::string_view line, const ColourSwitches& switches) {
    // "<" and ">" become "&lt" and "&gt" for every pass; which "&" of the escaped line
    // stands for a "<" or ">" is noted, in order, for the writing at the end.
    std::string escaped;
    std::vector<bool> standsForAngle;
    for (const char c : line) {
        if (c == '<' || c == '>') {
            escaped += c == '<' ? "&lt" : "&gt";
            standsForAngle.push_back(true);
        } else {
            escaped += c;
            if (c == '&') {
                standsForAngle.push_back(false);
            }
        }
    }
    std::string code = escaped;
    std::string comment;
    if (switches.comment && ChaineContient(CommentMark, escaped)) {
        const std::string before = ChaineAvant(CommentMark, escaped);
        if (ChaineNbOccurence(QuoteMark, before) % 2 == 0) {
            code = before;
            comment = std::string(ClassTags::c.open) + "'" + ChaineApres(CommentMark, escaped) +
                      std::string(ClassTags::c.close);
        }
    }
    // Written out, the source's own "&" is "&amp;" and "&lt" and "&gt" get their
    // semicolon. No tag holds an "&", and none is put inside "&lt" or "&gt".
    const std::string markup = Colorise(code, switches) + comment;
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < markup.size(); ++i) {
        if (markup[i] != '&') {
            out += markup[i];
        } else if (standsForAngle.at(next++)) {
            out += markup.substr(i, 3) + ";";
            i += 2;
        } else {
            out += "&amp;";
        }
    }
    return out;
}

std::string OptimizeTag(const std::string& input) {
    // 1-based positions as the rules are written; Mid/Left/InStr spelled out.
    auto inStr = [](std::size_t start, const std::string& text, std::string_view what) -> std::size_t {
        const auto p = text.find(what, start - 1);
        return p == std::string::npos ? 0 : p + 1;
    };
    auto mid = [](const std::string& text, std::size_t start, std::size_t length = std::string::npos) {
        if (start - 1 >= text.size()) {
            return std::string();
        }
        return text.substr(start - 1, length);
    };
    std::string done;
    std::string text = input;
    for (;;) {
        const std::size_t p1 = inStr(1, text, "<a class=");
        if (p1 == 0) {
            return done + text;
        }
        const std::size_t e1 = inStr(p1 + 5, text, "</a>");
        if (e1 == 0) {
            return done + text;
        }
        const std::size_t p2 = inStr(e1, text, "<a class=");
        if (p2 == 0) {
            return done + text;
        }
        if (mid(text, p1 + 9, 1) == mid(text, p2 + 9, 1)) {
            const std::string gap = mid(text, e1 + 4, p2 - (e1 + 4));
            if (gap.find_first_not_of(' ') == std::string::npos) {
                const std::size_t spaces = gap.size() < 42 ? gap.size() : 42;
                text = text.substr(0, e1 - 1) + std::string(spaces, ' ') + mid(text, p2 + 11);
            }
        }
        done += text.substr(0, std::min(p2 - 1, text.size()));
        text = mid(text, p2);
    }
}

} // namespace quillon::literal
