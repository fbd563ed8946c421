#include "cli_commands.h"

#include "engine/direct_conversion.h"
#include "engine/page_writer.h"
#include "engine/vb_error.h"
#include "lang/translate.h"
#include "platform/files/text_reader.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
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

std::string englishMessage(std::string_view key) {
    for (const auto& entry : lang::englishMessages()) {
        if (entry.key == key) {
            return entry.value;
        }
    }
    return std::string(key);
}

void reportError(const VbError& error, std::string_view procedure) {
    errorReporter().report(error.number(), procedure, error.description());
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
    job.scheme = scheme;
    if (options.linkCss) {
        job.linkedStyleSheet = std::filesystem::path(*options.linkCss).filename().string();
    }
    return job;
}

// Standard output through one large buffer; a failed write is reported, never ignored.
class Output {
public:
    Output() { buffer_.reserve(Capacity); }
    void write(std::string_view text) {
        if (buffer_.size() + text.size() > Capacity) {
            flush();
        }
        buffer_ += text;
    }
    void line(std::string_view text) {
        write(text);
        write("\n");
    }
    void flush() {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) {
            raise(vberr::DiskFull, "standard output");
        }
        buffer_.clear();
    }
    void close() {
        flush();
        if (std::fflush(stdout) != 0) {
            raise(vberr::DiskFull, "standard output");
        }
    }

private:
    static constexpr std::size_t Capacity = 1 << 20;
    std::string buffer_;
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
    const DirectConversionOptions conversion{options.off, options.optimize};
    try {
        files::TextReader reader(path);
        Output out;
        std::string line;
        std::string coloured;
        while (reader.readLine(line)) {
            coloured.clear();
            appendConvertedLine(coloured, line, conversion);
            coloured += "\r\n";
            out.write(coloured);
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
        std::fprintf(stderr, "%s\n", englishMessage(*refusal).c_str());
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

struct BatchResult {
    bool done = false;
    std::string logLine;
    bool failed = false;
};

BatchResult convertOne(const PageJob& base, const std::string& file,
                       const std::optional<std::string>& linkCss) {
    const std::string name = std::filesystem::path(file).filename().string();
    PageJob job = base;
    job.source = file;
    job.target = file + ".html";
    BatchResult result;
    result.done = true;
    if (const auto refusal = refusalOf(job, linkCss)) {
        result.failed = true;
        result.logLine = name + ".html Failed: " + englishMessage(*refusal);
        return result;
    }
    try {
        SilentProgress bar;
        const long lines = convertPage(job, bar);
        result.logLine = name + ".html Create " + std::to_string(lines) + " lines";
    } catch (const VbError& error) {
        result.failed = true;
        result.logLine = name + ".html Failed: " + trapLine(error.number(), "Cparti", error.description());
    }
    return result;
}

int batch(const Options& options) {
    if (options.operands.empty()) {
        throw UsageError{"batch needs at least one FILE"};
    }
    const PageJob base = jobOf(options, schemeOf(options));
    const std::vector<std::string>& files = options.operands;
    Output out;
    out.line(englishMessage("msg11"));
    for (const std::string& file : files) {
        out.line(std::filesystem::path(file).filename().string());
    }
    out.line(std::string(66, '-'));
    out.flush();

    // Files are converted in parallel; the log still follows the order of the files.
    std::vector<BatchResult> results(files.size());
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    const unsigned workers = static_cast<unsigned>(
        std::min<std::size_t>(options.jobs != 0 ? options.jobs : hardware, files.size()));
    auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            BatchResult result = convertOne(base, files[i], options.linkCss);
            {
                const std::lock_guard lock(mutex);
                results[i] = std::move(result);
            }
            finished.notify_one();
        }
    };
    std::vector<std::jthread> pool;
    for (unsigned w = 1; w < workers; ++w) {
        pool.emplace_back(work);
    }
    std::optional<VbError> outputError;
    std::jthread printer([&] {
        try {
            for (std::size_t i = 0; i < files.size(); ++i) {
                std::unique_lock lock(mutex);
                finished.wait(lock, [&] { return results[i].done; });
                const std::string line = results[i].logLine;
                lock.unlock();
                out.line(line);
                out.flush();
            }
        } catch (const VbError& error) {
            outputError = error;
        }
    });
    work();
    pool.clear();
    printer.join();
    if (outputError) {
        throw *outputError;
    }
    out.line("Work Completed");
    out.close();
    const bool anyFailed =
        std::any_of(results.begin(), results.end(), [](const BatchResult& r) { return r.failed; });
    return anyFailed ? 1 : 0;
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
