#include "cli_commands.h"

#include "base/vb_error.h"
#include "base/version.h"
#include "cli_messages.h"
#include "cli_options.h"
#include "cli_output.h"
#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/page_writer.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/text_reader.h"
#include "lang/translate.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillon::cli {

namespace {

// An error already reported; the command ends with status 1.
struct Failed {};

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

const char* lineBreakOf(LineEnd lineEnd) {
    return lineEnd == LineEnd::Lf ? "\n" : "\r\n";
}

// The scheme as the options leave it: loaded from --scheme, then categories turned off
// the way unticking their boxes does, then the font.
ColourScheme schemeOf(const Options& options) {
    ColourScheme scheme = defaultColourScheme();
    if (options.schemeFile) {
        try {
            if (!LoadCoulorFromFile(*options.schemeFile, scheme).loaded()) {
                tell(fileMessage(*options.schemeFile, "Not a style sheet saved by Quillon"));
                throw Failed{};
            }
        } catch (const VbError& error) {
            tell(messageOf(error));
            throw Failed{};
        }
    }
    const bool on[SchemeEntryCount] = {true,
                                       true,
                                       options.on.comment,
                                       options.on.string,
                                       options.on.keyword,
                                       options.on.other,
                                       options.on.number};
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

// The message for a refusal of the window's checks, naming the file it concerns.
std::string refusalMessage(const std::string& key, const PageJob& job,
                           const std::optional<std::string>& linkCss) {
    if (key == "msg3") {
        return missingInputMessage(job.source);
    }
    if (key == "msg5" && linkCss) {
        return missingInputMessage(*linkCss);
    }
    if (key == "msg6") {
        return missingInputMessage(job.header);
    }
    if (key == "msg7") {
        return missingInputMessage(job.footer);
    }
    return fileMessage(job.target, englishMessage(key));
}

// True when writing `output` would replace `input` itself.
bool sameFile(const std::string& input, const std::string& output) {
    struct stat in {};
    struct stat out {};
    return ::stat(input.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 && in.st_dev == out.st_dev &&
           in.st_ino == out.st_ino;
}

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

bool progressOnTerminal(const Options& options) {
    return options.progressShown && isatty(STDERR_FILENO) != 0;
}

template <class Sink> void colourLines(files::TextReader& reader, const Options& options, Sink& out) {
    LineColouriser colouriser(options.on, options.optimize);
    const std::string_view lineBreak = lineBreakOf(options.lineEnd);
    std::string line;
    while (reader.readLine(line)) {
        char* end = colouriser.writeLine(
            out.reserve(LineColouriser::maxOutput(line.size()) + lineBreak.size()), line);
        end = std::copy(lineBreak.begin(), lineBreak.end(), end);
        out.commitReserved(end);
    }
}

int colorize(const Options& options) {
    if (options.operands.size() > 1) {
        throw UsageError{"colorize takes at most one FILE"};
    }
    const std::string path =
        options.operands.empty() || options.operands[0] == "-" ? "/dev/stdin" : options.operands[0];
    try {
        files::TextReader reader(path, options.encoding, files::TextReader::Content::TextOnly);
        if (options.output && *options.output != "-") {
            if (sameFile(path, *options.output)) {
                tell(fileMessage(*options.output, "Would replace its own input"));
                return 1;
            }
            files::AtomicTextWriter out(*options.output, files::Durability::WhenReplacing);
            colourLines(reader, options, out);
            out.commit();
        } else {
            Output out;
            colourLines(reader, options, out);
            out.close();
        }
    } catch (const VbError& error) {
        tell(messageOf(error));
        return 1;
    }
    return 0;
}

void convertShowingProgress(const PageJob& job, const Options& options) {
    if (progressOnTerminal(options)) {
        TerminalProgress bar;
        convertPage(job, bar);
    } else {
        SilentProgress bar;
        convertPage(job, bar);
    }
}

int page(const Options& options) {
    if (options.operands.empty() || options.operands.size() > 2) {
        throw UsageError{"page takes SOURCE and an optional TARGET"};
    }
    if (options.operands.size() == 2 && options.output) {
        throw UsageError{"page takes a TARGET or -o, not both"};
    }
    PageJob job = jobOf(options, schemeOf(options));
    job.source = options.operands[0];
    std::optional<std::string> chosen = options.output;
    if (options.operands.size() == 2) {
        chosen = options.operands[1];
    }
    job.target = chosen.value_or(job.source + ".html");
    // A target the user names is taken as named; only the derived one follows the rule
    // of the Files pane (and always passes it).
    std::optional<std::string> refusal = refusalOfOwnFiles(job);
    if (refusal == "msg4" && chosen) {
        refusal.reset();
    }
    if (!refusal) {
        refusal = refusalOfSharedFiles(job, options.linkCss);
    }
    if (refusal) {
        tell(refusalMessage(*refusal, job, options.linkCss));
        return 1;
    }
    try {
        if (chosen == "-") {
            StandardOutputPipe out(options.lineEnd);
            job.target = out.path();
            convertShowingProgress(job, options);
            out.close();
        } else {
            convertShowingProgress(job, options);
            if (options.lineEnd == LineEnd::Lf) {
                rewriteWithLineFeeds(job.target);
            }
        }
    } catch (const VbError& error) {
        tell(messageOf(error));
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
            std::optional<std::string> refusal = refusalOfOwnFiles(job);
            if (!refusal) {
                refusal = sharedRefusal_;
            }
            if (refusal) {
                publish({{i, failure(i, englishMessage(*refusal))}});
                continue;
            }
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
    if (options.operands.size() > 1 || (options.operands.size() == 1 && options.output)) {
        throw UsageError{"css takes one OUTPUT at most"};
    }
    const std::string output = options.output.value_or(options.operands.empty() ? "-" : options.operands[0]);
    const ColourScheme scheme = schemeOf(options);
    std::string sheet;
    for (const std::string& line : styleSheetLines(scheme)) {
        sheet += line;
        sheet += lineBreakOf(options.lineEnd);
    }
    try {
        if (output == "-") {
            Output out;
            out.write(sheet);
            out.close();
        } else {
            files::writeFileAtomically(output, sheet);
        }
    } catch (const VbError& error) {
        tell(messageOf(error));
        return 1;
    }
    return 0;
}

} // namespace

int run(int argc, char** argv) {
    try {
        const Options options = parseCommandLine(argc, argv);
        if (options.command == "help") {
            Output out;
            out.write(UsageText);
            out.close();
            return 0;
        }
        if (options.command == "version") {
            Output out;
            out.line(std::string("quillon-cli ") + ProgramVersion);
            out.close();
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
        return css(options);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "quillon-cli: %s\nTry 'quillon-cli --help'.\n", error.message.c_str());
        return 2;
    } catch (const Failed&) {
        return 1;
    } catch (const VbError& error) {
        tell(messageOf(error));
        return 1;
    }
}

} // namespace quillon::cli
