#include "desktop/dialog_filter.h"

#include "base/ascii_text.h"

namespace quillon::platform {

namespace {

std::vector<std::string> splitOn(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > start) {
            parts.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

std::string described(const FilterWords& words, const std::string& extension) {
    std::string description = words.files;
    const std::size_t slot = description.find("%1");
    if (slot == std::string::npos) {
        return description + ' ' + extension;
    }
    return description.replace(slot, 2, extension);
}

} // namespace

std::string buildDialogFilter(std::string_view extensions, const FilterWords& words) {
    std::string filter;
    auto append = [&](const std::string& description, const std::vector<std::string>& items) {
        std::string patterns;
        for (const std::string& item : items) {
            patterns += (patterns.empty() ? "" : ";") + std::string(item == "*" ? "*.*" : "*." + item);
        }
        if (!filter.empty()) {
            filter += '|';
        }
        filter += description + " (" + asciiLower(patterns) + ")|" + patterns;
    };
    for (const std::string& item : splitOn(asciiUpper(extensions), ' ')) {
        const std::vector<std::string> joined = splitOn(item, ';');
        if (joined.size() > 1) {
            append(words.sources, joined);
        } else if (item == "*") {
            append(words.allFiles, {item});
        } else {
            append(described(words, item), {item});
        }
    }
    if (filter.empty()) {
        append(words.allFiles, {"*"});
    }
    return filter;
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
