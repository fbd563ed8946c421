#include "engine/outline.h"

#include "base/ascii_text.h"

#include <cctype>

namespace quillon {

namespace {

// The next word of `text` (letters, digits, "_"), which is consumed with the blanks after it.
std::string_view takeWord(std::string_view& text) {
    std::size_t end = 0;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) != 0 ||
                                 text[end] == '_' || static_cast<unsigned char>(text[end]) >= 0x80)) {
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

// Most lines are statements: only these letters begin a scope, "Static" or a keyword of
// an entry, and the rest need not be taken apart.
bool mayStartAnEntry(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return false;
    }
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(line[first])));
    return std::string_view("PFGSETD").find(c) != std::string_view::npos;
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
    std::string unique = anchor;
    for (int n = 2; !anchors_.insert(asciiLower(unique)).second; ++n) {
        unique = anchor + "_" + std::to_string(n);
    }
    entry.anchor = unique;
    entries_.push_back(std::move(entry));
}

std::vector<OutlineEntry> outlineOf(const std::vector<std::string>& lines) {
    OutlineBuilder builder;
    for (const std::string& line : lines) {
        builder.add(line);
    }
    return builder.take();
}

} // namespace quillon
