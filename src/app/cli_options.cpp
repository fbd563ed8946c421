#include "cli_options.h"

#include "base/ascii_text.h"
#include "io/text_decoding.h"

#include <algorithm>
#include <array>

namespace quillon::cli {

const std::string_view UsageText = R"(usage: quillon-cli COMMAND [OPTIONS] [FILE]...

Commands:
  colorize [FILE]            colour FILE (or standard input, also "-") line by line, as
                             the Direct pane does, to standard output or -o FILE
  page SOURCE [TARGET]       convert SOURCE into a page: TARGET, -o FILE, or SOURCE.html
                             beside it ("-o -": standard output)
  batch FILE|FOLDER...       convert each FILE into FILE.html beside it (or in
                             --output-dir), printing the log of the Batch pane on
                             standard output and each failure on standard error; two
                             sources that would give one page refuse the whole batch
  site INPUT... -o OUTDIR    publish Visual Basic projects (.vbp, .vbg, or a FOLDER of
                             them or of sources) as a site in OUTDIR: a page per member
                             with an outline and numbered lines, the original files
                             to download, an index per project; a run again rewrites
                             only what changed
  css [OUTPUT]               write the colour scheme as a style sheet to OUTPUT, -o FILE
                             or standard output

Options:
  -o, --output FILE          colorize, page, css: write to FILE; "-" is standard output;
                             site: the folder of the site
  -e, --encoding NAME        read sources in the code page NAME (any name iconv knows,
                             such as CP1251, CP950 or UTF-16LE); "auto", the default,
                             detects it
  -s, --scheme FILE          load the colour scheme from a style sheet
      --theme NAME           start from a built-in colour scheme: default, vb6 (the
                             VB6 editor's colours), paper (light, for printing and
                             pasting) or dark; of --theme and --scheme the later wins
      --theme-dark NAME      page, batch, site: the style rules (embedded, or the
                             site's style.css) carry the theme NAME too, for readers
                             whose system is set to dark (not with --link-css or
                             another format than html)
      --format NAME          colorize, page: html (the default), html-inline (colours
                             in style attributes, for e-mail and editors), bbcode,
                             markdown, markdown-html or rtf; a page in another format
                             than html or html-inline has no header and footer, and
                             its default name ends in .txt, .md or .rtf
      --off LIST             turn categories off; LIST is a comma-separated subset of
                             comment,string,keyword,other,number
      --no-optimize          do not merge neighbouring tags of one class
      --font NAME            font of the source block
      --font-size TEXT       font size in points, written as given
      --link-css PATH        link pages to the style sheet PATH instead of embedding
                             the style rules
      --header FILE          header copied into pages (default: header.txt in the
                             program's folder)
      --footer FILE          footer copied into pages (default: footer.txt there)
      --eol crlf|lf          line ends of pages, coloured lines and style sheets
                             (default: crlf, as the window writes them)
  -j, --jobs N               batch, site: convert N files at once (default: one per core)
  -r, --recursive            batch: convert every file below each FOLDER whose name
                             matches the pattern
      --pattern LIST         batch: that pattern, shell patterns separated by ";",
                             case ignored (default: *.frm;*.cls;*.bas;*.ctl;*.pag)
      --output-dir DIR       batch: write the pages into DIR, in the folders their
                             sources have below the FOLDER given, made as needed
  -q, --quiet                batch, site: print no log
      --progress             page, batch, site: show a progress line on standard error when
                             it is a terminal (the default there)
      --no-progress          page, batch, site: show none
  -h, --help                 show this text
  -V, --version              show the version

Options may come before or after the operands; "--" ends them. Long options take
"--name=value" too; short ones may be grouped ("-rq", "-j4").

Exit status: 0 done, 1 a file could not be read, written or converted (each one named on
standard error), 2 bad usage.
)";

namespace {

enum Command : unsigned { Colorize = 1, Page = 2, Batch = 4, Css = 8, Site = 16 };
constexpr unsigned Converting = Page | Batch | Site;
constexpr unsigned Every = Colorize | Page | Batch | Css | Site;

constexpr std::array<std::pair<std::string_view, Command>, 5> Commands{
    {{"colorize", Colorize}, {"page", Page}, {"batch", Batch}, {"css", Css}, {"site", Site}}};

using Apply = void (*)(Options&, const std::string&);

struct OptionDefinition {
    std::string_view longName;
    char shortName;
    bool takesValue;
    unsigned commands;
    Apply apply;
};

void parseOffList(std::string_view list, ColourSwitches& switches) {
    constexpr std::pair<std::string_view, bool ColourSwitches::*> categories[] = {
        {"comment", &ColourSwitches::comment},
        {"string", &ColourSwitches::string},
        {"keyword", &ColourSwitches::keyword},
        {"other", &ColourSwitches::other},
        {"number", &ColourSwitches::number}};
    std::size_t start = 0;
    for (;;) {
        const auto comma = list.find(',', start);
        const std::string_view item =
            list.substr(start, comma == std::string_view::npos ? list.npos : comma - start);
        const auto* found = std::find_if(std::begin(categories), std::end(categories),
                                         [&](const auto& category) { return category.first == item; });
        if (found == std::end(categories)) {
            throw UsageError{"unknown category '" + std::string(item) + "' in --off"};
        }
        switches.*(found->second) = false;
        if (comma == std::string_view::npos) {
            return;
        }
        start = comma + 1;
    }
}

unsigned parseJobs(std::string_view text) {
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 1000) {
            throw UsageError{"--jobs needs a whole number from 1 to 1000"};
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 1000) {
        throw UsageError{"--jobs needs a whole number from 1 to 1000"};
    }
    return value;
}

// The name as the file layer takes it: empty for detection.
std::string encodingOption(const std::string& name) {
    if (equalsIgnoringAsciiCase(name, "auto")) {
        return {};
    }
    if (!files::encodingNamed(name)) {
        throw UsageError{"--encoding: unknown encoding '" + name + "'"};
    }
    return name;
}

OutputFormat formatOption(const std::string& name) {
    if (const auto format = outputFormatNamed(name)) {
        return *format;
    }
    std::string known;
    for (std::string_view each : OutputFormatNames) {
        known += known.empty() ? "" : ", ";
        known += each;
    }
    throw UsageError{"--format: unknown format '" + name + "' (" + known + ")"};
}

const Theme& themeOption(const std::string& option, const std::string& name) {
    if (const Theme* theme = themeNamed(name)) {
        return *theme;
    }
    throw UsageError{option + ": unknown theme '" + name + "' (" + themeNameList() + ")"};
}

LineEnd lineEndOption(const std::string& name) {
    if (name == "crlf") {
        return LineEnd::CrLf;
    }
    if (name == "lf") {
        return LineEnd::Lf;
    }
    throw UsageError{"--eol: unknown line end '" + name + "' (crlf or lf)"};
}

const OptionDefinition OptionDefinitions[] = {
    {"help", 'h', false, Every, [](Options& o, const std::string&) { o.command = "help"; }},
    {"version", 'V', false, Every, [](Options& o, const std::string&) { o.command = "version"; }},
    {"output", 'o', true, Colorize | Page | Css | Site,
     [](Options& o, const std::string& v) { o.output = v; }},
    {"encoding", 'e', true, Colorize | Converting,
     [](Options& o, const std::string& v) { o.encoding = encodingOption(v); }},
    {"scheme", 's', true, Colorize | Converting | Css,
     [](Options& o, const std::string& v) {
         o.schemeFile = v;
         o.theme = nullptr;
     }},
    {"theme", 0, true, Colorize | Converting | Css,
     [](Options& o, const std::string& v) {
         o.theme = &themeOption("--theme", v);
         o.schemeFile.reset();
     }},
    {"theme-dark", 0, true, Converting,
     [](Options& o, const std::string& v) { o.darkTheme = &themeOption("--theme-dark", v); }},
    {"format", 0, true, Colorize | Page,
     [](Options& o, const std::string& v) { o.format = formatOption(v); }},
    {"off", 0, true, Every, [](Options& o, const std::string& v) { parseOffList(v, o.on); }},
    {"no-optimize", 0, false, Colorize | Converting,
     [](Options& o, const std::string&) { o.optimize = false; }},
    {"font", 0, true, Colorize | Converting | Css, [](Options& o, const std::string& v) { o.fontName = v; }},
    {"font-size", 0, true, Colorize | Converting | Css,
     [](Options& o, const std::string& v) { o.fontSize = v; }},
    {"link-css", 0, true, Converting, [](Options& o, const std::string& v) { o.linkCss = v; }},
    {"header", 0, true, Converting, [](Options& o, const std::string& v) { o.header = v; }},
    {"footer", 0, true, Converting, [](Options& o, const std::string& v) { o.footer = v; }},
    {"eol", 0, true, Every & ~Site, [](Options& o, const std::string& v) { o.lineEnd = lineEndOption(v); }},
    {"jobs", 'j', true, Batch | Site, [](Options& o, const std::string& v) { o.jobs = parseJobs(v); }},
    {"recursive", 'r', false, Batch, [](Options& o, const std::string&) { o.recursive = true; }},
    {"pattern", 0, true, Batch, [](Options& o, const std::string& v) { o.pattern = v; }},
    {"output-dir", 0, true, Batch, [](Options& o, const std::string& v) { o.outputDir = v; }},
    {"quiet", 'q', false, Batch | Site, [](Options& o, const std::string&) { o.logShown = false; }},
    {"progress", 0, false, Converting, [](Options& o, const std::string&) { o.progressShown = true; }},
    {"no-progress", 0, false, Converting, [](Options& o, const std::string&) { o.progressShown = false; }},
};

struct Given {
    const OptionDefinition* definition;
    std::string written; // as the user wrote it: "-o" or "--output"
    std::string value;
};

const OptionDefinition& definitionNamed(std::string_view longName, char shortName, std::string_view written) {
    for (const OptionDefinition& definition : OptionDefinitions) {
        if (longName.empty() ? definition.shortName == shortName : definition.longName == longName) {
            return definition;
        }
    }
    throw UsageError{"unknown option '" + std::string(written) + "'"};
}

} // namespace

Options parseCommandLine(int argc, char** argv) {
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    std::vector<Given> given;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto nextValue = [&](const std::string& written) {
            if (i + 1 >= args.size()) {
                throw UsageError{"option " + written + " needs a value"};
            }
            return args[++i];
        };
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg.starts_with("--")) {
            const auto equals = arg.find('=');
            const std::string written = arg.substr(0, equals);
            const OptionDefinition& definition =
                definitionNamed(std::string_view(written).substr(2), 0, written);
            if (!definition.takesValue && equals != std::string::npos) {
                throw UsageError{"option " + written + " takes no value"};
            }
            given.push_back({&definition, written,
                             !definition.takesValue        ? std::string()
                             : equals != std::string::npos ? arg.substr(equals + 1)
                                                           : nextValue(written)});
        } else {
            // Short options may be grouped ("-rq"); one that takes a value ends the group
            // and takes the rest of it, or the next argument ("-j4", "-j 4").
            for (std::size_t k = 1; k < arg.size(); ++k) {
                const std::string written = std::string("-") + arg[k];
                const OptionDefinition& definition = definitionNamed({}, arg[k], written);
                if (!definition.takesValue) {
                    given.push_back({&definition, written, {}});
                    continue;
                }
                given.push_back(
                    {&definition, written, k + 1 < arg.size() ? arg.substr(k + 1) : nextValue(written)});
                break;
            }
        }
        if (!given.empty() &&
            (given.back().definition->longName == "help" || given.back().definition->longName == "version")) {
            Options options;
            given.back().definition->apply(options, {});
            return options;
        }
    }
    if (operands.empty()) {
        throw UsageError{"missing command"};
    }
    Options options;
    options.command = operands.front();
    const auto* command = std::find_if(Commands.begin(), Commands.end(),
                                       [&](const auto& entry) { return entry.first == options.command; });
    if (command == Commands.end()) {
        throw UsageError{"unknown command '" + options.command + "'"};
    }
    for (const Given& option : given) {
        if ((option.definition->commands & command->second) == 0) {
            throw UsageError{"option " + option.written + " does not apply to " + options.command};
        }
        option.definition->apply(options, option.value);
    }
    options.operands.assign(operands.begin() + 1, operands.end());
    return options;
}

} // namespace quillon::cli
