# Two commands: `make run` and `make test`. Both install what they need first.
BUILD_DIR := build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
STAGE := $(BUILD_DIR)/stage
HEADLESS := QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

# The builds share the machine's cores and the test steps depend on each
# other's order: never run two of them at once, even under `make -j`.
.NOTPARALLEL:

.PHONY: all deps configure programs build run test test-plain test-asan test-fuzz test-smoke \
        check-format check-layering bench package screenshot clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake --preset ci > /dev/null

## The two programs alone, with their help file and descriptor.
programs: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target Parlivox Nuvafetch

## Everything: programs, tests, benchmarks.
build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

## make run [FILE=path]: builds and starts Parlivox, opening FILE when given.
run: programs
	$(BUILD_DIR)/app/Parlivox $(if $(FILE),"$(FILE)")

## make test: every check CI runs, headless: formatting, layering, the plain
## build's tests, the installed programs' windows, the sanitizer build's tests
## and each fuzzer for a bounded time.
test: deps check-format check-layering test-plain test-smoke test-asan test-fuzz

test-plain: build
	$(HEADLESS) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-smoke: build
	rm -rf $(STAGE)
	cmake --install $(BUILD_DIR) --prefix $(abspath $(STAGE)) > /dev/null
	scripts/smoke-test $(STAGE)

test-asan: deps
	cmake --preset asan > /dev/null
	cmake --build build-asan -j $(JOBS)
	$(HEADLESS) ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test-fuzz: deps
	cmake --preset fuzz > /dev/null
	cmake --build build-fuzz -j $(JOBS) --target fuzzers
	scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

check-format: deps
	scripts/check-format

## The libraries below the windows include no Widgets, SDL or curl header
## they should not (their link without Qt Widgets is a target of the build).
check-layering: configure
	scripts/check-layering

## make bench: every benchmark, one table of figures.
bench: build
	scripts/bench $(BUILD_DIR)

## make package: a Debian package (build/parlivox_*.deb).
package: build
	scripts/install-deps package
	cd $(BUILD_DIR) && cpack

## make screenshot: a picture of the main window (parlivox-main.png).
screenshot: programs
	scripts/install-deps screenshot
	scripts/screenshot parlivox-main.png

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
