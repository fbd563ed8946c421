#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace quillon::test {

std::filesystem::path dataDir() {
    return QUILLON_TEST_DATA_DIR;
}
std::filesystem::path programDir() {
    return QUILLON_PROGRAM_DIR;
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string lineDiff(const std::string& expected, const std::string& actual) {
    const auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
            out.push_back(text.substr(at, end - at));
            at = end;
        }
        return out;
    };
    const auto a = lines(expected);
    const auto b = lines(actual);
    std::size_t first = 0;
    while (first < a.size() && first < b.size() && a[first] == b[first]) {
        ++first;
    }
    // The first differing line, two lines of context before it and two after.
    std::ostringstream out;
    out << "first difference at line " << first + 1 << ":\n";
    const auto show = [&](const char* mark, const std::vector<std::string>& from, std::size_t i) {
        if (i < from.size()) {
            out << mark << testing::PrintToString(from[i]) << "\n";
        }
    };
    for (std::size_t i = first < 2 ? 0 : first - 2; i < first; ++i) {
        show("    ", a, i);
    }
    for (std::size_t i = first; i < first + 3; ++i) {
        show("  - ", a, i);
    }
    for (std::size_t i = first; i < first + 3; ++i) {
        show("  + ", b, i);
    }
    return out.str();
}

void expectMatchesGolden(const std::string& actual, const std::filesystem::path& golden) {
    const char* regenerate = std::getenv("QUILLON_REGENERATE");
    if (regenerate != nullptr && std::string(regenerate) == "1") {
        writeBytes(golden, actual);
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(golden))
        << "missing golden file " << golden << " (run with QUILLON_REGENERATE=1 to create it)";
    const std::string expected = readBytes(golden);
    EXPECT_TRUE(expected == actual) << "output differs from " << golden << "\n"
                                    << lineDiff(expected, actual)
                                    << "(run with QUILLON_REGENERATE=1 to accept the new output)";
}

ScratchDir::ScratchDir() {
    static std::mt19937_64 rng{std::random_device{}()};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("quillon-test-" + std::to_string(rng()));
        if (std::filesystem::create_directory(path_)) {
            break;
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void RecordingReporter::report(int number, std::string_view procedure, std::string_view description) {
    errors.push_back({number, std::string(procedure), std::string(description)});
}

} // namespace quillon::test
