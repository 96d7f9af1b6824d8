# make run: install what is missing, build an optimised drovik, start it.
# make test: install what is missing, build with ASan+UBSan, run every test and fuzz target.
JOBS ?= $(shell nproc)
# Clones in other folders (CI) reuse the compiler cache: paths are hashed relative to here.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
RELEASE := build/release
ASAN := build/asan
# Where the optimised programs land, beside the manual they open.
BIN := build/bin
PROGRAMS := drovik drovik-cli drovik-gallery

.PHONY: run test package deps configure-release build-release build-asan format

deps:
	@tools/bootstrap

configure-release: deps
	@cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=$(CURDIR)/$(BIN) >/dev/null

# Only the programs and what they need, so that a first run is as short as it can be.
run: configure-release
	@cmake --build $(RELEASE) -j $(JOBS) --target $(PROGRAMS)
	$(BIN)/drovik

# The programs and the benchmarks.
build-release: configure-release
	@cmake --build $(RELEASE) -j $(JOBS)

# The Debian package of the optimised programs, in build/release/package/.
package: configure-release
	@cmake --build $(RELEASE) -j $(JOBS) --target drovik drovik-cli drovik_package_files
	@cd $(RELEASE) && cpack
	@ls $(RELEASE)/package/drovik_*.deb

build-asan: deps
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DDROVIK_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN) -j $(JOBS)

test: build-asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)
	@tools/run-fuzzers $(ASAN)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i
