#pragma once
// Helpers shared by the file layer's tests.

#include "io/file_system.h"
#include "io/text_reader.h"
#include "support/legacy_text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quillon::test {

inline std::vector<std::string> readLines(files::TextReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line)) {
        lines.push_back(line);
    }
    return lines;
}

inline std::vector<std::string> readLines(const std::string& path, std::string_view encoding = {}) {
    files::TextReader reader(path, encoding);
    return readLines(reader);
}

inline std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    for (std::string_view line : files::splitTextLines(text)) {
        lines.emplace_back(line);
    }
    return lines;
}

// A pipe that a thread fills with `bytes`, at most `piece` at a time, read through its
// /dev/fd name as a user's named pipe would be.
class FedPipe {
public:
    explicit FedPipe(std::string bytes, std::size_t piece = std::string::npos) : bytes_(std::move(bytes)) {
        if (::pipe(ends_) != 0) {
            ADD_FAILURE() << "no pipe";
            return;
        }
        writer_ = std::thread([this, piece] {
            for (std::size_t done = 0; done < bytes_.size();) {
                const ssize_t n =
                    ::write(ends_[1], bytes_.data() + done, std::min(bytes_.size() - done, piece));
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            ::close(ends_[1]);
        });
    }
    ~FedPipe() {
        if (writer_.joinable()) {
            writer_.join();
            ::close(ends_[0]);
        }
    }
    FedPipe(const FedPipe&) = delete;
    FedPipe& operator=(const FedPipe&) = delete;

    std::string path() const { return "/dev/fd/" + std::to_string(ends_[0]); }

private:
    std::string bytes_;
    int ends_[2] = {-1, -1};
    std::thread writer_;
};

} // namespace quillon::test
