#pragma once
// Replacing a file without ever leaving a half-written one in its place: the new content
// goes to a temporary file beside the target, every write and the final flush are
// checked, and only a complete file is renamed over the target.

#include <string>
#include <string_view>

namespace quillon::files {

// Writes `bytes` as the whole new content of `path`. On any failure the old file is left
// untouched, no temporary file is left behind, and the matching VbError is raised
// (61 disk full, 70 permission denied, 76 path not found, 75 otherwise), naming the path.
void writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace quillon::files
