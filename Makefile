# Quick start: `make run` and `make test`. Both install missing packages first.
SHELL := /bin/bash
PRESETS := native native-asan native32 win64 win32 fuzz
BUILDS := $(addprefix build-,$(PRESETS) bench release-win64)
CTEST := ctest --no-tests=error

.PHONY: all deps build run test test-native test-asan test-native32 test-wine test-wine32 fuzz fuzz-short bench clean $(BUILDS) dist test-dist test-dist32

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

# The 32-bit runs need a machine that starts 32-bit x86 code; where it does
# not, they are left out with one line saying why (tools/can-run-32bit), while
# a 32-bit program that started and failed still fails the run.
test: build
	@rc=0; tools/can-run-32bit || rc=$$?; \
	case $$rc in 0) runs32="test-native32 test-wine32 test-dist32";; 1) runs32="";; *) exit $$rc;; esac; \
	$(MAKE) --no-print-directory test-native test-asan $$runs32 fuzz-short test-wine test-dist
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

# The i686 build under Wine's 32-bit side, in a 64-bit prefix like the one above:
# the portable suites, the command line and the program driven from outside.
test-wine32: build-win32
	tools/with-wine $(CTEST) --preset win32

# The installer, the portable zips and their checksums, in build/dist/.
dist: deps
	tools/make-dist

# What the user gets, under Wine: silent install, start, silent uninstall.
test-dist: dist build-win64
	tools/with-wine tests/dist/dist_test.sh build/dist win64 build/win64/tools/dockline-probe.exe

# The 32-bit installer and the program it installs, under Wine's 32-bit side.
test-dist32: dist build-win32
	tools/with-wine tests/dist/dist_test.sh build/dist win32 build/win32/tools/dockline-probe.exe

fuzz-short: build-fuzz
	tools/run-fuzzers 15

fuzz: build-fuzz
	tools/run-fuzzers 300

bench: build-bench build-release-win64
	tools/run-benchmarks

clean:
	rm -rf build
