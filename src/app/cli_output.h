#pragma once
// Where quillon-cli's text goes: standard output through one large buffer, and the line
// ends the user chose.

#include "cli_options.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace quillon::cli {

// Standard output through one large buffer; a failed write raises 61, never goes unseen.
class Output {
public:
    void write(std::string_view text);
    void line(std::string_view text);
    // Room for `size` bytes straight in the buffer, for text composed in place;
    // commitReserved() then says where it ends.
    char* reserve(std::size_t size);
    void commitReserved(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }
    void flush();
    void close();

    // Where standard output stands, when it is a plain file written at that point (not
    // appended to): what is written from there can be taken back.
    static std::optional<long long> plainFileOffset();
    // Forgets what is buffered and cuts standard output back to `offset`, from
    // plainFileOffset(), for output made again from the start.
    void takeBackTo(long long offset);

private:
    static constexpr std::size_t Capacity = 128 * 1024;
    std::unique_ptr<char[]> buffer_{new char[Capacity]};
    std::size_t capacity_ = Capacity;
    std::size_t used_ = 0;
};

// Turns every CR LF of a text given in pieces into LF, a pair split between two pieces
// included; a lone CR stays.
class LineFeedFilter {
public:
    void append(std::string_view piece, std::string& out);
    void finish(std::string& out);

private:
    bool carriageReturnHeld_ = false;
};

// A path the page writer can write a page to that lands on standard output: a pipe that
// a thread empties into Output, with the line ends chosen. The page writer sees a pipe and
// writes straight into it.
class StandardOutputPipe {
public:
    explicit StandardOutputPipe(LineEnd lineEnd);
    ~StandardOutputPipe();
    StandardOutputPipe(const StandardOutputPipe&) = delete;
    StandardOutputPipe& operator=(const StandardOutputPipe&) = delete;

    const std::string& path() const { return path_; }
    // Waits until everything written is on standard output; raises what writing it met.
    void close();

private:
    void pump(LineEnd lineEnd);

    int readEnd_ = -1;
    int writeEnd_ = -1;
    std::string path_;
    std::optional<std::string> failure_;
    std::thread thread_;
};

// Rewrites the file at `path` with LF line ends, replacing it only once complete.
void rewriteWithLineFeeds(const std::string& path);

} // namespace quillon::cli
