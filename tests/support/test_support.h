#pragma once
// Shared helpers of the test suite: test data, golden files, scratch folders, a
// recording error reporter.

#include "base/vb_error.h"

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quillon::test {

// The number and message a call raises; {0, ""} when it raises nothing.
inline std::pair<int, std::string> raised(const std::function<void()>& body) {
    try {
        body();
    } catch (const VbError& error) {
        return {error.number(), error.description()};
    }
    return {0, {}};
}

std::filesystem::path dataDir();
std::filesystem::path programDir();

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// Compares `actual` with the golden file; with QUILLON_REGENERATE=1 in the environment
// the golden file is rewritten instead. On a mismatch the failure shows a line diff.
void expectMatchesGolden(const std::string& actual, const std::filesystem::path& golden);

// A fresh folder under the system's temporary folder, removed when the object dies.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct ReportedError {
    int number;
    std::string procedure;
    std::string description;
};

// Keeps what it is told.
class RecordingReporter final : public ErrorReporter {
public:
    void report(int number, std::string_view procedure, std::string_view description) override;
    std::vector<ReportedError> errors;
};

} // namespace quillon::test
