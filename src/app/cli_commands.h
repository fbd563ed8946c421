#pragma once
// quillon-cli: the conversions of the window without a window.

namespace quillon::cli {

// Runs one command line; returns the process exit status (0 done, 1 failed, 2 bad usage).
int run(int argc, char** argv);

} // namespace quillon::cli
