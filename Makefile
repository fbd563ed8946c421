# Quick start: `make run` builds and starts Quillon, `make test` builds and runs every test.
.PHONY: all deps build run check test release bench format clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug

run: build
	@bash scripts/run.sh build/debug/bin

# The developer's fast loop: layer check, the debug build with warnings as errors, every
# CTest test; no sanitizers, no fuzzing, no clang-tidy.
check: deps
	@bash scripts/check-layers.sh
	@cmake --preset ci >/dev/null
	@cmake --build --preset ci
	@ctest --preset ci -j $$(nproc)

test: deps
	@bash scripts/test.sh

release: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release

bench: release
	@bash bench/compare

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
