#pragma once
// Turning a failed system call on a file into the program's own error, so every part of
// the program reports the same failure with the same number.

#include <string>

namespace quillon::files {

enum class FileAccess { Read, Write };

// The error number a failed call with `errorCode` (an errno value) maps to: 53 file not
// found, 76 path not found, 70 permission denied, 61 disk full, 75 any other access error.
// A missing file is told from a missing folder by looking at the folder, so reading
// "missing/file" gives 76 and "folder/missing" gives 53; when writing, a missing entry can
// only be the folder.
int errorNumberFor(int errorCode, const std::string& path, FileAccess access);

// Raises the error errorNumberFor() gives, its message naming `path`.
[[noreturn]] void raiseFileError(int errorCode, const std::string& path, FileAccess access);

} // namespace quillon::files
