#pragma once
// A published site of Visual Basic projects: one page per member, converted as the page
// writer converts any source, with a navigation line, an outline and numbered lines; the
// original file (and a form's binary resources) beside its page for download; an index
// per project and, for several projects, one over them; one style sheet for them all.
//
// The site keeps a manifest of the files it wrote in the output folder. A run again over
// the same folder writes only what changed and removes what the projects no longer hold;
// a file the manifest does not name is never replaced or removed.

#include "base/vb_error.h"
#include "engine/batch.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

struct SiteSettings {
    // What every page shares (header, footer, scheme, options). Its linkedStyleSheet is
    // ignored: the pages link the site's own scheme sheet, or `userStyleSheet`.
    PageJob page;
    // The full path of a style sheet the pages link instead of the site's own.
    std::optional<std::string> userStyleSheet;
    std::string outputFolder;
    unsigned jobs = 1;
};

struct SiteResult {
    std::size_t projects = 0;
    std::size_t members = 0;
    std::size_t missingMembers = 0;
    std::size_t pagesWritten = 0;
    std::size_t filesUnchanged = 0;
    std::size_t filesWritten = 0; // copies, indexes and style sheets
    std::size_t filesRemoved = 0;
    // What went wrong besides the pages, which the log tells: a project file that could not
    // be read, a copy that failed, a file in the way that the site did not write.
    std::vector<VbError> failures;
    std::size_t pagesFailed = 0;
    bool complete() const { return failures.empty() && pagesFailed == 0; }
};

// The run in one line, each count with its noun: "1 project, 3 members, 1 missing,
// 3 pages written, 6 other files written, 0 files unchanged, 0 files removed" (and the
// pages that failed, when some did).
std::string siteSummary(const SiteResult& result);

// The manifest's name in the output folder.
inline constexpr char SiteManifestName[] = ".quillon-site";

// Publishes the projects of `inputs` (project files, groups, folders) into the output
// folder. The pages that are written are logged as a batch logs its files. Raises
// VbError when the header or the footer cannot be read.
SiteResult writeSite(const std::vector<std::string>& inputs, const SiteSettings& settings, BatchLog& log);

} // namespace quillon
