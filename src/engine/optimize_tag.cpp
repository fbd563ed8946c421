#include "engine/optimize_tag.h"

#include <algorithm>

namespace quillon {

namespace {
constexpr std::string_view OpenTag = "<a class=";
constexpr std::size_t OpenTagLength = 11; // "<a class=" + class letter + ">"
constexpr std::string_view CloseTag = "</a>";
constexpr std::size_t ClassLetterOffset = 9;

bool onlySpaces(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}
} // namespace

// The merge rules are written as a recursion over "the rest of the text from the second
// tag on". Here the rest is tracked as an offset into the input: after a merge, what the
// rules call the rest is still a suffix of the input (the dropped tags and the spaces
// beyond 42 only shift it), so the work is one linear pass without recursion.
void appendOptimized(std::string& out, std::string_view text) {
    std::string_view rest = text;
    for (;;) {
        const auto first = rest.find(OpenTag);
        if (first == std::string_view::npos) {
            break;
        }
        const auto firstClose = rest.find(CloseTag, first + 5);
        if (firstClose == std::string_view::npos) {
            break; // not markup of ours: leave it as it is
        }
        const auto second = rest.find(OpenTag, firstClose);
        if (second == std::string_view::npos) {
            break;
        }
        const std::size_t gapStart = firstClose + CloseTag.size();
        const std::string_view gap = rest.substr(gapStart, second - gapStart);
        const bool sameClass = second + ClassLetterOffset < rest.size() &&
                               rest[first + ClassLetterOffset] == rest[second + ClassLetterOffset];
        if (!sameClass || !onlySpaces(gap)) {
            out += rest.substr(0, second);
            rest = rest.substr(second);
            continue;
        }
        const std::size_t keptSpaces = gap.size() < MaxMergedSpaces ? gap.size() : MaxMergedSpaces;
        out += rest.substr(0, firstClose);
        out.append(keptSpaces, ' ');
        // The merged text up to the old position of the second tag is final; what follows
        // that position is the rest.
        const std::size_t contentStart = std::min(second + OpenTagLength, rest.size());
        const std::size_t finalFromContent = second - firstClose - keptSpaces;
        const std::size_t restStart = contentStart + finalFromContent;
        if (restStart >= rest.size()) {
            if (contentStart < rest.size()) {
                out += rest.substr(contentStart);
            }
            return;
        }
        out += rest.substr(contentStart, finalFromContent);
        rest = rest.substr(restStart);
    }
    out += rest;
}

std::string OptimizeTag(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendOptimized(out, text);
    return out;
}

} // namespace quillon
