# Two commands: `make run` and `make test`. Both install what they need first.
BUILD_DIR := build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
STAGE := $(BUILD_DIR)/stage
HEADLESS := QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

.PHONY: all deps build run test test-plain test-asan test-fuzz test-smoke check-format \
        bench package screenshot clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake --preset default
	cmake --build $(BUILD_DIR) -j $(JOBS)

## make run [FILE=path]: builds and starts Parlivox, opening FILE when given.
run: build
	$(BUILD_DIR)/app/Parlivox $(if $(FILE),"$(FILE)")

## make test: every check CI runs, headless: formatting, the plain build's
## tests, the installed programs' windows, the sanitizer build's tests and
## each fuzzer for a bounded time.
test: deps check-format test-plain test-smoke test-asan test-fuzz

test-plain: build
	$(HEADLESS) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-smoke: build
	rm -rf $(STAGE)
	cmake --install $(BUILD_DIR) --prefix $(abspath $(STAGE)) > /dev/null
	scripts/smoke-test $(STAGE)

test-asan: deps
	cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	$(HEADLESS) ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test-fuzz: deps
	cmake --preset fuzz
	cmake --build build-fuzz -j $(JOBS)
	scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

check-format: deps
	scripts/check-format

## make bench: every benchmark, one table of figures.
bench: build
	scripts/bench $(BUILD_DIR)

## make package: a Debian package (build/parlivox_*.deb).
package: build
	cd $(BUILD_DIR) && cpack

## make screenshot: a picture of the main window (parlivox-main.png).
screenshot: build
	scripts/screenshot parlivox-main.png

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
