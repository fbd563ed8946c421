#include "cli_commands.h"

#include "base/vb_error.h"
#include "base/version.h"
#include "cli_batch_sources.h"
#include "cli_messages.h"
#include "cli_options.h"
#include "cli_output.h"
#include "engine/batch.h"
#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/long_line.h"
#include "engine/output_formats.h"
#include "engine/page_writer.h"
#include "engine/site.h"
#include "engine/vb_project.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/program_folder.h"
#include "io/text_reader.h"
#include "lang/translate.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
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

using lang::englishMessage;

const char* lineBreakOf(LineEnd lineEnd) {
    return lineEnd == LineEnd::Lf ? "\n" : "\r\n";
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
        tell(fileMessage(job.target, "warning: the linked style sheet " + *sheet +
                                         " is not where the page looks for it"));
    }
}

// For a catch-all: whatever escaped the work on `path` (an allocation that failed, say)
// is told like any failure, naming the file, never an abort.
void tellEscaped(const std::string& path) {
    try {
        throw;
    } catch (const VbError& error) {
        tell(messageOf(error));
    } catch (const std::bad_alloc&) {
        tell(fileMessage(path, "Out of memory"));
    } catch (const std::exception& error) {
        tell(fileMessage(path, error.what()));
    } catch (...) {
        tell(fileMessage(path, "Unexpected failure"));
    }
}

// The scheme as the options leave it: a built-in theme or loaded from --scheme, then
// categories turned off the way unticking their boxes does, then the font.
ColourScheme schemeOf(const Options& options) {
    ColourScheme scheme = options.theme != nullptr ? schemeOfTheme(*options.theme) : defaultColourScheme();
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
    // Installed, the user's own header and footer come before the shipped ones.
    const files::ProgramFolder folder = files::programFolderOf(programFolder());
    PageJob job;
    job.header = options.header.value_or(folder.find("header.txt"));
    job.footer = options.footer.value_or(folder.find("footer.txt"));
    job.optimize = options.optimize;
    job.sourceEncoding = options.encoding;
    job.scheme = scheme;
    if (options.darkTheme != nullptr) {
        job.darkScheme = darkVariantOf(*options.darkTheme, scheme);
    }
    if (job.darkScheme && options.linkCss) {
        throw UsageError{"--theme-dark goes into the embedded style rules, not with --link-css"};
    }
    // Made an address for each page by linkStyleSheet().
    job.linkedStyleSheet = options.linkCss;
    if (options.schemeFile) {
        job.otherInputs.push_back(*options.schemeFile);
    }
    return job;
}

// The message for a refusal of the window's checks, naming the file it concerns.
std::string refusalMessage(Refusal refusal, const PageJob& job, const std::optional<std::string>& linkCss) {
    switch (refusal) {
    case Refusal::SourceMissing:
        return missingInputMessage(job.source);
    case Refusal::LinkedSheetMissing:
        return missingInputMessage(linkCss.value_or(""));
    case Refusal::HeaderMissing:
        return missingInputMessage(job.header);
    case Refusal::FooterMissing:
        return missingInputMessage(job.footer);
    case Refusal::TargetNotHtm:
        break;
    }
    return fileMessage(job.target, englishMessage(lang::messageKeyOf(refusal)));
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

template <class Sink> void writeTo(Sink& out, std::string_view text) {
    char* end = std::copy(text.begin(), text.end(), out.reserve(text.size()));
    out.commitReserved(end);
}

template <class Sink>
void colourLines(files::TextReader& reader, const Options& options, const ColourSwitches& switches,
                 Sink& out) {
    LineColouriser colouriser(switches, options.optimize);
    const std::string_view lineBreak = lineBreakOf(options.lineEnd);
    std::string line;
    bool continues = false;
    std::optional<PiecewiseLineColouriser> longLine;
    std::string coloured;
    while (reader.readPiece(line, continues)) {
        if (!continues) {
            char* end = colouriser.writeLine(
                out.reserve(LineColouriser::maxOutput(line.size()) + lineBreak.size()), line);
            end = std::copy(lineBreak.begin(), lineBreak.end(), end);
            out.commitReserved(end);
            continue;
        }
        // A line too long to hold whole, coloured as it is read.
        if (!longLine) {
            longLine.emplace(switches, options.optimize);
        }
        longLine->begin();
        longLine->feed(line, coloured);
        while (continues) {
            writeTo(out, coloured);
            coloured.clear();
            reader.readPiece(line, continues);
            longLine->feed(line, coloured);
        }
        longLine->end(coloured);
        coloured.append(lineBreak);
        writeTo(out, coloured);
        coloured.clear();
    }
}

// The same lines in another format: each coloured line goes through the format's writer,
// which writes it straight into the output's buffer.
template <class Sink>
void formatLines(files::TextReader& source, const Options& options, const ColourScheme& scheme, Sink& out) {
    FormattedOutput formatted(options.format, scheme, lineBreakOf(options.lineEnd));
    // A file is read twice for Markdown, first for the length of its fence, rather than
    // held whole in memory until the fence is known; a pipe can only be held.
    std::optional<files::TextReader> again;
    if (options.format == OutputFormat::Markdown && source.size() > 0) {
        formatted.fenceFor(longestBacktickRun(source));
        again.emplace(source.reopened());
    }
    files::TextReader& reader = again ? *again : source;
    const std::optional<ClassMarkup> markup = formatted.classMarkup();
    // Where the format allows, lines are coloured straight into it, with no HTML between.
    LineColouriser colouriser(switchesOf(scheme), options.optimize, markup ? &*markup : nullptr);
    // What ends a line coloured straight into the format: no class is left open there.
    const std::size_t lineEndRoom = formatted.maxOutput(0);
    std::string line;
    bool continues = false;
    std::optional<PiecewiseLineColouriser> longLine;
    std::string coloured;
    std::string written;
    formatted.begin(written);
    writeTo(out, written);
    written.clear();
    while (reader.readPiece(line, continues)) {
        if (!continues && markup) {
            char* end =
                colouriser.writeLine(out.reserve(colouriser.roomFor(line.size()) + lineEndRoom), line);
            out.commitReserved(formatted.endLine(end));
            continue;
        }
        if (!continues) {
            // Grown, never shrunk: a resize up again would clear the room at every line.
            if (const std::size_t room = LineColouriser::maxOutput(line.size()) + FormattedOutput::ReadBehind;
                coloured.size() < room) {
                coloured.resize(room);
            }
            const char* colouredEnd = colouriser.writeLine(coloured.data(), line);
            const std::string_view colouredLine(coloured.data(),
                                                static_cast<std::size_t>(colouredEnd - coloured.data()));
            char* end = formatted.feed(colouredLine, out.reserve(formatted.maxOutput(colouredLine.size())));
            out.commitReserved(formatted.endLine(end));
            continue;
        }
        // A line too long to hold whole, coloured as it is read.
        if (!longLine) {
            longLine.emplace(switchesOf(scheme), options.optimize);
        }
        coloured.clear();
        longLine->begin();
        longLine->feed(line, coloured);
        while (continues) {
            formatted.feed(coloured, written);
            writeTo(out, written);
            written.clear();
            coloured.clear();
            reader.readPiece(line, continues);
            longLine->feed(line, coloured);
        }
        longLine->end(coloured);
        formatted.feed(coloured, written);
        formatted.endLine(written);
        writeTo(out, written);
        written.clear();
    }
    formatted.end(written);
    writeTo(out, written);
}

template <class Sink>
void colourInFormat(files::TextReader& reader, const Options& options, const ColourScheme& scheme,
                    Sink& out) {
    if (options.format == OutputFormat::Html) {
        colourLines(reader, options, switchesOf(scheme), out);
    } else {
        formatLines(reader, options, scheme, out);
    }
}

// A device or pipe at `path` is written straight through: nothing written to it comes back.
bool isPlainFileOrNew(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

int colorize(const Options& options) {
    if (options.operands.size() > 1) {
        throw UsageError{"colorize takes at most one FILE"};
    }
    const std::string path =
        options.operands.empty() || options.operands[0] == "-" ? StandardInputPath : options.operands[0];
    const ColourScheme scheme = schemeOf(options);
    const bool toFile = options.output && *options.output != "-";
    std::optional<long long> stdoutStart;
    // A large source is read once, as UTF-8 while it is, where what was written of it can be
    // taken back: a temporary file, or a plain file as standard output.
    const auto colour = [&](files::TextReader::Restartable restartable) {
        files::TextReader reader(path, options.encoding, restartable);
        if (toFile) {
            files::AtomicTextWriter out(*options.output, files::Durability::WhenReplacing);
            colourInFormat(reader, options, scheme, out);
            out.commit();
        } else {
            Output out;
            try {
                colourInFormat(reader, options, scheme, out);
            } catch (const files::EncodingRevised&) {
                out.takeBackTo(*stdoutStart);
                throw;
            }
            out.close();
        }
    };
    try {
        if (toFile && sameFile(path, *options.output)) {
            tell(fileMessage(*options.output, "Would replace its own input"));
            return 1;
        }
        if (!toFile) {
            stdoutStart = Output::plainFileOffset();
        }
        files::readOnceOrDecideWhole(toFile ? isPlainFileOrNew(*options.output) : stdoutStart.has_value(),
                                     colour);
    } catch (...) {
        tellEscaped(path);
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
    if (options.linkCss && options.format != OutputFormat::Html) {
        throw UsageError{"--link-css applies to --format html only"};
    }
    if (options.darkTheme != nullptr && options.format != OutputFormat::Html) {
        throw UsageError{"--theme-dark applies to --format html only"};
    }
    PageJob job = jobOf(options, schemeOf(options));
    job.source = options.operands[0];
    job.format = options.format;
    std::optional<std::string> chosen = options.output;
    if (options.operands.size() == 2) {
        chosen = options.operands[1];
    }
    job.target = chosen.value_or(job.source + std::string(fileExtensionOf(options.format)));
    linkStyleSheet(job, options.linkCss);
    // A target the user names is taken as named; only the derived one follows the rule
    // of the Files pane (and always passes it).
    std::optional<Refusal> refusal = refusalOfOwnFiles(job);
    if (refusal == Refusal::TargetNotHtm && (chosen || job.format != OutputFormat::Html)) {
        refusal.reset();
    }
    if (!refusal) {
        refusal = refusalOfSharedFiles(job, options.linkCss);
    }
    if (refusal) {
        tell(refusalMessage(*refusal, job, options.linkCss));
        return 1;
    }
    warnIfStyleSheetUnreachable(job, options.linkCss);
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
    } catch (...) {
        tellEscaped(job.source);
        return 1;
    }
    return 0;
}

// What a batch shows of its pages as they are done, in their order: the log on standard
// output (unless --quiet), each failure also on standard error, and a progress line on a
// terminal.
class BatchOutput final : public BatchLogSink {
public:
    BatchOutput(const Options& options, const std::vector<BatchFile>& files, const PageJob& job, Output& out)
        : options_(options), files_(files), job_(job), out_(out),
          progressShown_(progressOnTerminal(options)) {}
    ~BatchOutput() override { clearProgress(); }
    BatchOutput(const BatchOutput&) = delete;
    BatchOutput& operator=(const BatchOutput&) = delete;

    void addLine(const std::string& line) override {
        if (options_.logShown) {
            out_.line(line);
        }
    }
    void flush() override { out_.flush(); }

    void finished(std::size_t index, const BatchOutcome& outcome, const std::string& line) override {
        addLine(line);
        if (!outcome.converted) {
            clearProgress();
            tell(failureMessage(files_[index], outcome));
        }
        ++done_;
        if (progressShown_) {
            std::error_code unknown;
            const auto size = std::filesystem::file_size(files_[index].source, unknown);
            bytesDone_ += unknown ? 0 : size;
            showProgress();
        }
    }

private:
    std::string failureMessage(const BatchFile& file, const BatchOutcome& outcome) const {
        if (outcome.refusal) {
            PageJob job = job_;
            job.source = file.source;
            job.target = file.target;
            return refusalMessage(*outcome.refusal, job, options_.linkCss);
        }
        return outcome.error ? messageOf(*outcome.error) : fileMessage(file.source, "Not converted");
    }

    void showProgress() {
        const auto now = std::chrono::steady_clock::now();
        if (now - drawn_ < std::chrono::milliseconds(100) && done_ != files_.size()) {
            return;
        }
        drawn_ = now;
        const double seconds = std::chrono::duration<double>(now - started_).count();
        std::fprintf(stderr, "\r%zu/%zu files, %.1f MB/s\033[K", done_, files_.size(),
                     seconds > 0 ? static_cast<double>(bytesDone_) / 1e6 / seconds : 0.0);
        progressDrawn_ = true;
    }
    void clearProgress() {
        if (progressDrawn_) {
            std::fputs("\r\033[K", stderr);
            progressDrawn_ = false;
        }
    }

    const Options& options_;
    const std::vector<BatchFile>& files_;
    const PageJob& job_;
    Output& out_;
    const bool progressShown_;
    bool progressDrawn_ = false;
    std::size_t done_ = 0;
    std::uintmax_t bytesDone_ = 0;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point drawn_{};
};

int batch(Options options) {
    if (options.operands.empty()) {
        throw UsageError{"batch needs at least one FILE"};
    }
    BatchSettings settings{jobOf(options, schemeOf(options)), options.linkCss, options.jobs};
    const std::optional<BatchPlan> plan = planBatch(options);
    if (!plan) {
        return 1;
    }
    // The plan holds every name now: a batch of thousands of files need not keep them twice.
    std::vector<std::string>().swap(options.operands);
    if (options.outputDir) {
        createTargetFolders(*plan);
    }
    const std::vector<BatchFile>& files = plan->files;
#ifdef M_TRIM_THRESHOLD
    // Every page takes and gives back the same few buffers: without this the heap would be
    // shrunk and grown again, page faults and all, for every file.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    Output out;
    std::vector<BatchOutcome> outcomes;
    {
        BatchOutput sink(options, files, settings.page, out);
        BatchLog log(sink, {englishMessage("msg11"),
                            [](Refusal refusal) { return englishMessage(lang::messageKeyOf(refusal)); }});
        outcomes = convertBatch(files, settings, log);
    }
    out.close();
    bool allConverted = !plan->searchFailed;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!outcomes[i].converted) {
            allConverted = false;
        } else if (options.lineEnd == LineEnd::Lf) {
            try {
                rewriteWithLineFeeds(files[i].target);
            } catch (const VbError& error) {
                tell(messageOf(error));
                allConverted = false;
            }
        }
    }
    return allConverted ? 0 : 1;
}

// What a site shows of its pages as they are done: the batch log on standard output
// (unless --quiet), each failure also on standard error, a count on a terminal.
class SiteOutput final : public BatchLogSink {
public:
    SiteOutput(const Options& options, Output& out)
        : options_(options), out_(out), progressShown_(progressOnTerminal(options)) {}
    ~SiteOutput() override { clearProgress(); }
    SiteOutput(const SiteOutput&) = delete;
    SiteOutput& operator=(const SiteOutput&) = delete;

    void addLine(const std::string& line) override {
        if (options_.logShown) {
            out_.line(line);
        }
    }
    void flush() override { out_.flush(); }
    void finished(std::size_t, const BatchOutcome& outcome, const std::string& line) override {
        addLine(line);
        if (!outcome.converted) {
            clearProgress();
            tell(outcome.error ? messageOf(*outcome.error) : "quillon-cli: " + line);
        }
        if (progressShown_) {
            std::fprintf(stderr, "\r%zu pages\033[K", ++done_);
            progressDrawn_ = true;
        }
    }

private:
    void clearProgress() {
        if (progressDrawn_) {
            std::fputs("\r\033[K", stderr);
            progressDrawn_ = false;
        }
    }

    const Options& options_;
    Output& out_;
    const bool progressShown_;
    bool progressDrawn_ = false;
    std::size_t done_ = 0;
};

int site(const Options& options) {
    if (options.operands.empty()) {
        throw UsageError{"site needs at least one INPUT"};
    }
    if (!options.output || options.output->empty() || *options.output == "-") {
        throw UsageError{"site needs -o OUTDIR, the folder of the site"};
    }
    SiteSettings settings;
    settings.page = jobOf(options, schemeOf(options));
    settings.page.linkedStyleSheet.reset();
    settings.userStyleSheet = options.linkCss;
    settings.outputFolder = *options.output;
    settings.jobs = options.jobs;
    if (const std::optional<Refusal> refusal = refusalOfSharedFiles(settings.page, std::nullopt)) {
        tell(refusalMessage(*refusal, settings.page, options.linkCss));
        return 1;
    }
    if (options.linkCss && !files::FileExists(*options.linkCss)) {
        tell(missingInputMessage(*options.linkCss));
        return 1;
    }
    Output out;
    SiteResult result;
    try {
        SiteOutput sink(options, out);
        BatchLog log(sink, {englishMessage("msg11"),
                            [](Refusal refusal) { return englishMessage(lang::messageKeyOf(refusal)); }});
        result = writeSite(options.operands, settings, log);
    } catch (...) {
        tellEscaped(settings.outputFolder);
        return 1;
    }
    for (const VbError& failure : result.failures) {
        tell(messageOf(failure));
    }
    if (options.logShown) {
        out.line("Site: " + siteSummary(result));
    }
    out.close();
    return result.complete() ? 0 : 1;
}

int css(const Options& options) {
    if (options.operands.size() > 1 || (options.operands.size() == 1 && options.output)) {
        throw UsageError{"css takes one OUTPUT at most"};
    }
    const std::string output = options.output.value_or(options.operands.empty() ? "-" : options.operands[0]);
    const ColourScheme scheme = schemeOf(options);
    if (options.schemeFile && output != "-" && files::sameFile(output, *options.schemeFile)) {
        // Re-saving the loaded sheet is fine; replacing it with another scheme loses it.
        ColourScheme loaded = defaultColourScheme();
        LoadCoulorFromFile(*options.schemeFile, loaded);
        if (styleSheetLines(loaded) != styleSheetLines(scheme)) {
            tell(fileMessage(output, "Would replace the style sheet the scheme was loaded from"));
            return 1;
        }
    }
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
    files::removeTemporariesOnSignals();
    try {
        Options options = parseCommandLine(argc, argv);
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
            return batch(std::move(options));
        }
        if (options.command == "site") {
            return site(options);
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
    } catch (...) {
        // Outside any one file's work: nothing to name but the program.
        tell("quillon-cli: unexpected failure");
        return 1;
    }
}

} // namespace quillon::cli
