#pragma once
// The formats code can be handed out in besides the page's own HTML: where it is pasted
// (e-mail and editors that drop style sheets, forums, Markdown sites, word processors)
// each takes its own markup. Every format is a translation of the coloured lines the
// line colouriser writes, so the colours and their boundaries are those of the page; the
// scheme gives the colours, the bold and the font.

#include "engine/colorise.h"
#include "scheme/colour_scheme.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

namespace files {
class TextReader;
}

enum class OutputFormat {
    Html,         // the coloured lines as they are, classes named for a style sheet
    HtmlInline,   // the same with the colours in style attributes, inside a styled PRE
    BbCode,       // [code], [color=#RRGGBB], [b]
    Markdown,     // a fenced block of the plain source
    MarkdownHtml, // the inline-styled block, set apart as raw HTML in Markdown
    Rtf,          // a whole RTF document with its colour and font tables
};

inline constexpr std::array<std::string_view, 6> OutputFormatNames{"html",     "html-inline",   "bbcode",
                                                                   "markdown", "markdown-html", "rtf"};

std::optional<OutputFormat> outputFormatNamed(std::string_view name);
std::string_view nameOf(OutputFormat format);
// What a file of the format is usually called: ".html", ".txt", ".md", ".rtf".
std::string_view fileExtensionOf(OutputFormat format);

// The PRE opening tag that carries the background, the text colour and the font, so that
// the block keeps its look where no style sheet follows it.
std::string inlineStyledPreTag(const ColourScheme& scheme);

// Turns coloured lines into a document of one format. The coloured text may arrive in
// pieces cut anywhere (a long line is coloured as it is read); a tag open at the end of a
// piece stays open into the next. Markdown chooses its fence from the whole text, so it
// keeps the text until end(); every other format writes as it goes.
class FormattedOutput {
public:
    FormattedOutput(OutputFormat format, const ColourScheme& scheme, std::string_view lineBreak);

    // What a line colouriser writes in place of its anchors to colour lines straight into
    // this format, for the formats that are a markup around the same text (inline styles,
    // forum tags) when every class's colour can be written. A line coloured so needs
    // only endLine() after it; feed() takes the coloured lines of any format.
    std::optional<ClassMarkup> classMarkup() const;

    // What comes before the first line.
    void begin(std::string& out);
    // Markdown: the longest run of backticks the text will hold, known before it is written
    // (from a first reading of the source). Its fence is then written first and the text as
    // it comes, instead of all of it being held until end() knows the fence. Before begin().
    void fenceFor(std::size_t longestBacktickRun);
    // More of the current line, as the colouriser wrote it.
    void feed(std::string_view coloured, std::string& out);
    // The current line has ended.
    void endLine(std::string& out);

    // The same two straight into a caller's buffer, which must have room for
    // maxOutput(coloured.size()) bytes from `out` on: feed() and endLine() together never
    // write more. Each returns where its text ends. feed() reads the text's end as one
    // block of ReadBehind bytes, so that many bytes behind `coloured` must be there to
    // read; what they hold does not matter.
    static constexpr std::size_t ReadBehind = 16;
    std::size_t maxOutput(std::size_t colouredSize) const;
    char* feed(std::string_view coloured, char* out);
    char* endLine(char* out);
    // What comes after the last line.
    void end(std::string& out);

private:
    // A tag of the format as it is written, with room behind it so that it is copied in one
    // block of fixed size.
    struct Markup {
        static constexpr std::size_t Room = 48;
        std::array<char, Room> bytes{};
        std::size_t size = 0;
        // Its colour fits in 24 bits; otherwise writing it raises, as the colour's digits do.
        bool valid = true;
    };

    char* translateJoined(std::string_view coloured, char* out);
    char* translate(std::string_view coloured, char* out, bool readableBehind);
    template <OutputFormat Format> char* translate(std::string_view coloured, char* out, bool readableBehind);
    // The general paths write to a string; this copies what they wrote into the buffer.
    char* putRare(char* out);
    const Markup& opening(char name);
    // The markup that closes the innermost class, or null when none is open.
    const Markup* closing();
    void closeClass(std::string& out);
    void text(std::string_view decoded, std::string& out);
    void bbCodeText(std::string_view decoded, std::string& out);
    void rtfText(std::string_view decoded, std::string& out);

    OutputFormat format_;
    ColourScheme scheme_;
    std::string lineBreak_;
    // Per scheme entry: what opens a class of its colour, and what closes it (RTF closes by
    // switching to the colour outside, which is the opening of that one or rtfPlain_).
    std::array<Markup, SchemeEntryCount> opens_;
    std::array<Markup, SchemeEntryCount> closes_;
    Markup rtfPlain_;
    // What the general paths wrote, on its way into a caller's buffer.
    std::string rare_;
    // The scheme entries of the classes open at this point of the line, innermost last.
    std::vector<std::uint8_t> openEntries_;
    // An entity or tag cut at the end of a piece, waiting for the rest.
    std::string carry_;
    // Markdown: the text is held for its fence, not written as it comes.
    bool holdsText() const noexcept { return format_ == OutputFormat::Markdown && fence_.empty(); }

    // Markdown: the fence when known beforehand, else the text so far and the longest run
    // of backticks in it.
    std::string fence_;
    std::string held_;
    std::size_t backtickRun_ = 0;
    std::size_t longestBacktickRun_ = 0;
    // RTF: a UTF-8 sequence cut at the end of a piece.
    std::string partialCharacter_;
    // BBCode: the last text character written was a "[".
    bool afterBracket_ = false;
};

// Colours `text` (lines ended by CR LF, LF or a lone CR; a last line without a break is
// taken whole) and writes it as a whole document of `format`, each line ended by
// `lineBreak`: what the window puts on the clipboard or in its output box.
std::string formatText(std::string_view text, OutputFormat format, const ColourScheme& scheme, bool optimize,
                       std::string_view lineBreak);

// The longest run of backticks within one line of what `reader` has left, read to its end:
// what a Markdown fence must be longer than (FormattedOutput::fenceFor()).
std::size_t longestBacktickRun(files::TextReader& reader);

} // namespace quillon
