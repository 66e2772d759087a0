# Entry points. `make demo` builds and converts the samples; `make test` builds and runs every test.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build demo test test-asan fuzz bench screenshots package format clean

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./scripts/demo.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

# The Debian package calvorn_<version>_<arch>.deb in $(BUILD), from the same build as the tests
# (configured with the prefix /usr, which changes nothing that is compiled).
package: configure
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && cpack -G DEB

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer, without the
# desktop program. The first report stops the test; leaks count as failures.
SANITIZER_ENV = ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCALVORN_SANITIZE=ON -DCALVORN_BUILD_UI=OFF $(CMAKE_FLAGS)
	$(SANITIZER_ENV) cmake --build build-asan -j $(JOBS)
	cd build-asan && $(SANITIZER_ENV) ctest --output-on-failure --no-tests=error -j $(JOBS)

# Pictures of the desktop program for docs/screenshots/, taken on a virtual X server.
screenshots: build
	./scripts/screenshots.sh $(BUILD)

# libFuzzer targets (reader, GDAL driver, mapping file, INI file, command line); FUZZ_SECONDS per
# target.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVORN_FUZZ=ON -DCALVORN_BUILD_UI=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	./fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The benchmark against ogr2ogr (bench/run.sh) in a Release build of its own; results into
# docs/performance.md. BENCH_ARGS=--quick for 3 runs instead of 7.
BENCH_ARGS ?=
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCALVORN_BUILD_BENCH=ON -DCALVORN_BUILD_UI=OFF
	cmake --build build-bench -j $(JOBS) --target calvorn-cli calvorn-bench-data calvorn-micro-bench \
	  gdal_Torvex
	./bench/run.sh --build build-bench $(BENCH_ARGS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-fuzz build-bench out
