#pragma once
// The line colouriser: one line of Visual Basic source becomes the HTML text that stands
// for it inside the page's PRE block. Keywords, numbers, punctuation, string literals and
// comments are wrapped in anchor tags naming their style class; everything else is
// copied as it is (but for the three characters HTML reserves). No state is kept from
// one line to the next.
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
#include <vector>

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
// to the item; "<" and ">" appear only in their escaped forms (no item matches those).
inline constexpr std::array<std::string_view, 16> LSTponctuation{
    "(", ")", ",", ".", " _", " =", ":", "*", "\\", "+", "-", "& ", "&lt", "&gt", " <=", " >="};

// The classes' letters, in the order ClassMarkup holds their tags.
inline constexpr std::array<char, 5> ClassLetters{'k', 'n', 'o', 's', 'c'};

// What is written around each class and how the text between is written, when a line goes
// straight into another markup than the page's anchors (inline styles, forum tags), with
// no HTML made on the way.
struct ClassMarkup {
    static constexpr std::size_t OpenRoom = 48;
    static constexpr std::size_t CloseRoom = 16;
    // By class, in the order of ClassLetters; each copied whole, so the room past a tag's
    // size is written too.
    std::array<std::array<char, OpenRoom>, 5> open{};
    std::array<std::array<char, CloseRoom>, 5> close{};
    std::array<std::uint8_t, 5> openSize{};
    std::array<std::uint8_t, 5> closeSize{};
    // Forum text: each character as itself rather than as an HTML entity, and a "[" that
    // could open a forum tag kept apart from what follows it by ForumSeparator.
    bool forumText = false;
};

// A "[" followed by one of these could be taken for a forum tag ("[b]", "[/code]", "[*]").
inline bool startsForumTag(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '*';
}
// An empty bold pair: the reader still sees the source's brackets.
inline constexpr std::string_view ForumSeparator = "[b][/b]";

// The optimiser keeps at most this many of the spaces between two tags it merges.
inline constexpr std::size_t MaxMergedSpaces = 42;

// Colours lines into a buffer the caller provides. One object serves any number of lines
// (it keeps a scratch copy of the line between calls, nothing else) and is not shared
// between threads.
//
// The rules classify the line with "<" and ">" turned into "&lt" and "&gt" (no
// semicolon), and that is how every pass sees them; only what is written differs: the
// text of the line (never a tag) has each "&" of the source as "&amp;", each "<" as
// "&lt;" and each ">" as "&gt;", so that a browser shows exactly the source.
class LineColouriser {
public:
    // Room a line may need beyond its worst case: the writer stores in blocks of up to 16
    // bytes and may run that far past the end of what it keeps.
    static constexpr std::size_t OutputSlack = 64;

    // `optimize`: merge neighbouring tags of one class with nothing or spaces between.
    // With `markup`, the line is written in that markup instead of the page's anchors; the
    // tags are placed and merged exactly as the anchors would be.
    LineColouriser(const ColourSwitches& switches, bool optimize, const ClassMarkup* markup = nullptr);
    ~LineColouriser();
    LineColouriser(const LineColouriser&) = delete;
    LineColouriser& operator=(const LineColouriser&) = delete;

    // The most a line of `length` bytes can become: a lone "<" is "&lt;" wrapped in an
    // o tag, 19 bytes.
    static constexpr std::size_t maxOutput(std::size_t length) { return 19 * length + OutputSlack; }
    // The same in this colouriser's markup: a class opened and closed around each byte,
    // or a byte written as an entity or as a "[" and a separator.
    std::size_t roomFor(std::size_t length) const { return perByte_ * length + OutputSlack; }

    // The whole line step (escaping, comment split, Colorise) and, when chosen, the
    // optimiser. `out` must have room for maxOutput(line.size()) bytes; returns the end of
    // what was written. Bytes past that end may have been overwritten.
    char* writeLine(char* out, std::string_view line);

private:
    const char* stage(std::string_view line, std::size_t& length, std::size_t& apostrophe, bool& entities);
    template <bool Entities, int Writing>
    char* colour(char* out, const char* f, std::size_t m, std::size_t apostrophe);

    ColourSwitches switches_;
    bool optimize_;
    std::unique_ptr<ClassMarkup> markup_;
    std::size_t perByte_ = 19;
    const std::uint8_t* classes_;
    const std::uint8_t* boundaries_;
    // The staged line, with guard bytes before and after it so that the scan may look
    // around its edges without tests.
    std::unique_ptr<char[]> heap_;
    std::size_t heapCapacity_ = 0;
    std::array<char, 512> local_;
    // One bit per staged byte: set on the "&" of each "&lt" or "&gt" that stands for a
    // source "<" or ">".
    std::vector<std::uint64_t> markers_;
};

} // namespace quillon
