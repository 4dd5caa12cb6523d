# Quick start: `make run` and `make test`. Both install missing packages first.
SHELL := /bin/bash
PRESETS := native native-asan native32 win64 win32 fuzz
BUILDS := $(addprefix build-,$(PRESETS) bench release-win64)
CTEST := ctest --no-tests=error

.PHONY: all deps build run test test-native test-asan test-native32 test-wine fuzz fuzz-short bench clean $(BUILDS) dist test-dist

all: build

deps:
	@tools/install-deps

# Static pattern: each build-<preset> configures (once) and builds that preset.
$(BUILDS): build-%: deps
	@[ -f build/$*/build.ninja ] || cmake --preset $*
	cmake --build --preset $*

build: $(addprefix build-,$(PRESETS))

run: build-win64
	tools/run-dockline

test: build
	$(MAKE) --no-print-directory test-native test-asan test-native32 fuzz-short test-wine test-dist
	@echo "all test suites passed"

test-native: build-native
	$(CTEST) --preset native

test-asan: build-native-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST) --preset native-asan

# The core as a 32-bit program: the size and overflow faults a 32-bit Windows meets.
test-native32: build-native32
	$(CTEST) --preset native32

test-wine: build-win64
	tools/with-wine $(CTEST) --preset win64

# The installer, the portable zips and their checksums, in build/dist/.
dist: deps
	tools/make-dist

# What the user gets, under Wine: silent install, start, silent uninstall.
test-dist: dist build-win64
	tools/with-wine tests/dist/dist_test.sh build/dist build/win64/tools/dockline-probe.exe

fuzz-short: build-fuzz
	tools/run-fuzzers 15

fuzz: build-fuzz
	tools/run-fuzzers 300

bench: build-bench build-release-win64
	tools/run-benchmarks

clean:
	rm -rf build
