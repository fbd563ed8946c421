// quillon-vbgen: writes generated Visual Basic 6 sources for benchmarks and tests.
//   quillon-vbgen [--seed N] --size BYTES FILE          one file
//   quillon-vbgen [--seed N] --size BYTES --files N DIR  N files (forms, classes, modules)

#include "vb6_generator.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int usage() {
    std::fputs("usage: quillon-vbgen [--seed N] --size BYTES [--files N] TARGET\n", stderr);
    return 2;
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "quillon-vbgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::uint64_t seed = 1;
    std::size_t size = 0;
    long files = 0;
    std::string target;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seed" && hasValue) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--size" && hasValue) {
            size = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--files" && hasValue) {
            files = std::strtol(argv[++i], nullptr, 10);
        } else if (target.empty() && !arg.starts_with("--")) {
            target = arg;
        } else {
            return usage();
        }
    }
    if (target.empty() || size == 0) {
        return usage();
    }
    using quillon::bench::SourceKind;
    if (files <= 0) {
        return writeFile(target, quillon::bench::generateSource(seed, SourceKind::Form, size)) ? 0 : 1;
    }
    std::filesystem::create_directories(target);
    static constexpr const char* extensions[] = {".frm", ".cls", ".bas"};
    for (long n = 0; n < files; ++n) {
        const auto kind = static_cast<SourceKind>(n % 3);
        const auto name = "source" + std::to_string(n) + extensions[n % 3];
        if (!writeFile(std::filesystem::path(target) / name,
                       quillon::bench::generateSource(seed + static_cast<std::uint64_t>(n), kind, size))) {
            return 1;
        }
    }
    return 0;
}
