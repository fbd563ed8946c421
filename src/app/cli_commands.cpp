#include "cli_commands.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "engine/batch.h"
#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/page_writer.h"
#include "io/file_system.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"
#include "lang/translate.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace quillon::cli {

namespace {

constexpr std::string_view Usage = R"(usage: quillon-cli COMMAND [OPTIONS] ...

Commands:
  colorize [OPTIONS] [FILE]        colour FILE (or standard input) line by line, as the
                                   Direct pane does; the coloured lines go to standard output
  page [OPTIONS] SOURCE [TARGET]   convert SOURCE into the page TARGET (SOURCE.html by
                                   default), as "Start" on the Files pane does
  batch [OPTIONS] FILE...          convert each FILE into FILE.html beside it, printing the
                                   log of the Batch pane
  css [OPTIONS] OUTPUT             write the colour scheme as a style sheet

Options:
  --no-optimize                    do not merge neighbouring tags of one class
  --off LIST                       turn categories off; LIST is a comma-separated subset of
                                   comment,string,keyword,other,number
  --scheme FILE                    load the colour scheme from a style sheet
  --font NAME                      font of the source block
  --font-size TEXT                 font size in points, written as given
  --link-css PATH                  link pages to the style sheet PATH instead of embedding
                                   the style rules
  --header FILE, --footer FILE     header and footer copied into pages (default: header.txt
                                   and footer.txt in the program's folder)
  --encoding NAME                  read sources in the code page NAME (any name iconv
                                   knows, such as CP1251, CP950 or UTF-16LE) instead of
                                   detecting it; "auto", the default, detects
  --jobs N                         batch: convert N files at once (default: one per core)
  --help                           show this text
)";

struct UsageError {
    std::string message;
};

// An error already reported; the command ends with status 1.
struct Failed {};

struct Options {
    std::string command;
    bool optimize = true;
    ColourSwitches off{true, true, true, true, true}; // false marks a category turned off
    std::optional<std::string> schemeFile;
    std::optional<std::string> fontName;
    std::optional<std::string> fontSize;
    std::optional<std::string> linkCss;
    std::optional<std::string> header;
    std::optional<std::string> footer;
    std::string encoding; // empty: detected
    unsigned jobs = 0;
    std::vector<std::string> operands;
};

void parseOffList(std::string_view list, ColourSwitches& switches) {
    std::size_t start = 0;
    for (;;) {
        const auto comma = list.find(',', start);
        const std::string_view item =
            list.substr(start, comma == std::string_view::npos ? list.npos : comma - start);
        if (item == "comment") {
            switches.comment = false;
        } else if (item == "string") {
            switches.string = false;
        } else if (item == "keyword") {
            switches.keyword = false;
        } else if (item == "other") {
            switches.other = false;
        } else if (item == "number") {
            switches.number = false;
        } else {
            throw UsageError{"unknown category '" + std::string(item) + "' in --off"};
        }
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

Options parse(int argc, char** argv) {
    Options options;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        throw UsageError{"missing command"};
    }
    options.command = std::string(args[0]);
    if (options.command == "--help" || options.command == "-h") {
        options.command = "help";
        return options;
    }
    const bool converts = options.command != "colorize";
    bool operandsOnly = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                throw UsageError{"option " + std::string(arg) + " needs a value"};
            }
            return std::string(args[++i]);
        };
        auto pageOption = [&] {
            if (!converts) {
                throw UsageError{"option " + std::string(arg) + " does not apply to " + options.command};
            }
        };
        if (operandsOnly || arg == "-" || !arg.starts_with("-")) {
            options.operands.emplace_back(arg);
        } else if (arg == "--") {
            operandsOnly = true;
        } else if (arg == "--help" || arg == "-h") {
            options.command = "help";
            return options;
        } else if (arg == "--no-optimize") {
            options.optimize = false;
        } else if (arg == "--off") {
            parseOffList(value(), options.off);
        } else if (arg == "--scheme") {
            pageOption();
            options.schemeFile = value();
        } else if (arg == "--font") {
            pageOption();
            options.fontName = value();
        } else if (arg == "--font-size") {
            pageOption();
            options.fontSize = value();
        } else if (arg == "--link-css") {
            pageOption();
            options.linkCss = value();
        } else if (arg == "--header") {
            pageOption();
            options.header = value();
        } else if (arg == "--footer") {
            pageOption();
            options.footer = value();
        } else if (arg == "--encoding") {
            if (options.command == "css") {
                throw UsageError{"option --encoding does not apply to css"};
            }
            options.encoding = encodingOption(value());
        } else if (arg == "--jobs") {
            if (options.command != "batch") {
                throw UsageError{"option --jobs applies to batch only"};
            }
            options.jobs = parseJobs(value());
        } else {
            throw UsageError{"unknown option " + std::string(arg)};
        }
    }
    return options;
}

std::string programFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

using lang::englishMessage;

// The command line's own reporter: errors go to standard error, whatever a window installs.
void reportError(const VbError& error, std::string_view procedure) {
    StderrErrorReporter().report(error.number(), procedure, error.description());
}

// The scheme as the options leave it: loaded from --scheme, then categories turned off
// the way unticking their boxes does, then the font.
ColourScheme schemeOf(const Options& options) {
    ColourScheme scheme = defaultColourScheme();
    if (options.schemeFile) {
        try {
            const StyleSheetLoad load = LoadCoulorFromFile(*options.schemeFile, scheme);
            if (!load.loaded()) {
                std::fprintf(stderr, "%s\n", load.message.c_str());
                throw Failed{};
            }
        } catch (const VbError& error) {
            reportError(error, "LoadCoulorFromFile");
            throw Failed{};
        }
    }
    const bool on[SchemeEntryCount] = {true,
                                       true,
                                       options.off.comment,
                                       options.off.string,
                                       options.off.keyword,
                                       options.off.other,
                                       options.off.number};
    for (std::size_t i = Comment; i < SchemeEntryCount; ++i) {
        if (!on[i]) {
            auto& entry = scheme.ConfigCouleur[i];
            entry.Enabled = false;
            entry.Color = scheme.ConfigCouleur[Normal].Color;
            entry.Bold = false;
        }
    }
    if (options.fontName) {
        if (!isSafeFontName(*options.fontName)) {
            throw UsageError{"--font: a font name cannot hold < > { } or control characters"};
        }
        scheme.fontName = *options.fontName;
    }
    if (options.fontSize) {
        if (!isFontSizeText(*options.fontSize)) {
            throw UsageError{"--font-size: the size must be a positive number"};
        }
        scheme.fontSize = *options.fontSize;
    }
    return scheme;
}

PageJob jobOf(const Options& options, const ColourScheme& scheme) {
    const std::string folder = programFolder();
    PageJob job;
    job.header = options.header.value_or(folder + "/header.txt");
    job.footer = options.footer.value_or(folder + "/footer.txt");
    job.optimize = options.optimize;
    job.sourceEncoding = options.encoding;
    job.scheme = scheme;
    if (options.linkCss) {
        job.linkedStyleSheet = std::filesystem::path(*options.linkCss).filename().string();
    }
    return job;
}

// Standard output through one large buffer; a failed write is reported, never ignored.
class Output {
public:
    void write(std::string_view text) {
        char* at = reserve(text.size());
        if (!text.empty()) {
            std::memcpy(at, text.data(), text.size());
        }
        used_ += text.size();
    }
    void line(std::string_view text) {
        write(text);
        write("\n");
    }
    // Room for `size` bytes straight in the buffer, for text composed in place; commit()
    // then says where it ends.
    char* reserve(std::size_t size) {
        if (size > capacity_ - used_) {
            flush();
            if (size > capacity_) {
                buffer_.reset(new char[size]);
                capacity_ = size;
            }
        }
        return buffer_.get() + used_;
    }
    void commit(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }
    void flush() {
        if (used_ != 0 && std::fwrite(buffer_.get(), 1, used_, stdout) != used_) {
            raise(vberr::DiskFull, "standard output");
        }
        used_ = 0;
    }
    void close() {
        flush();
        if (std::fflush(stdout) != 0) {
            raise(vberr::DiskFull, "standard output");
        }
    }

private:
    static constexpr std::size_t Capacity = 1 << 20;
    std::unique_ptr<char[]> buffer_{new char[Capacity]};
    std::size_t capacity_ = Capacity;
    std::size_t used_ = 0;
};

// Shows the page writer's captions on a terminal, on one line that keeps being rewritten.
class TerminalProgress final : public SilentProgress {
public:
    void setCaption(const std::string& caption) override {
        SilentProgress::setCaption(caption);
        std::fprintf(stderr, "\r%-40s", caption.c_str());
        shown_ = true;
    }
    ~TerminalProgress() override {
        if (shown_) {
            std::fputs("\r\033[K", stderr);
        }
    }

private:
    bool shown_ = false;
};

int colorize(const Options& options) {
    if (options.operands.size() > 1) {
        throw UsageError{"colorize takes at most one FILE"};
    }
    const std::string path =
        options.operands.empty() || options.operands[0] == "-" ? "/dev/stdin" : options.operands[0];
    LineColouriser colouriser(options.off, options.optimize);
    try {
        files::TextReader reader(path, options.encoding, files::TextReader::Content::TextOnly);
        Output out;
        std::string line;
        while (reader.readLine(line)) {
            char* end = colouriser.writeLine(out.reserve(LineColouriser::maxOutput(line.size()) + 2), line);
            end[0] = '\r';
            end[1] = '\n';
            out.commit(end + 2);
        }
        out.close();
    } catch (const VbError& error) {
        reportError(error, "colorize");
        return 1;
    }
    return 0;
}

int page(const Options& options) {
    if (options.operands.empty() || options.operands.size() > 2) {
        throw UsageError{"page takes SOURCE and an optional TARGET"};
    }
    PageJob job = jobOf(options, schemeOf(options));
    job.source = options.operands[0];
    job.target = options.operands.size() == 2 ? options.operands[1] : job.source + ".html";
    if (const auto refusal = refusalOf(job, options.linkCss)) {
        std::fprintf(stderr, "%s\n", englishMessage(lang::messageKeyOf(*refusal)).c_str());
        return 1;
    }
    try {
        if (isatty(STDERR_FILENO)) {
            TerminalProgress bar;
            convertPage(job, bar);
        } else {
            SilentProgress bar;
            convertPage(job, bar);
        }
    } catch (const VbError& error) {
        reportError(error, "Cparti");
        return 1;
    }
    return 0;
}

// The batch log on standard output.
class LogOutput final : public BatchLogSink {
public:
    explicit LogOutput(Output& out) : out_(out) {}
    void addLine(const std::string& line) override { out_.line(line); }
    void flush() override { out_.flush(); }

private:
    Output& out_;
};

int batch(const Options& options) {
    if (options.operands.empty()) {
        throw UsageError{"batch needs at least one FILE"};
    }
    BatchSettings settings{jobOf(options, schemeOf(options)), options.linkCss, options.jobs};
    std::vector<BatchFile> files;
    for (const std::string& file : options.operands) {
        files.push_back({file, file + ".html"});
    }
#ifdef M_TRIM_THRESHOLD
    // Every page takes and gives back the same few buffers: without this the heap would be
    // shrunk and grown again, page faults and all, for every file.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    Output out;
    LogOutput sink(out);
    BatchLog log(sink, {englishMessage("msg11"),
                        [](Refusal refusal) { return englishMessage(lang::messageKeyOf(refusal)); }});
    const std::vector<BatchOutcome> outcomes = convertBatch(files, settings, log);
    out.close();
    return std::all_of(outcomes.begin(), outcomes.end(), [](const BatchOutcome& o) { return o.converted; })
               ? 0
               : 1;
}

int css(const Options& options) {
    if (options.operands.size() != 1) {
        throw UsageError{"css takes one OUTPUT"};
    }
    const ColourScheme scheme = schemeOf(options);
    try {
        SaveCoulorInFile(options.operands[0], scheme);
    } catch (const VbError& error) {
        reportError(error, "SaveCoulorInFile");
        return 1;
    }
    return 0;
}

} // namespace

int run(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        if (options.command == "help") {
            std::fwrite(Usage.data(), 1, Usage.size(), stdout);
            return 0;
        }
        if (options.command == "colorize") {
            return colorize(options);
        }
        if (options.command == "page") {
            return page(options);
        }
        if (options.command == "batch") {
            return batch(options);
        }
        if (options.command == "css") {
            return css(options);
        }
        throw UsageError{"unknown command '" + options.command + "'"};
    } catch (const UsageError& error) {
        std::fprintf(stderr, "quillon-cli: %s\n\n", error.message.c_str());
        std::fwrite(Usage.data(), 1, Usage.size(), stderr);
        return 2;
    } catch (const Failed&) {
        return 1;
    } catch (const VbError& error) {
        reportError(error, "quillon-cli");
        return 1;
    }
}

} // namespace quillon::cli
