#include "cli_commands.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/page_writer.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"
#include "lang/translate.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <new>
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

// The page links to the sheet by its address from the page's folder, and may not replace
// it. One the page would not find is worth a word, but the page is still written.
void linkStyleSheet(PageJob& job, const std::optional<std::string>& sheet) {
    if (sheet) {
        job.linkedStyleSheet = files::linkFromPage(*sheet, job.target).href;
        job.otherInputs.push_back(*sheet);
    }
}

void warnIfStyleSheetUnreachable(const PageJob& job, const std::optional<std::string>& sheet) {
    if (sheet && !files::linkFromPage(*sheet, job.target).found) {
        std::fprintf(
            stderr,
            "quillon-cli: %s: warning: the linked style sheet %s is not where the page looks for it\n",
            job.target.c_str(), sheet->c_str());
    }
}

// For a catch-all: what escaped the work on `path` is reported like any error, naming it.
void reportEscaped(std::string_view procedure, const std::string& path) {
    try {
        throw;
    } catch (const VbError& error) {
        reportError(error, procedure);
    } catch (const std::bad_alloc&) {
        errorReporter().report(7, procedure, "Out of memory: " + path);
    } catch (const std::exception& error) {
        errorReporter().report(vberr::InvalidCall, procedure, std::string(error.what()) + ": " + path);
    } catch (...) {
        errorReporter().report(vberr::InvalidCall, procedure, "Unexpected failure: " + path);
    }
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
    // Made an address for each page by linkStyleSheet().
    job.linkedStyleSheet = options.linkCss;
    if (options.schemeFile) {
        job.otherInputs.push_back(*options.schemeFile);
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
    } catch (...) {
        reportEscaped("colorize", path);
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
    linkStyleSheet(job, options.linkCss);
    if (const auto refusal = refusalOf(job, options.linkCss)) {
        std::fprintf(stderr, "%s\n", englishMessage(*refusal).c_str());
        return 1;
    }
    warnIfStyleSheetUnreachable(job, options.linkCss);
    try {
        if (isatty(STDERR_FILENO)) {
            TerminalProgress bar;
            convertPage(job, bar);
        } else {
            SilentProgress bar;
            convertPage(job, bar);
        }
    } catch (...) {
        reportEscaped("Cparti", job.source);
        return 1;
    }
    return 0;
}

struct BatchResult {
    bool done = false;
    std::string logLine;
    bool failed = false;
};

// Converts the files of a batch on several threads and keeps the log in the order of the
// files. A new page is put in place by its worker at once (it is not synced: see
// Durability). A page that replaces another is synced first, and those are put in place in
// groups: the workers write each one into its temporary file and hand it over; a
// committing thread syncs and renames every page that is waiting, then syncs their folders
// once. A batch over existing pages then costs the disk a few syncs per group instead of
// two per page, and the workers never wait for the disk. A page's line is logged only once
// the page is in place (and, when it replaced one, on the disk).
class BatchRun {
public:
    BatchRun(const PageJob& base, const std::vector<std::string>& files,
             const std::optional<std::string>& linkCss, Output& out)
        : base_(base), files_(files), linkCss_(linkCss), out_(out), results_(files.size()),
          // The header, the footer and the linked sheet are the same for every page (and
          // their texts are read once too): checked once, not once per file.
          sharedRefusal_(refusalOfSharedFiles(base, linkCss)) {}

    // True when every page was converted. An error writing the log is raised at the end.
    bool run(unsigned workers) {
        workersLeft_ = workers;
        std::jthread committer([this] { commitPages(); });
        std::vector<std::jthread> pool;
        for (unsigned w = 1; w < workers; ++w) {
            pool.emplace_back([this] { work(); });
        }
        work();
        pool.clear();
        committer.join();
        if (outputError_) {
            throw *outputError_;
        }
        return std::none_of(results_.begin(), results_.end(), [](const BatchResult& r) { return r.failed; });
    }

private:
    // Pages waiting for the committer hold a file open each: a bound keeps that modest.
    static constexpr std::size_t MaxWaiting = 256;
    static constexpr std::size_t GroupSize = 128;
    static constexpr std::chrono::milliseconds GroupDelay{50};
    static constexpr std::size_t SyncThreads = 8;

    struct Waiting {
        std::size_t index;
        WrittenPage written;
    };

    std::string pageName(std::size_t index) const {
        return std::filesystem::path(files_[index]).filename().string() + ".html";
    }

    BatchResult failure(std::size_t index, const std::string& why) const {
        return {true, pageName(index) + " Failed: " + why, true};
    }

    void work() {
        for (std::size_t i = next_++; i < files_.size(); i = next_++) {
            PageJob job = base_;
            job.source = files_[i];
            job.target = files_[i] + ".html";
            linkStyleSheet(job, linkCss_);
            std::optional<std::string> refusal = refusalOfOwnFiles(job);
            if (!refusal) {
                refusal = sharedRefusal_;
            }
            if (refusal) {
                publish({{i, failure(i, englishMessage(*refusal))}});
                continue;
            }
            warnIfStyleSheetUnreachable(job, linkCss_);
            try {
                SilentProgress bar;
                WrittenPage written = writePage(job, bar);
                if (!written.page.syncsOnCommit()) {
                    // A new page waits for no disk: put in place at once, without the trip
                    // through the committing thread.
                    Waiting page{i, std::move(written)};
                    publish({{i, commitPage(page)}});
                    continue;
                }
                written.page.prepareCommit();
                std::unique_lock lock(mutex_);
                room_.wait(lock, [this] { return waiting_.size() < MaxWaiting; });
                waiting_.push_back({i, std::move(written)});
                const bool wake = waiting_.size() == 1 || waiting_.size() >= GroupSize;
                lock.unlock();
                if (wake) {
                    pagesWaiting_.notify_one();
                }
            } catch (const VbError& error) {
                publish({{i, failure(i, trapLine(error.number(), "Cparti", error.description()))}});
            } catch (const std::exception& error) {
                publish({{i, failure(i, trapLine(vberr::InvalidCall, "Cparti", error.what()))}});
            }
        }
        {
            const std::lock_guard lock(mutex_);
            --workersLeft_;
        }
        pagesWaiting_.notify_one();
    }

    void commitPages() {
        for (;;) {
            std::vector<Waiting> group;
            {
                std::unique_lock lock(mutex_);
                pagesWaiting_.wait(lock, [this] { return !waiting_.empty() || workersLeft_ == 0; });
                // Each group costs the disk its syncs whatever its size: let it fill for a
                // moment, as long as the workers keep it growing.
                const auto deadline = std::chrono::steady_clock::now() + GroupDelay;
                pagesWaiting_.wait_until(
                    lock, deadline, [this] { return waiting_.size() >= GroupSize || workersLeft_ == 0; });
                if (waiting_.empty()) {
                    return;
                }
                group.swap(waiting_);
            }
            room_.notify_all();
            // The pages of a group are synced together: a disk that empties its cache for
            // every sync serves the syncs that arrive together with one flush.
            std::vector<BatchResult> outcomes(group.size());
            std::atomic<std::size_t> nextPage{0};
            auto commitSome = [&] {
                for (std::size_t k = nextPage++; k < group.size(); k = nextPage++) {
                    outcomes[k] = commitPage(group[k]);
                }
            };
            {
                // New pages are not synced (see Durability): only replaced ones need helpers.
                const auto syncing =
                    static_cast<std::size_t>(std::count_if(group.begin(), group.end(), [](const Waiting& w) {
                        return w.written.page.syncsOnCommit();
                    }));
                std::vector<std::jthread> syncers;
                for (std::size_t t = 1; t < std::min(syncing, SyncThreads); ++t) {
                    syncers.emplace_back(commitSome);
                }
                commitSome();
            }
            // Then the renames: one sync of each folder for the whole group.
            std::vector<std::string> folders;
            std::vector<std::pair<std::size_t, BatchResult>> done;
            for (std::size_t k = 0; k < group.size(); ++k) {
                if (!outcomes[k].failed && group[k].written.page.syncsOnCommit()) {
                    std::string folder = group[k].written.page.folder();
                    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
                        group[k].written.page.syncFolder();
                        folders.push_back(std::move(folder));
                    }
                }
                done.push_back({group[k].index, std::move(outcomes[k])});
            }
            publish(std::move(done));
        }
    }

    BatchResult commitPage(Waiting& waiting) const {
        try {
            waiting.written.page.commit(files::AtomicTextWriter::FolderSync::Later);
            return {true,
                    pageName(waiting.index) + " Create " + std::to_string(waiting.written.LineCount) +
                        " lines",
                    false};
        } catch (const VbError& error) {
            return failure(waiting.index, trapLine(error.number(), "Cparti", error.description()));
        } catch (const std::exception& error) {
            return failure(waiting.index, trapLine(vberr::InvalidCall, "Cparti", error.what()));
        }
    }

    // Records results and logs every line that is now next in the order of the files.
    void publish(std::vector<std::pair<std::size_t, BatchResult>> done) {
        const std::lock_guard lock(mutex_);
        for (auto& entry : done) {
            results_[entry.first] = std::move(entry.second);
        }
        if (outputError_) {
            return;
        }
        try {
            const std::size_t before = logged_;
            while (logged_ < results_.size() && results_[logged_].done) {
                out_.line(results_[logged_++].logLine);
            }
            if (logged_ != before) {
                out_.flush();
            }
        } catch (const VbError& error) {
            outputError_ = error;
        }
    }

    const PageJob& base_;
    const std::vector<std::string>& files_;
    const std::optional<std::string>& linkCss_;
    Output& out_;
    std::vector<BatchResult> results_;
    const std::optional<std::string> sharedRefusal_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable pagesWaiting_;
    std::condition_variable room_;
    std::vector<Waiting> waiting_;
    unsigned workersLeft_ = 0;
    std::size_t logged_ = 0;
    std::optional<VbError> outputError_;
};

int batch(const Options& options) {
    if (options.operands.empty()) {
        throw UsageError{"batch needs at least one FILE"};
    }
    PageJob base = jobOf(options, schemeOf(options));
    // Every page copies the same header and footer: they are read once for the batch. One
    // that cannot be read is left to each page, which then fails as it would alone.
    const std::pair<const std::string*, std::shared_ptr<const std::string>*> copied[] = {
        {&base.header, &base.headerText}, {&base.footer, &base.footerText}};
    for (const auto& [path, text] : copied) {
        try {
            if (files::FileExists(*path)) {
                *text = std::make_shared<const std::string>(readCopiedText(*path));
            }
        } catch (const VbError&) {
        }
    }
    const std::vector<std::string>& files = options.operands;
    Output out;
    out.line(englishMessage("msg11"));
    for (const std::string& file : files) {
        out.line(std::filesystem::path(file).filename().string());
    }
    out.line(std::string(66, '-'));
    out.flush();

#ifdef M_TRIM_THRESHOLD
    // Every page takes and gives back the same few buffers: without this the heap would be
    // shrunk and grown again, page faults and all, for every file.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    const unsigned workers = static_cast<unsigned>(
        std::min<std::size_t>(options.jobs != 0 ? options.jobs : hardware, files.size()));
    const bool allConverted = BatchRun(base, files, options.linkCss, out).run(workers);
    out.line("Work Completed");
    out.close();
    return allConverted ? 0 : 1;
}

int css(const Options& options) {
    if (options.operands.size() != 1) {
        throw UsageError{"css takes one OUTPUT"};
    }
    const ColourScheme scheme = schemeOf(options);
    if (options.schemeFile && files::sameFile(options.operands[0], *options.schemeFile)) {
        // Re-saving the loaded sheet is fine; replacing it with another scheme loses it.
        ColourScheme loaded = defaultColourScheme();
        LoadCoulorFromFile(*options.schemeFile, loaded);
        if (styleSheetLines(loaded) != styleSheetLines(scheme)) {
            std::fprintf(stderr,
                         "quillon-cli: %s: the style sheet the scheme was loaded from would be replaced\n",
                         options.operands[0].c_str());
            return 1;
        }
    }
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
    files::removeTemporariesOnSignals();
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
    } catch (...) {
        // Whatever escaped a command (an allocation that failed, say) is one more error
        // to report, never an abort.
        reportCurrentException("quillon-cli");
        return 1;
    }
}

} // namespace quillon::cli
