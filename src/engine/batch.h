#pragma once
// A batch: many sources, each converted into a page of its own, and the log of the run.
// The command line and the window's "Batch" pane both run their batches here, so the log
// reads the same from either: the header and the file names, the separator, one line per
// file in the order of the files, then "Work Completed".
//
// The caller chooses each file's page (beside its source today; another folder, or a
// whole site, is only another list of targets).

#include "base/vb_error.h"
#include "engine/page_writer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct BatchFile {
    std::string source;
    std::string target;
    // How the source is to be read when the caller has decided it already (a site decides
    // the members of a project together); it wins over the batch's own detection.
    std::optional<files::EncodingDecision> decision = std::nullopt;
};

// What became of one file of a batch.
struct BatchOutcome {
    bool converted = false;
    long LineCount = 0;
    // Why the page was not written: refused before anything was read, or the error that
    // stopped the page writer. Neither when nothing is known of the failure.
    std::optional<Refusal> refusal;
    std::optional<VbError> error;
    // The size of the page put in place.
    std::uint64_t bytes = 0;
    // The size of the copy of its source made beside it (PageExtras::copyTo), if made.
    std::optional<std::uint64_t> originalCopied = std::nullopt;
};

// The words of the log that the language in use chooses.
struct BatchWording {
    std::string header; // "Convert this files :"
    std::function<std::string(Refusal)> refusalMessage;
};

// Where the lines of a log go. A sequential run tells of the file it is converting, which
// a window shows in a line that the file's outcome then replaces.
class BatchLogSink {
public:
    virtual ~BatchLogSink() = default;
    virtual void addLine(const std::string& line) = 0;
    virtual void converting(std::size_t index, const std::string& line);
    virtual void finished(std::size_t index, const BatchOutcome& outcome, const std::string& line);
    // The lines so far may be shown now: a run calls this after each burst of lines.
    virtual void flush() {}
};

// The log's fixed wording, in this one place.
class BatchLog {
public:
    BatchLog(BatchLogSink& sink, BatchWording wording);

    // The header, then the name of each file.
    void selection(const std::vector<std::string>& names);
    void separator();
    void converting(std::size_t index, const BatchFile& file);
    void finished(std::size_t index, const BatchFile& file, const BatchOutcome& outcome);
    void completed();
    void flush() { sink_.flush(); }

    // A name as the log shows it: a line break or another control character in a file's
    // name would break the line, so those are written as escapes (\n, \t, \x1B).
    static std::string shownName(std::string_view name);
    static std::string nameOf(const std::string& path);

    static constexpr std::size_t SeparatorLength = 66;
    static constexpr char WorkCompleted[] = "Work Completed";

private:
    BatchLogSink& sink_;
    BatchWording wording_;
};

struct BatchSettings {
    // What every page shares: header, footer, scheme, options. Its source and target are
    // those of each file.
    PageJob page;
    // The full path of the sheet to link to, when the pages link one.
    std::optional<std::string> linkedStyleSheetPath;
    // How many files are converted at once; 0 is one per core.
    unsigned jobs = 1;
};

// How many threads do the work of `items` items, `jobs` at a time (0: one per core).
unsigned workerCount(unsigned jobs, std::size_t items);

// Converts every file, `settings.jobs` at a time, and logs each once it and every file
// before it are done (a replaced page only once it is on the disk). The outcomes are in
// the order of the files. An error of the sink is raised once every page is settled.
std::vector<BatchOutcome> convertBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
                                       BatchLog& log);

// A batch whose files the caller converts itself, one after the other on the calling
// thread: the window goes through its single-file start, with its checks and messages.
class FileConverter {
public:
    virtual ~FileConverter() = default;
    // False ends the run before the next file (the window was closed meanwhile); the log
    // then has no completion line.
    virtual bool goOn() { return true; }
    virtual BatchOutcome convert(const BatchFile& file) = 0;
};

std::vector<BatchOutcome> runBatch(const std::vector<BatchFile>& files, FileConverter& converter,
                                   BatchLog& log);

} // namespace quillon
