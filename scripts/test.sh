#!/usr/bin/env bash
# The whole test suite, as CI runs it: formatting, the layer check, a warnings-as-errors build with every
# test, clang-tidy over the program's sources, then the same tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, fuzzing, and last the Debian package installed into a
# fresh Debian 12 root.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== Formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || true)
if [ -n "$files" ]; then
    echo "$files" | xargs clang-format --dry-run --Werror
fi

echo "== Layers"
bash scripts/check-layers.sh

echo "== Build and test (warnings as errors)"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

echo "== Static checks (clang-tidy over src/, the checks in .clang-tidy)"
# Through the ci build's compile database, so every file is checked with the flags it is
# built with; only the program's own sources, not the tests or generated code.
tidy_runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
tidy_log=build/ci/clang-tidy.log
if ! "$tidy_runner" -clang-tidy-binary "$tidy" -p build/ci -j "$jobs" -quiet "^$PWD/src/" >"$tidy_log" 2>&1; then
    grep -v -e '^clang-tidy' -e 'warnings\? generated\.$' "$tidy_log" || true
    echo "clang-tidy found problems (whole output in $tidy_log)"
    exit 1
fi

echo "== Build and test under sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== Fuzzing (each target for a minute)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz

echo "== Debian package in a fresh Debian 12 root"
# The package of the warnings-as-errors build tested above: the same install rules and
# dependencies as make package, without building the release tree once more.
(cd build/ci && cpack -G DEB >/dev/null)
bash scripts/package-test.sh build/ci/quillon_*.deb
