# Quick start: `make run` and `make test`. Both install missing packages first.
SHELL := /bin/bash
PRESETS_BUILT := native native-asan win64 win32 fuzz

.PHONY: all deps build run test test-native test-asan test-wine fuzz fuzz-short bench clean $(addprefix build-,$(PRESETS_BUILT) bench)

all: build

deps:
	@tools/install-deps

build/%/build.ninja: CMakePresets.json CMakeLists.txt | deps
	cmake --preset $* >/dev/null

build-%: deps build/%/build.ninja
	cmake --build --preset $*

build: $(addprefix build-,$(PRESETS_BUILT))

run: build-win64
	tools/run-dockline

test: build
	$(MAKE) --no-print-directory test-native test-asan fuzz-short test-wine
	@echo "all test suites passed"

test-native: build-native
	ctest --preset native

test-asan: build-native-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset native-asan

test-wine: build-win64
	tools/with-wine ctest --preset win64

fuzz-short: build-fuzz
	tools/run-fuzzers 15

fuzz: build-fuzz
	tools/run-fuzzers 300

bench: deps build/bench/build.ninja
	cmake --build --preset bench
	tools/run-benchmarks

clean:
	rm -rf build
