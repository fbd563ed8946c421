#pragma once
// The line colouriser: one line of Visual Basic source becomes the HTML text that stands
// for it inside the page's PRE block. Keywords, numbers, punctuation, string literals and
// comments are wrapped in anchor tags naming their style class; everything else is
// copied unchanged. No state is kept from one line to the next.
//
// The rules are those of a multi-pass design (69 whole-word keyword scans, a number pass,
// 16 punctuation replacements, then the tag optimiser re-reading the markup), quirks
// included. This implementation reaches the same bytes in a single pass over the line
// that writes straight into the caller's buffer; tests hold it against a literal
// multi-pass oracle.

#include "scheme/colour_scheme.h"

#include <array>
#include <cstdint>
#include <memory>
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
inline constexpr std::array<std::string_view, 69> LSTmotClef{
    "Alias",   "And",      "As",     "Binary",     "Boolean", "ByRef",  "Byte",     "ByVal",    "Case",
    "Const",   "Currency", "Date",   "Declare",    "Dim",     "Do",     "DoEvents", "Double",   "Else",
    "Empty",   "End",      "Enum",   "Error",      "Event",   "Exit",   "False",    "For",      "Function",
    "Get",     "GoTo",     "If",     "Input",      "Integer", "Is",     "Let",      "Lib",      "Long",
    "Loop",    "New",      "Next",   "Not",        "Nothing", "Null",   "On",       "Optional", "Or",
    "Private", "Property", "Public", "RaiseEvent", "Resume",  "Select", "Set",      "Single",   "Static",
    "Step",    "String",   "Sub",    "Then",       "To",      "True",   "Type",     "Until",    "Variant",
    "Wend",    "While",    "With",   "Xor",        "Call",    "In"};
// The punctuation items, in the order they are applied. Some carry a space that belongs
// to the item; "<" and ">" appear only in their escaped forms.
inline constexpr std::array<std::string_view, 16> LSTponctuation{
    "(", ")", ",", ".", " _", " =", ":", "*", "\\", "+", "-", "& ", "&lt", "&gt", " <=", " >="};

// Colours lines into a buffer the caller provides. One object serves any number of lines
// (it keeps a scratch copy of the line between calls, nothing else) and is not shared
// between threads.
class LineColouriser {
public:
    // Room a line may need beyond its worst case: the writer stores in blocks of up to 16
    // bytes and may run that far past the end of what it keeps.
    static constexpr std::size_t OutputSlack = 64;

    // `optimize`: merge neighbouring tags of one class as OptimizeTag does.
    LineColouriser(const ColourSwitches& switches, bool optimize);
    ~LineColouriser();
    LineColouriser(const LineColouriser&) = delete;
    LineColouriser& operator=(const LineColouriser&) = delete;

    // The most a line of `length` bytes can become: a lone "<" is "&lt" wrapped in an
    // o tag, 18 bytes.
    static constexpr std::size_t maxOutput(std::size_t length) { return 18 * length + OutputSlack; }

    // The whole line step (escaping, comment split, Colorise) and, when chosen, the
    // optimiser. `out` must have room for maxOutput(line.size()) bytes; returns the end of
    // what was written. Bytes past that end may have been overwritten.
    char* writeLine(char* out, std::string_view line);

    // Colorise (or EnCouleur when the string switch is off) of a fragment taken as it is:
    // no escaping and no comment split. Same contract as writeLine.
    char* writeFragment(char* out, std::string_view fragment);

private:
    const char* stage(std::string_view line, bool escape, std::size_t& length, std::size_t& apostrophe);
    char* colour(char* out, const char* f, std::size_t m, std::size_t apostrophe);

    ColourSwitches switches_;
    bool optimize_;
    const std::uint8_t* classes_;
    const std::uint8_t* boundaries_;
    // The staged line, with guard bytes before and after it so that the scan may look
    // around its edges without tests.
    std::unique_ptr<char[]> heap_;
    std::size_t heapCapacity_ = 0;
    std::array<char, 512> local_;
};

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
