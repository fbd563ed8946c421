#pragma once
// Shared helpers of the test suite: test data, golden files, scratch folders, a
// recording error reporter.

#include "base/vb_error.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quillon::test {

std::filesystem::path dataDir();
std::filesystem::path programDir();

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// Compares `actual` with the golden file; with QUILLON_REGENERATE=1 in the environment
// the golden file is rewritten instead. On a mismatch the failure shows a line diff.
void expectMatchesGolden(const std::string& actual, const std::filesystem::path& golden);

// Where two texts first differ, with a few lines of context, for failure messages.
std::string lineDiff(const std::string& expected, const std::string& actual);

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
