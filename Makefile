# Two commands: `make run` and `make test`. Both install what they need first.
BUILD_DIR := build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake --preset default
	cmake --build $(BUILD_DIR) -j $(JOBS)

## make run [FILE=path]: builds and starts Parlivox, opening FILE when given.
run: build
	$(BUILD_DIR)/app/Parlivox $(if $(FILE),"$(FILE)")

## make test: builds and runs every test headless.
test: build
	QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
	  ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
