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

void expectMatchesGolden(const std::string& actual, const std::filesystem::path& golden) {
    const char* regenerate = std::getenv("QUILLON_REGENERATE");
    if (regenerate != nullptr && std::string(regenerate) == "1") {
        writeBytes(golden, actual);
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(golden))
        << "missing golden file " << golden << " (run with QUILLON_REGENERATE=1 to create it)";
    const std::string expected = readBytes(golden);
    // On a mismatch GoogleTest shows a line diff of the two texts.
    EXPECT_EQ(expected, actual) << "output differs from " << golden
                                << " (run with QUILLON_REGENERATE=1 to accept the new output)";
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
