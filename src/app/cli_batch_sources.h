#pragma once
// Which pages a batch makes from its operands: files as given, folders searched (with
// --recursive) for the names of the pattern, each page beside its source or below
// --output-dir in the source's own folders.

#include "cli_options.h"
#include "engine/batch.h"

#include <optional>
#include <string>
#include <vector>

namespace quillon::cli {

struct BatchPlan {
    std::vector<BatchFile> files;
    // A folder could not be searched (already told on standard error).
    bool searchFailed = false;
};

// True when the file name matches one of the ";"-separated shell patterns, ignoring case
// as the window's file list does.
bool matchesPattern(const std::string& name, const std::string& patterns);

// The pages of the batch, in the order of the operands and, within a folder, of the
// names. Nullopt, after telling each on standard error, when two sources would give one
// page: then nothing may be written.
std::optional<BatchPlan> planBatch(const Options& options);

// Creates the folders the pages of --output-dir go into. A folder that cannot be made
// is left for its page to fail on, naming it.
void createTargetFolders(const BatchPlan& plan);

} // namespace quillon::cli
