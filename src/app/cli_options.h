#pragma once
// The command line of quillon-cli as the commands take it: one parser for every command,
// GNU style (long options with "=" or a separate value, short ones that may be grouped,
// "--" ending the options), and the usage text that --help shows.

#include "engine/colorise.h"
#include "engine/output_formats.h"
#include "scheme/themes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// A mistake on the command line: reported in one line, the process ends with status 2.
struct UsageError {
    std::string message;
};

enum class LineEnd { CrLf, Lf };

// The pattern of the window's batch pane: the Visual Basic sources.
inline constexpr std::string_view DefaultBatchPattern = "*.frm;*.cls;*.bas;*.ctl;*.pag";

struct Options {
    // "help" and "version" when those were asked for, whatever else the line holds.
    std::string command;
    bool optimize = true;
    ColourSwitches on{true, true, true, true, true};
    // The scheme to start from: a style sheet or a built-in theme, whichever was given
    // last; neither is the default scheme.
    std::optional<std::string> schemeFile;
    const Theme* theme = nullptr;
    // The scheme of the pages' dark variant; none writes no variant.
    const Theme* darkTheme = nullptr;
    std::optional<std::string> fontName;
    std::optional<std::string> fontSize;
    std::optional<std::string> linkCss;
    OutputFormat format = OutputFormat::Html;
    std::optional<std::string> header;
    std::optional<std::string> footer;
    std::string encoding;              // empty: detected
    std::optional<std::string> output; // "-": standard output
    LineEnd lineEnd = LineEnd::CrLf;
    unsigned jobs = 0; // 0: one per core
    bool recursive = false;
    std::string pattern{DefaultBatchPattern};
    std::optional<std::string> outputDir;
    bool logShown = true;
    bool progressShown = true; // and only ever on a terminal
    std::vector<std::string> operands;
};

Options parseCommandLine(int argc, char** argv);

extern const std::string_view UsageText;

} // namespace quillon::cli
