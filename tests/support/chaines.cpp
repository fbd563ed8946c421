#include "support/chaines.h"

#include "base/vb_error.h"

namespace quillon::literal {

std::string ChaineApres(std::string_view separator, std::string_view text) {
    const auto p = text.find(separator);
    if (p == std::string_view::npos) {
        return std::string(text);
    }
    return std::string(text.substr(p + 1));
}

std::string ChaineAvant(std::string_view separator, std::string_view text) {
    const auto p = text.find(separator);
    if (p == std::string_view::npos) {
        raise(vberr::InvalidCall);
    }
    return std::string(text.substr(0, p));
}

bool ChaineContient(std::string_view needle, std::string_view text) {
    return text.find(needle) != std::string_view::npos;
}

int ChaineNbOccurence(std::string_view needle, std::string_view text) {
    if (needle.empty()) {
        return 0;
    }
    int count = 0;
    for (auto p = text.find(needle); p != std::string_view::npos; p = text.find(needle, p + 1)) {
        ++count;
    }
    return count;
}

int ChaineContientNombre(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

Split ChaineExtraireEntre(std::string_view delimiter, std::string_view text) {
    const auto p = text.find(delimiter);
    if (p == std::string_view::npos || delimiter.empty()) {
        raise(vberr::InvalidCall);
    }
    const std::string_view rest = text.substr(p);
    const auto q = rest.find(delimiter, 1);
    const std::size_t spanLength = q == std::string_view::npos ? 0 : q + delimiter.size();
    return {std::string(text.substr(0, p)), std::string(rest.substr(0, spanLength)),
            std::string(rest.substr(spanLength))};
}

std::string ChaineSiContientMotRemplace(std::string_view word, std::string_view text,
                                        std::string_view replacement) {
    std::string result;
    std::string_view remaining = text;
    while (!remaining.empty()) {
        const auto p = word.empty() ? std::string_view::npos : remaining.find(word);
        if (p == std::string_view::npos) {
            result += remaining;
            break;
        }
        const auto end = p + word.size();
        const bool boundedAfter = end == remaining.size() || isWordBoundaryAfter(remaining[end]);
        const bool boundedBefore = p == 0 || isWordBoundaryBefore(remaining[p - 1]);
        if (boundedBefore && boundedAfter) {
            result += remaining.substr(0, p);
            result += replacement;
        } else {
            result += remaining.substr(0, end);
        }
        remaining = remaining.substr(end);
    }
    return result;
}

std::string ChaineSiContientNombreEncadre(std::string_view text, std::string_view openTag,
                                          std::string_view closeTag) {
    std::string result;
    std::string_view remaining = text;
    while (!remaining.empty()) {
        const int p = ChaineContientNombre(remaining);
        if (p == 0) {
            result += remaining;
            break;
        }
        const auto start = static_cast<std::size_t>(p - 1);
        auto end = start;
        while (end < remaining.size() && isDigit(remaining[end])) {
            ++end;
        }
        const bool boundedAfter = end == remaining.size() || isNumberBoundaryAfter(remaining[end]);
        const bool boundedBefore = start == 0 || isNumberBoundaryBefore(remaining[start - 1]);
        result += remaining.substr(0, start);
        if (boundedBefore && boundedAfter) {
            result += openTag;
            result += remaining.substr(start, end - start);
            result += closeTag;
        } else {
            result += remaining.substr(start, end - start);
        }
        remaining = remaining.substr(end);
    }
    return result;
}

} // namespace quillon::literal
