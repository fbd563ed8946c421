#pragma once
// Small text functions the colouriser's rules are written in terms of, for the literal
// reference of the tests: whole-word replacement, wrapping of free-standing numbers,
// cutting out a delimited span, counting.
//
// Every comparison is exact and case-sensitive. Positions returned to callers are 1-based
// with 0 meaning "none", as the callers' rules are written that way. The two boundary sets
// (words and numbers) are deliberately not symmetrical: a comma ends a word or a number
// but does not start one.

#include <string>
#include <string_view>

namespace quillon::literal {

// The text after the first character of the first occurrence of `separator`, or the whole
// text when it does not occur.
std::string ChaineApres(std::string_view separator, std::string_view text);
// The text before the first occurrence of `separator`; raises error 5 when it does not occur.
std::string ChaineAvant(std::string_view separator, std::string_view text);
bool ChaineContient(std::string_view needle, std::string_view text);
// Overlapping occurrences all count: "aa" occurs twice in "aaa".
int ChaineNbOccurence(std::string_view needle, std::string_view text);
// 1-based position of the first digit, 0 when there is none.
int ChaineContientNombre(std::string_view text);

struct Split {
    std::string before;
    std::string middle;
    std::string after;
};

// Splits at the first span opened and closed by `delimiter`, both included in the middle.
// When the span is not closed the middle is empty and `after` starts with the unmatched
// delimiter. Raises error 5 when the delimiter does not occur at all.
Split ChaineExtraireEntre(std::string_view delimiter, std::string_view text);

std::string ChaineSiContientMotRemplace(std::string_view word, std::string_view text,
                                        std::string_view replacement);
std::string ChaineSiContientNombreEncadre(std::string_view text, std::string_view openTag,
                                          std::string_view closeTag);

inline constexpr bool isWordBoundaryBefore(char c) {
    return c == ' ' || c == '\t' || c == '(';
}
inline constexpr bool isWordBoundaryAfter(char c) {
    return c == ' ' || c == '\t' || c == ')' || c == ',';
}
inline constexpr bool isNumberBoundaryBefore(char c) {
    return c == ' ' || c == '\t' || c == '(' || c == '.' || c == '-';
}
inline constexpr bool isNumberBoundaryAfter(char c) {
    return c == ' ' || c == '\t' || c == ')' || c == ',' || c == '.';
}
inline constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace quillon::literal
