# Entry points. `make demo` builds and converts the samples; `make test` builds and runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build demo test test-asan fuzz bench screenshots format clean

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./scripts/demo.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCALVORN_SANITIZE=ON -DCALVORN_BUILD_UI=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure --no-tests=error -j $(JOBS)

# Pictures of the desktop program for docs/screenshots/, taken on a virtual X server.
screenshots: build
	./scripts/screenshots.sh $(BUILD)

# libFuzzer targets; FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVORN_FUZZ=ON -DCALVORN_BUILD_UI=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	./fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-fuzz out
