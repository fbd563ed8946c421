#include "desktop/dialog_filter.h"

#include "base/ascii_text.h"

namespace quillon::platform {

namespace {

std::string listedDescription(const std::string& item, FileDialogKind kind, bool last) {
    if (kind == FileDialogKind::Save) {
        return "Fichiers " + item;
    }
    return item + (last ? " Files" : " Files ");
}

void appendPair(std::string& accumulator, const std::string& description, const std::string& item) {
    accumulator += '|';
    accumulator += description;
    accumulator += "|*.";
    accumulator += item;
}

} // namespace

std::string buildDialogFilter(std::string_view extensions, FileDialogKind kind) {
    if (extensions.empty()) {
        return kind == FileDialogKind::Open ? "ALL FILES (*.*)|*.*" : "Tous les fichiers (*.*)|*.*";
    }
    std::string remaining = asciiUpper(extensions);
    if (remaining.find(' ') == std::string::npos) {
        return "Fichiers " + remaining + "|*." + remaining;
    }
    // The item always sits at the front of what remains, so removing the first occurrence
    // of "item " amounts to cutting at the first blank; two blanks in a row therefore give
    // an empty item, exactly as users of the old dialogs saw.
    std::string accumulator;
    for (std::size_t blank = remaining.find(' '); blank != std::string::npos; blank = remaining.find(' ')) {
        const std::string item = remaining.substr(0, blank);
        appendPair(accumulator, listedDescription(item, kind, false), item);
        remaining.erase(0, blank + 1);
    }
    appendPair(accumulator, listedDescription(remaining, kind, true), remaining);
    return accumulator.substr(1);
}

std::vector<FilterPair> splitDialogFilter(std::string_view filter) {
    std::vector<FilterPair> pairs;
    if (filter.empty()) {
        return pairs;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar = filter.find('|'); bar != std::string_view::npos; bar = filter.find('|', start)) {
        parts.emplace_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    parts.emplace_back(filter.substr(start));
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        pairs.push_back({parts[i], i + 1 < parts.size() ? parts[i + 1] : std::string()});
    }
    return pairs;
}

} // namespace quillon::platform
