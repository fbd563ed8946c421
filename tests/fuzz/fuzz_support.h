#pragma once
// Small helpers shared by the fuzz targets.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace quillon::fuzz {

// A file of this process's own in the temporary folder, rewritten for every input.
inline std::string scratchPath(std::string_view name) {
    const char* base = std::getenv("TMPDIR");
    return std::string(base ? base : "/tmp") + "/quillon-fuzz-" + std::to_string(getpid()) + "-" +
           std::string(name);
}

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "fuzz check failed: %s\n%.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

} // namespace quillon::fuzz
