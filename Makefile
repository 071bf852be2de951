# Zelvane: `make run` and `make test` install what is missing, build, and
# run Zelvane or its tests under Wine.
BUILD ?= build

.PHONY: all deps build run test bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j2

run: build
	@scripts/run.sh $(BUILD)

test: build
	@scripts/run-tests.sh $(BUILD)

FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/fuzz.sh $(BUILD) $(FUZZ_SECONDS)

bench: build
	@scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
