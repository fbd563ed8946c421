#include "engine/batch.h"

#include "base/ascii_text.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/text_reader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <latch>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace quillon {

void BatchLogSink::converting(std::size_t /*index*/, const std::string& /*line*/) {}

void BatchLogSink::finished(std::size_t /*index*/, const BatchOutcome& /*outcome*/, const std::string& line) {
    addLine(line);
}

BatchLog::BatchLog(BatchLogSink& sink, BatchWording wording) : sink_(sink), wording_(std::move(wording)) {}

std::string BatchLog::shownName(std::string_view name) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else {
            shown += "\\x";
            shown += Hex[byte >> 4];
            shown += Hex[byte & 0xF];
        }
    }
    return shown;
}

std::string BatchLog::nameOf(const std::string& path) {
    return shownName(std::filesystem::path(path).filename().string());
}

void BatchLog::selection(const std::vector<std::string>& names) {
    sink_.addLine(wording_.header);
    for (const std::string& name : names) {
        sink_.addLine(shownName(name));
    }
}

void BatchLog::separator() {
    sink_.addLine(std::string(SeparatorLength, '-'));
}

void BatchLog::converting(std::size_t index, const BatchFile& file) {
    sink_.converting(index, "Convert " + nameOf(file.source));
}

void BatchLog::finished(std::size_t index, const BatchFile& file, const BatchOutcome& outcome) {
    std::string line = nameOf(file.target);
    if (outcome.converted) {
        line += " Create " + std::to_string(outcome.LineCount) + " lines";
    } else {
        line += " Failed";
        if (outcome.refusal) {
            line += ": " + wording_.refusalMessage(*outcome.refusal);
        } else if (outcome.error) {
            line += ": " + trapLine(outcome.error->number(), "Cparti", outcome.error->description());
        }
    }
    sink_.finished(index, outcome, line);
}

void BatchLog::completed() {
    sink_.addLine(WorkCompleted);
    sink_.flush();
}

namespace {

std::vector<std::string> namesOf(const std::vector<BatchFile>& files) {
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const BatchFile& file : files) {
        names.push_back(std::filesystem::path(file.source).filename().string());
    }
    return names;
}

void startLog(const std::vector<BatchFile>& files, BatchLog& log) {
    log.selection(namesOf(files));
    log.separator();
    log.flush();
}

BatchOutcome failed(const VbError& error) {
    BatchOutcome outcome;
    outcome.error = error;
    return outcome;
}

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
    BatchRun(const std::vector<BatchFile>& files, const BatchSettings& settings, BatchLog& log)
        : files_(files), base_(settings.page), log_(log), results_(files.size()), done_(files.size(), false),
          // The header, the footer and the linked sheet are the same for every page (and
          // their texts are read once too): checked once, not once per file.
          sharedRefusal_(refusalOfSharedFiles(settings.page, settings.linkedStyleSheetPath)),
          linkedStyleSheetPath_(settings.linkedStyleSheetPath) {}

    std::vector<BatchOutcome> run(unsigned workers) {
        workersLeft_ = workers;
        std::latch firstRound(workers);
        firstRoundDone_ = &firstRound;
        std::jthread committer([this] { commitPages(); });
        std::vector<std::jthread> pool;
        for (unsigned w = 1; w < workers; ++w) {
            pool.emplace_back([this] { work(); });
        }
        work();
        pool.clear();
        committer.join();
        if (logError_) {
            std::rethrow_exception(logError_);
        }
        return std::move(results_);
    }

private:
    // Pages waiting for the committer hold a file open each: a bound keeps that modest.
    static constexpr std::size_t MaxWaiting = 256;
    static constexpr std::size_t GroupSize = 128;
    static constexpr std::chrono::milliseconds GroupDelay{50};

    struct Waiting {
        std::size_t index;
        WrittenPage written;
    };

    // A source whose own bytes say too little of its code page: converted once every
    // other file of the batch has told its folder's code page.
    struct Postponed {
        std::size_t index;
        files::EncodingVerdict verdict;
    };
    struct WaitsForItsFolder {};

    // The verdicts that tell their folders' code pages, counted in the order of the files
    // however the jobs happened to finish: where two code pages tie, the one that comes
    // first wins, and a run gives the same pages with any number of jobs.
    void countFolderVotes() {
        std::sort(votes_.begin(), votes_.end(),
                  [](const Postponed& a, const Postponed& b) { return a.index < b.index; });
        for (const Postponed& vote : votes_) {
            folders_.add(files_[vote.index].source, vote.verdict);
        }
        votes_.clear();
    }

    bool detectsEncodings() const {
        return !base_.sourceDecision &&
               (base_.sourceEncoding.empty() || equalsIgnoringAsciiCase(base_.sourceEncoding, "auto"));
    }

    // Every file is read once, decided as it is read, and its verdict tells its folder's
    // code page (files::FolderEncodings). The few files whose evidence is weak are
    // stopped before their page is written and converted in a second round, when every
    // folder's code page is known.
    void work() {
        const bool detecting = detectsEncodings();
        for (std::size_t i = next_++; i < files_.size(); i = next_++) {
            convert(i, detecting, std::nullopt);
        }
        firstRoundDone_->arrive_and_wait();
        std::call_once(foldersCounted_, [this] { countFolderVotes(); });
        for (std::size_t k = nextPostponed_++; k < postponed_.size(); k = nextPostponed_++) {
            const Postponed& file = postponed_[k];
            convert(file.index, false, folders_.decisionFor(files_[file.index].source, file.verdict));
        }
        {
            const std::lock_guard lock(mutex_);
            --workersLeft_;
        }
        pagesWaiting_.notify_one();
    }

    void convert(std::size_t i, bool detecting, std::optional<files::EncodingDecision> decided) {
        PageJob job = base_;
        job.source = files_[i].source;
        job.target = files_[i].target;
        if (!decided && files_[i].decision) {
            decided = files_[i].decision;
        }
        if (decided) {
            job.sourceDecision = std::move(decided);
        } else if (detecting) {
            job.onSourceDecided = [this, i](const files::EncodingVerdict& verdict) {
                const std::lock_guard lock(mutex_);
                if (files::FolderEncodings::waitsForItsFolder(verdict)) {
                    postponed_.push_back({i, verdict});
                    throw WaitsForItsFolder{};
                }
                if (verdict.evidence == files::EncodingEvidence::Strong) {
                    votes_.push_back({i, verdict}); // the only evidence a folder counts
                }
            };
        }
        if (linkedStyleSheetPath_) {
            // Each page links the sheet by its address from the page's own folder, and
            // may not replace it.
            job.linkedStyleSheet = sheetLinkFrom(job.target);
            job.otherInputs.push_back(*linkedStyleSheetPath_);
        }
        std::optional<Refusal> refusal = refusalOfOwnFiles(job);
        if (!refusal) {
            refusal = sharedRefusal_;
        }
        if (refusal) {
            BatchOutcome outcome;
            outcome.refusal = refusal;
            publish({{i, std::move(outcome)}});
            return;
        }
        try {
            SilentProgress bar;
            WrittenPage written = writePage(job, bar);
            if (!written.page.syncsOnCommit()) {
                // A new page waits for no disk: put in place at once, without the trip
                // through the committing thread.
                Waiting page{i, std::move(written)};
                publish({{i, commitPage(page)}});
                return;
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
        } catch (const WaitsForItsFolder&) {
            // Converted again in the second round.
        } catch (...) {
            publish({{i, failed(currentError())}});
        }
    }

    // The sheet's address from a page: the same for every page of a folder, so found once
    // per folder (each costs looks at the working folder and the sheet).
    std::string sheetLinkFrom(const std::string& page) {
        const std::string folder = std::filesystem::path(page).parent_path().string();
        {
            const std::lock_guard lock(mutex_);
            const auto known = sheetLinks_.find(folder);
            if (known != sheetLinks_.end()) {
                return known->second;
            }
        }
        std::string href = files::linkFromPage(*linkedStyleSheetPath_, page).href;
        const std::lock_guard lock(mutex_);
        return sheetLinks_.emplace(folder, std::move(href)).first->second;
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
            std::vector<files::AtomicTextWriter*> writers;
            writers.reserve(group.size());
            for (Waiting& waiting : group) {
                writers.push_back(&waiting.written.page);
            }
            const std::vector<std::optional<VbError>> errors = files::commitTogether(writers);
            std::vector<std::pair<std::size_t, BatchOutcome>> done;
            for (std::size_t k = 0; k < group.size(); ++k) {
                done.emplace_back(group[k].index, errors[k] ? failed(*errors[k]) : committed(group[k]));
            }
            publish(std::move(done));
        }
    }

    static BatchOutcome committed(const Waiting& waiting) {
        BatchOutcome outcome;
        outcome.converted = true;
        outcome.LineCount = waiting.written.LineCount;
        outcome.bytes = waiting.written.page.size();
        outcome.originalCopied = waiting.written.originalCopied;
        return outcome;
    }

    static BatchOutcome commitPage(Waiting& waiting) {
        try {
            waiting.written.page.commit(files::AtomicTextWriter::FolderSync::Later);
            return committed(waiting);
        } catch (...) {
            return failed(currentError());
        }
    }

    // Records outcomes and logs every file that is now next in the order of the files.
    void publish(std::vector<std::pair<std::size_t, BatchOutcome>>&& done) {
        const std::lock_guard lock(mutex_);
        for (auto& [index, outcome] : done) {
            results_[index] = std::move(outcome);
            done_[index] = true;
        }
        if (logError_) {
            return;
        }
        try {
            const std::size_t before = logged_;
            while (logged_ < results_.size() && done_[logged_]) {
                log_.finished(logged_, files_[logged_], results_[logged_]);
                ++logged_;
            }
            if (logged_ != before) {
                log_.flush();
            }
        } catch (...) {
            logError_ = std::current_exception();
        }
    }

    const std::vector<BatchFile>& files_;
    const PageJob& base_;
    BatchLog& log_;
    std::vector<BatchOutcome> results_;
    std::vector<bool> done_;
    const std::optional<Refusal> sharedRefusal_;
    const std::optional<std::string> linkedStyleSheetPath_;
    std::atomic<std::size_t> next_{0};
    std::latch* firstRoundDone_ = nullptr;
    // Guarded by mutex_ during the first round; counted once into folders_, which the
    // second round only reads.
    std::vector<Postponed> votes_;
    std::once_flag foldersCounted_;
    files::FolderEncodings folders_;
    std::vector<Postponed> postponed_;
    std::atomic<std::size_t> nextPostponed_{0};
    std::mutex mutex_;
    std::condition_variable pagesWaiting_;
    std::condition_variable room_;
    std::vector<Waiting> waiting_;
    std::map<std::string, std::string> sheetLinks_; // by the pages' folder
    unsigned workersLeft_ = 0;
    std::size_t logged_ = 0;
    std::exception_ptr logError_;
};

} // namespace

unsigned workerCount(unsigned jobs, std::size_t items) {
    const unsigned hardware = std::max(1U, std::thread::hardware_concurrency());
    return static_cast<unsigned>(
        std::clamp<std::size_t>(jobs != 0 ? jobs : hardware, 1, std::max<std::size_t>(items, 1)));
}

std::vector<BatchOutcome> convertBatch(const std::vector<BatchFile>& files, const BatchSettings& settings,
                                       BatchLog& log) {
    BatchSettings shared = settings;
    // Every page copies the same header and footer: they are read once for the batch. One
    // that cannot be read is left to each page, which then fails as it would alone.
    PageJob& page = shared.page;
    const std::pair<const std::string*, std::shared_ptr<const std::string>*> copied[] = {
        {&page.header, &page.headerText}, {&page.footer, &page.footerText}};
    for (const auto& [path, text] : copied) {
        try {
            if (!*text && files::FileExists(*path)) {
                *text = std::make_shared<const std::string>(readCopiedText(*path));
            }
        } catch (const VbError&) {
        }
    }
    startLog(files, log);
    std::vector<BatchOutcome> outcomes =
        BatchRun(files, shared, log).run(workerCount(settings.jobs, files.size()));
    log.completed();
    return outcomes;
}

std::vector<BatchOutcome> runBatch(const std::vector<BatchFile>& files, FileConverter& converter,
                                   BatchLog& log) {
    startLog(files, log);
    std::vector<BatchOutcome> outcomes;
    outcomes.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!converter.goOn()) {
            return outcomes;
        }
        log.converting(i, files[i]);
        outcomes.push_back(converter.convert(files[i]));
        log.finished(i, files[i], outcomes.back());
    }
    log.completed();
    return outcomes;
}

} // namespace quillon
