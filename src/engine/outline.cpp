#include "engine/outline.h"

#include "base/ascii_text.h"

#include <algorithm>
#include <cctype>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

// Letters, digits and "_"; a byte outside ASCII belongs to a word too (a name with
// letters beyond ASCII).
bool isWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80;
}

// The next word of `text` (letters, digits, "_"), which is consumed with the blanks after it.
std::string_view takeWord(std::string_view& text) {
    std::size_t end = 0;
    while (end < text.size() && isWordByte(static_cast<unsigned char>(text[end]))) {
        ++end;
    }
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return word;
}

bool is(std::string_view word, std::string_view keyword) {
    return equalsIgnoringAsciiCase(word, keyword);
}

bool looksLikeLineAnchor(std::string_view name) {
    if (name.size() < 2 || name[0] != 'L') {
        return false;
    }
    for (char c : name.substr(1)) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

// Most lines are statements: an entry's line starts with a scope, "Static" or the keyword
// of an entry, and the other lines need not be taken apart.
bool mayStartAnEntry(std::string_view line) {
    std::size_t begin = 0;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t')) {
        ++begin;
    }
    // No keyword of an entry is longer than eight letters: a longer word is not looked at
    // to its end.
    constexpr std::size_t LongestKeyword = 8;
    const std::size_t limit = std::min(line.size(), begin + LongestKeyword + 1);
    std::size_t end = begin;
    while (end < limit && isWordByte(static_cast<unsigned char>(line[end]))) {
        ++end;
    }
    const std::string_view word = line.substr(begin, end - begin);
    switch (word.size()) {
    case 3:
        return is(word, "Sub");
    case 4:
        return is(word, "Type") || is(word, "Enum");
    case 5:
        return is(word, "Event");
    case 6:
        return is(word, "Public") || is(word, "Friend") || is(word, "Global") || is(word, "Static");
    case 7:
        return is(word, "Private") || is(word, "Declare");
    case 8:
        return is(word, "Function") || is(word, "Property");
    default:
        return false;
    }
}

// The entry a line starts, if any: [scope] [Static] keyword name.
bool entryOf(std::string_view text, OutlineEntry& entry) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    std::string_view word = takeWord(text);
    for (std::string_view scope : {"Public", "Private", "Friend", "Global"}) {
        if (is(word, scope)) {
            entry.scope = std::string(scope);
            word = takeWord(text);
            break;
        }
    }
    if (is(word, "Static")) {
        word = takeWord(text);
    }
    if (is(word, "Sub") || is(word, "Function") || is(word, "Event") || is(word, "Type") ||
        is(word, "Enum")) {
        entry.kind = std::string(word.size() == 3 ? "Sub" : word.size() == 8 ? "Function" : word);
        entry.kind[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(entry.kind[0])));
        for (std::size_t i = 1; i < entry.kind.size(); ++i) {
            entry.kind[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(entry.kind[i])));
        }
    } else if (is(word, "Property")) {
        const std::string_view access = takeWord(text);
        if (!is(access, "Get") && !is(access, "Let") && !is(access, "Set")) {
            return false;
        }
        entry.kind = "Property " + std::string(1, static_cast<char>(std::toupper(access[0]))) +
                     asciiLower(access.substr(1));
    } else if (is(word, "Declare")) {
        entry.kind = "Declare";
        const std::string_view what = takeWord(text);
        if (!is(what, "Sub") && !is(what, "Function")) {
            return false;
        }
    } else {
        return false;
    }
    entry.name = std::string(takeWord(text));
    return !entry.name.empty();
}

} // namespace

void OutlineBuilder::add(std::string_view line) {
    ++lines_;
    const bool startsHere = !continued_;
    continued_ = line.size() >= 2 && line.ends_with(" _");
    if (!startsHere || !mayStartAnEntry(line)) {
        return;
    }
    OutlineEntry entry;
    if (!entryOf(line, entry)) {
        return;
    }
    entry.line = lines_;
    // Property Get and Let share their name; a page holds one anchor of each name.
    std::string anchor = entry.name;
    if (looksLikeLineAnchor(anchor)) {
        anchor += "_";
    }
    // Each name goes on from the last number it took: every smaller one is taken already,
    // and a source that repeats one name thousands of times must not try them all again.
    const std::string lowered = asciiLower(anchor);
    std::string unique = anchor;
    if (!anchors_.insert(lowered).second) {
        int& n = nextNumber_.try_emplace(lowered, 2).first->second;
        do {
            unique = anchor + "_" + std::to_string(n++);
        } while (!anchors_.insert(asciiLower(unique)).second);
    }
    entry.anchor = unique;
    entries_.push_back(std::move(entry));
}

std::size_t OutlineBuilder::addText(std::string_view text) {
    const char* data = text.data();
    const std::size_t size = text.size();
    std::size_t start = 0;
    std::size_t longest = 0;
    bool afterCarriageReturn = false;
    const auto lineBreakAt = [&](std::size_t at) {
        if (afterCarriageReturn && at == start && data[at] == '\n') {
            start = at + 1; // the LF of a CR LF
            afterCarriageReturn = false;
            return;
        }
        longest = std::max(longest, at - start);
        add(text.substr(start, at - start));
        start = at + 1;
        afterCarriageReturn = data[at] == '\r';
    };
    // Lines average a few dozen bytes: the breaks are found sixteen bytes at a time rather
    // than by two searches a line.
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i carriageReturns = _mm_set1_epi8('\r');
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    for (; at + 16 <= size; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        auto breaks = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(block, carriageReturns), _mm_cmpeq_epi8(block, lineFeeds))));
        for (; breaks != 0; breaks &= breaks - 1) {
            lineBreakAt(at + static_cast<std::size_t>(__builtin_ctz(breaks)));
        }
    }
#endif
    for (; at < size; ++at) {
        if (data[at] == '\r' || data[at] == '\n') {
            lineBreakAt(at);
        }
    }
    if (start < size) {
        longest = std::max(longest, size - start);
        add(text.substr(start));
    }
    return longest;
}

std::vector<OutlineEntry> outlineOf(const std::vector<std::string>& lines) {
    OutlineBuilder builder;
    for (const std::string& line : lines) {
        builder.add(line);
    }
    return builder.take();
}

} // namespace quillon
