# Quick start: `make run` builds and starts Quillon, `make test` builds and runs every test.
.PHONY: all deps build run check test release bench format clean install package package-test

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

# Installing and packaging build their own release tree, without the tests:
#   make install PREFIX=DIR    (default /usr/local; DESTDIR=... is honoured)
#   make package               the Debian package, build/package/quillon_VERSION_ARCH.deb
#   make package-test          installs that package into a fresh Debian 12 root and runs it
PREFIX ?= /usr/local
PACKAGE_BUILD = build/package

$(PACKAGE_BUILD)/build.ninja:
	@cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null

install: deps $(PACKAGE_BUILD)/build.ninja
	@cmake --build $(PACKAGE_BUILD)
	@cmake --install $(PACKAGE_BUILD) --prefix "$(PREFIX)"

package: deps $(PACKAGE_BUILD)/build.ninja
	@cmake --build $(PACKAGE_BUILD) --target package

package-test: package
	@bash scripts/package-test.sh $(PACKAGE_BUILD)/quillon_*.deb

bench: release
	@bash bench/compare

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
