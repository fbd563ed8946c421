#pragma once
// What the program asks of the file system besides reading and writing streams: whether a
// file is there, how big it is, a bounded look at a small file, and the line rule.
//
// Paths are taken as given (UTF-8 on disk). Failures raise VbError with the matching
// number, the message naming the path: 53 file not found, 76 path not found, 70
// permission denied, 75 other access errors (a folder where a file is expected).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::files {

// The most text the program holds at once: one line of a source, or a whole header or
// footer. Beyond it a file is refused, before memory grows with it; no source the
// development environment writes comes near it.
inline constexpr std::size_t MaxHeldText = 1u << 20;

// Raises 321 "Line longer than 1 MiB: PATH" once a line read from `path` has grown past
// MaxHeldText bytes.
void requireLineWithinLimit(std::size_t length, const std::string& path);

// Refuses at once what cannot be converted although it can be opened: a folder, a device,
// a pipe or a socket raise 75 "Not a plain file: PATH". A missing file is left to the
// reader, which says so as usual.
void requirePlainFile(const std::string& path);

// The whole text of a header or footer, or of a file dropped on the Direct pane, with the
// checks a source gets: a plain file of at most MaxHeldText bytes (321 "Larger than 1 MiB:
// PATH"), no binary data (321).
std::string readHeldText(const std::string& path);

// True when both paths name one existing file, however they are spelt (symbolic links,
// hard links, ".."): the same device and inode.
bool sameFile(const std::string& a, const std::string& b);

// How a page at `pagePath` refers to the style sheet at `sheetPath`: the sheet's path
// relative to the page's folder (just its name when it lies beside the page), with what a
// URL cannot hold percent-encoded ("#", "%", "?", blanks, controls, non-ASCII; "/" kept).
// `found`: the sheet exists where the page will look for it.
struct StyleSheetLink {
    std::string href;
    bool found = false;
};
StyleSheetLink linkFromPage(const std::string& sheetPath, const std::string& pagePath);

// True exactly when something that is not a folder exists at `path` (a plain file, or a
// device or pipe named by the user); false for folders, missing paths and the empty path.
bool FileExists(const std::string& path);

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
