#include "cli_commands.h"

#include <cstdio>

namespace quillon::cli {

int run(int, char**) {
    std::fputs("usage: quillon-cli colorize [OPTIONS] [FILE]\n", stderr);
    return 2;
}

} // namespace quillon::cli
