#include "cli_batch_sources.h"

#include "cli_messages.h"
#include "io/file_errors.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <map>

namespace quillon::cli {

namespace fs = std::filesystem;

namespace {

class Planner {
public:
    explicit Planner(const Options& options) : options_(options) {}

    void add(const std::string& operand) {
        std::error_code error;
        if (options_.recursive && fs::is_directory(operand, error)) {
            search(operand, {});
            return;
        }
        // A folder without --recursive is left to fail as any source that is no file.
        const std::string name = fs::path(operand).filename().string();
        addPage(operand, options_.outputDir ? (fs::path(*options_.outputDir) / name).string() : operand);
    }

    BatchPlan& plan() { return plan_; }
    bool clashed() const { return clashed_; }

private:
    void search(const fs::path& folder, const fs::path& relative) {
        std::error_code error;
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator it(folder / relative, error), end; !error && it != end;
             it.increment(error)) {
            entries.push_back(*it);
        }
        if (error) {
            const std::string path = (folder / relative).string();
            tell(fileMessage(
                path, reasonFor(files::errorNumberFor(error.value(), path, files::FileAccess::Read), path)));
            plan_.searchFailed = true;
            return;
        }
        std::sort(entries.begin(), entries.end());
        for (const fs::directory_entry& entry : entries) {
            const fs::path below = relative / entry.path().filename();
            // Linked folders are not followed: a link to a folder above would never end.
            if (entry.is_directory(error) && !entry.is_symlink(error)) {
                search(folder, below);
            } else if (entry.is_regular_file(error) &&
                       matchesPattern(below.filename().string(), options_.pattern)) {
                addPage((folder / below).string(), options_.outputDir
                                                       ? (fs::path(*options_.outputDir) / below).string()
                                                       : (folder / below).string());
            }
        }
    }

    // `page` is the target without its ".html".
    void addPage(const std::string& source, const std::string& page) {
        const std::string target = page + ".html";
        const std::string key = fs::absolute(target).lexically_normal().string();
        const auto [first, isNew] = sources_.try_emplace(key, source);
        if (!isNew) {
            tell(
                fileMessage(target, "Two sources would give this page: " + first->second + " and " + source));
            clashed_ = true;
        }
        plan_.files.push_back({source, target});
    }

    const Options& options_;
    BatchPlan plan_;
    std::map<std::string, std::string> sources_; // target as an absolute path -> source
    bool clashed_ = false;
};

} // namespace

bool matchesPattern(const std::string& name, const std::string& patterns) {
    std::size_t start = 0;
    while (start <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(';', start), patterns.size());
        const std::string one = patterns.substr(start, end - start);
        if (!one.empty() && ::fnmatch(one.c_str(), name.c_str(), FNM_CASEFOLD) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::optional<BatchPlan> planBatch(const Options& options) {
    Planner planner(options);
    for (const std::string& operand : options.operands) {
        planner.add(operand);
    }
    if (planner.clashed()) {
        return std::nullopt;
    }
    return std::move(planner.plan());
}

void createTargetFolders(const BatchPlan& plan) {
    std::string made;
    for (const BatchFile& page : plan.files) {
        const std::string folder = fs::path(page.target).parent_path().string();
        if (!folder.empty() && folder != made) {
            std::error_code ignored;
            fs::create_directories(folder, ignored);
            made = folder;
        }
    }
}

} // namespace quillon::cli
