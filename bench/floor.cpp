// The floor of a conversion on this machine: a program that only reads the sources and
// writes pages of the same sizes, in 64 KiB blocks, and does nothing else. bench/compare
// times it on the same byte counts as quillon-cli, in the same run.
//
//   quillon-floor OUT_DIR SOURCE PAGE_BYTES [SOURCE PAGE_BYTES ...]
//
// Each source is read whole; page N is written as OUT_DIR/N.html, new, not synced (as a
// new page is not).

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t Block = 64 * 1024;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "quillon-floor: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: %s OUT_DIR SOURCE PAGE_BYTES [SOURCE PAGE_BYTES ...]\n", argv[0]);
        return 2;
    }
    const std::string outDir = argv[1];
    std::vector<char> block(Block, 'x');
    for (int i = 2; i + 1 < argc; i += 2) {
        const int in = ::open(argv[i], O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            fail(argv[i]);
        }
        for (ssize_t got; (got = ::read(in, block.data(), Block)) != 0;) {
            if (got < 0) {
                fail(argv[i]);
            }
        }
        ::close(in);
        const std::string page = outDir + "/" + std::to_string(i / 2) + ".html";
        const int out = ::open(page.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0) {
            fail(page);
        }
        for (unsigned long long left = std::strtoull(argv[i + 1], nullptr, 10); left > 0;) {
            const std::size_t piece = left < Block ? static_cast<std::size_t>(left) : Block;
            if (::write(out, block.data(), piece) != static_cast<ssize_t>(piece)) {
                fail(page);
            }
            left -= piece;
        }
        if (::close(out) != 0) {
            fail(page);
        }
    }
    return 0;
}
