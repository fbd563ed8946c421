#pragma once
// The page writer: one Visual Basic source file becomes one HTML page. It copies the
// header, writes the BODY line and the style block (or a link to an external style
// sheet), skips the descriptive block and the attribute lines the development
// environment stores at the top of form, class and module files, colours every other
// line, closes the page and copies the footer.
//
// The page is streamed line by line into a temporary file beside the target and only a
// complete page replaces the target: a failed conversion leaves an existing page as it
// was and nothing half-written behind.

#include "base/ui_hooks.h"
#include "base/vb_error.h"
#include "engine/output_formats.h"
#include "io/atomic_file.h"
#include "io/text_decoding.h"
#include "scheme/colour_scheme.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// What a published site adds to one of its pages. A page without extras is byte for byte
// the page of the "page" command.
struct PageExtras {
    // Markup written after the style rules (or link) and before the code, and after it.
    std::string beforeCode;
    std::string afterCode;
    // Empty anchors (id) put before the first shown line at or after each line number
    // (1-based over every line of the source), in line order. With extras every shown
    // line is also an element of its own, id="L<number>", its number in data-n for the
    // style sheet's gutter: the number is no text of the code.
    std::vector<std::pair<long, std::string>> anchors;
    // Where to put a copy of the source as it is, made from the bytes the page is read
    // from (a new file, put in place at once); none when empty. A source that is not read
    // whole is not copied: WrittenPage::originalCopied tells.
    std::string copyTo;
};
// Extras by the page's target path, for a batch whose pages share one PageJob.
using PageExtrasByTarget = std::map<std::string, PageExtras>;

// Everything a page conversion reads, gathered by the window or the command line.
struct PageJob {
    std::string source;
    std::string target;
    std::string header;
    std::string footer;
    // The style sheet to link to, as it is written into the LINK line (its address
    // relative to the page, files::linkFromPage()); none embeds the style rules instead.
    std::optional<std::string> linkedStyleSheet;
    // Further files the run reads that the page may not replace (the linked style sheet,
    // the one the scheme was loaded from).
    std::vector<std::string> otherInputs;
    bool optimize = true;
    // Html is the page itself. HtmlInline keeps header, BODY line and footer but carries the
    // colours in style attributes; every other format is a document of the shown lines
    // alone, without header and footer. Site extras belong to Html pages only.
    OutputFormat format = OutputFormat::Html;
    ColourScheme scheme = defaultColourScheme();
    // A second scheme the embedded style rules carry for readers whose system is set to
    // dark. A page that links a style sheet takes all its rules from that sheet.
    std::optional<ColourScheme> darkScheme;
    // The code page to read the source in (any name iconv knows); empty detects it.
    std::string sourceEncoding;
    // The encoding decided beforehand for the source (a batch decides a file whose own
    // evidence is weak by its folder, files::FolderEncodings); it wins over sourceEncoding.
    std::optional<files::EncodingDecision> sourceDecision;
    // Told how the source was decided, before any of its lines goes into the page; what it
    // raises stops the page, which then leaves nothing behind. A batch learns each folder's
    // code page from it.
    std::function<void(const files::EncodingVerdict&)> onSourceDecided;
    // The header's and the footer's text when the caller has read them already (a batch
    // reads them once for all its pages); when absent they are read from their files.
    std::shared_ptr<const std::string> headerText;
    std::shared_ptr<const std::string> footerText;
    // Site pages only: the extras of the pages that have some.
    std::shared_ptr<const PageExtrasByTarget> extras;
};

// The text of a header or footer file as a page copies it.
std::string readCopiedText(const std::string& path);

// Converts the page and returns the line count, the turns of the body loop (one less than
// the lines from the first converted line to the end). Raises VbError on any failure, the
// target then untouched. Progress goes to the context's bar: "Working : N%" every tenth line, then
// "Finish :N lines".
long convertPage(const PageJob& job, const ConversionContext& context);

// A page written whole into a temporary file beside its target, not yet in its place.
struct WrittenPage {
    files::AtomicTextWriter page;
    long LineCount = 0;
    // The size of the copy of the source made for PageExtras::copyTo, when it was made.
    std::optional<std::uint64_t> originalCopied;
};

// convertPage() but for its last step: the target stays as it was until the caller
// commits `page`. For callers that put many pages in place together. The bar is left as
// the body loop left it.
WrittenPage writePage(const PageJob& job, const ConversionContext& context);

struct PageOutcome {
    bool converted = false;
    long LineCount = 0;
    // Why the page was not converted, when it was not.
    std::optional<VbError> error;
};

// convertPage() under the standard trap: an error goes to the context's reporter under "Cparti" and the
// outcome says the page was not converted, and why.
PageOutcome Cparti(const PageJob& job, const ConversionContext& context);

// False when the line begins with the nine characters "Attribute" (case-sensitive, first
// column): such lines are dropped from the page.
bool PasAttribute(std::string_view line);

// The checks of the "Start" button that refuse a job, in the order they are made.
enum class Refusal {
    SourceMissing,
    TargetNotHtm, // the target's name does not hold ".htm"
    LinkedSheetMissing,
    HeaderMissing,
    FooterMissing,
};

// Which check refuses the job; nullopt when the job may go. `linkedStyleSheetPath` is the
// full path of the chosen sheet when one is to be linked.
std::optional<Refusal> refusalOf(const PageJob& job, const std::optional<std::string>& linkedStyleSheetPath);
// The same checks in two parts: those of the job's own source and target, and those of
// the files every page of a batch shares (linked sheet, header, footer), which a batch
// makes once. refusalOf() is the first part, then the second.
std::optional<Refusal> refusalOfOwnFiles(const PageJob& job);
std::optional<Refusal> refusalOfSharedFiles(const PageJob& job,
                                            const std::optional<std::string>& linkedStyleSheetPath);

} // namespace quillon
