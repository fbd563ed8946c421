#pragma once
// What the program asks of the file system besides reading and writing streams: whether a
// file is there, how big it is, a bounded look at a small file, and the line rule.
//
// Paths are taken as given (UTF-8 on disk). Failures raise VbError with the matching
// number, the message naming the path: 53 file not found, 76 path not found, 70
// permission denied, 75 other access errors (a folder where a file is expected).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::files {

// True exactly when something that is not a folder exists at `path` (a plain file, or a
// device or pipe named by the user); false for folders, missing paths and the empty path.
bool FileExists(const std::string& path);

// The file's size in bytes. A folder raises 75.
std::uint64_t fileSize(const std::string& path);

struct TextPrefix {
    // The decoded text (UTF-8, BOM dropped). When the file was longer than the bytes read,
    // it ends after the last line break that was read, so it holds whole lines only.
    std::string text;
    // Every byte of the file was read.
    bool complete = false;
};

// Reads at most `maxBytes` from the start of a file that is only ever small when it is
// what the caller expects (a style sheet), so that a huge file costs no more than that.
// The encoding is decided on the bytes read.
TextPrefix readTextPrefix(const std::string& path, std::size_t maxBytes);

// The lines of a text: a line ends at CR LF, LF or a lone CR; the break is not part of the
// line, and a final break adds no empty line. The views point into `text`.
std::vector<std::string_view> splitTextLines(std::string_view text);

} // namespace quillon::files
