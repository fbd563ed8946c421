#pragma once
// Replacing a file without ever leaving a half-written one in its place: the new content
// goes to a temporary file beside the target, every write and the final flush are
// checked, and only a complete file is renamed over the target.

#include "base/vb_error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::files {

// A text stream open for writing a new version of a file (the file-system component's
// CreateTextFile). Text is written as it is given (UTF-8), buffered.
//
// Nothing is visible at the target until commit(): it flushes, syncs and closes the
// temporary file, checking each step, then renames it over the target. Where the file
// system allows it the temporary file has no name until commit() (O_TMPFILE), so a
// process killed outright leaves nothing; elsewhere its hidden name carries the process
// id, and the next writer into that folder removes those of processes that are gone. An object that
// dies without a successful commit() removes its temporary file and leaves the target as
// it was. Any failure raises the matching VbError naming the target path (61 disk full,
// 70 permission denied, 76 path not found, 75 otherwise) and also removes the temporary
// file; the stream is closed from then on, and using it again raises 54.
//
// The replaced file's permissions are kept; a new file gets the usual ones (0666 less the
// umask). A symbolic link at the target is followed, so the file it names is replaced and
// the link stays. A device or pipe at the target (/dev/null, /dev/stdout) cannot be
// replaced and is written straight through instead.
//
// How hard commit() works to make the new file survive a crash of the machine:
// - Always: the file and the rename are synced to the disk before commit() returns. For
//   what only the user has (a style sheet, a language file).
// - WhenReplacing: synced only when a file is replaced, so that a crash never leaves an
//   unwritten file where a good one was. A file that is new is left to the system's own
//   writeback: a crash may lose it, but nothing that was there before, and a page can
//   always be made again from its source. Syncing every new page would make the disk,
//   not the conversion, set the pace of a large page or a batch.
enum class Durability { Always, WhenReplacing };

class AtomicTextWriter {
public:
    static constexpr std::size_t BufferSize = 64 * 1024;

    // Creates the temporary file; a missing folder raises 76, a folder that may not be
    // written or a read-only target 70, a folder at the target 75.
    explicit AtomicTextWriter(const std::string& path, Durability durability = Durability::Always);
    ~AtomicTextWriter();
    AtomicTextWriter(AtomicTextWriter&&) noexcept;
    AtomicTextWriter& operator=(AtomicTextWriter&&) noexcept;
    AtomicTextWriter(const AtomicTextWriter&) = delete;
    AtomicTextWriter& operator=(const AtomicTextWriter&) = delete;

    // Writes the text unchanged, adding nothing.
    void Write(std::string_view text);
    // Writes the text followed by CR LF.
    void WriteLine(std::string_view text = {});
    // Writes every byte of the file at `source`, as it is (a copy of an original). A source
    // that cannot be read raises as reading it would, naming it, and gives the stream up.
    void copyFrom(const std::string& source);

    // Room for `size` bytes straight in the stream's buffer, for a writer that composes its
    // text in place instead of copying it in; the buffer grows when `size` asks for more
    // than it holds. Nothing counts as written until commitReserved() names where the
    // text ends. Raises as Write does.
    char* reserve(std::size_t size);
    // The text from the last reserve() up to `end` is written.
    void commitReserved(const char* end);

    // Puts the complete file in place of the target. With FolderSync::Later the rename is
    // not yet made durable: the caller syncs the folder itself, once for many files
    // (syncFolder()), before telling anyone the file is in place.
    enum class FolderSync { Now, Later };
    void commit(FolderSync folderSync = FolderSync::Now);
    // Writes out what is buffered and lets the disk start on it, then drops the buffer:
    // what is left for commit() is the sync and the rename. For a caller that holds many
    // finished files and commits them together; writing more after this raises nothing
    // but costs a new buffer.
    void prepareCommit();
    // The folder the file goes into, and syncing it (the rename of a commit with
    // FolderSync::Later becomes durable).
    std::string folder() const;
    void syncFolder() const;
    // Whether commit() syncs: always with Durability::Always, otherwise when a file is
    // replaced.
    bool syncsOnCommit() const noexcept;
    // A device or pipe at the target: what is written is gone from the writer's hands, and
    // cannot be taken back.
    bool writesStraightThrough() const noexcept;
    // The stream's Close: the file keeps what was written, so this is commit().
    void Close() { commit(); }
    // Gives up: the temporary file goes, the target stays as it was.
    void discard() noexcept;

    bool isOpen() const noexcept;
    const std::string& path() const noexcept;
    // The bytes written so far, those still waiting in the buffer included: once
    // committed, the size of the file it put in place.
    std::uint64_t size() const noexcept;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Puts complete files in place together, each as commit(FolderSync::Later) would, and
// makes them durable with as few waits for the disk as the group allows: the files that
// sync are synced at once from several threads (a disk that empties its cache for every
// sync serves the syncs that arrive together with one flush), each renamed once it is on
// the disk, then each of their folders is synced once. What went wrong with each file, in
// the order given; a file that failed is not in place and leaves no temporary file.
std::vector<std::optional<VbError>> commitTogether(const std::vector<AtomicTextWriter*>& writers);

// Ends the process on SIGINT, SIGTERM and SIGHUP as their default action would (the caller
// sees 130, 143 or 129), but removes every temporary file of a writer first. Signals the
// process was started ignoring stay ignored. For a program's main, once.
void removeTemporariesOnSignals();

// Writes `bytes` as the whole new content of `path`. On any failure the old file is left
// untouched, no temporary file is left behind, and the matching VbError is raised
// (61 disk full, 70 permission denied, 76 path not found, 75 otherwise), naming the path.
void writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace quillon::files
