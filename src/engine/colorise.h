#pragma once
// The line colouriser: one line of Visual Basic source becomes the HTML text that stands
// for it inside the page's PRE block. Keywords, numbers, punctuation, string literals and
// comments are wrapped in anchor tags naming their style class; everything else is
// copied unchanged. No state is kept from one line to the next.
//
// The rules are those of a multi-pass design (69 whole-word keyword scans, a number pass,
// 16 punctuation replacements), quirks included. This implementation reaches the same
// bytes in a single pass; tests hold it against a literal multi-pass oracle.

#include "scheme/colour_scheme.h"

#include <array>
#include <string>
#include <string_view>

namespace quillon {

struct ClassTag {
    std::string_view open;
    std::string_view close;
};

namespace ClassTags {
inline constexpr ClassTag k{"<a class=k>", "</a>"};
inline constexpr ClassTag n{"<a class=n>", "</a>"};
inline constexpr ClassTag o{"<a class=o>", "</a>"};
inline constexpr ClassTag s{"<a class=s>", "</a>"};
inline constexpr ClassTag c{"<a class=c>", "</a>"};
} // namespace ClassTags

inline constexpr std::string_view QuoteMark = "\"";
inline constexpr std::string_view CommentMark = "'";

// The keywords, in the order they are applied; compared case-sensitively.
extern const std::array<std::string_view, 69> LSTmotClef;
// The punctuation items, in the order they are applied. Some carry a space that belongs
// to the item; "<" and ">" appear only in their escaped forms.
extern const std::array<std::string_view, 16> LSTponctuation;

// "<" becomes "&lt" and ">" becomes "&gt"; nothing else is escaped and no semicolon is added.
void appendEscaped(std::string& out, std::string_view line);
std::string escapeLine(std::string_view line);

// Keywords, numbers and punctuation of a code fragment (text without string literals).
std::string EnCouleur(std::string_view fragment, const ColourSwitches& switches);
void appendEnCouleur(std::string& out, std::string_view fragment, const ColourSwitches& switches);

// Cuts the string literals out of a fragment and colours the code between them. A quote
// left unmatched opens a literal that runs to the end of the fragment.
std::string Colorise(std::string_view fragment, const ColourSwitches& switches);
void appendColorise(std::string& out, std::string_view fragment, const ColourSwitches& switches);

// The line step on a line that is already escaped: the comment split, then Colorise.
void appendColouredEscapedLine(std::string& out, std::string_view escapedLine,
                               const ColourSwitches& switches);

// The whole line step: escaping, the comment split, Colorise.
std::string colourLine(std::string_view line, const ColourSwitches& switches);

} // namespace quillon
