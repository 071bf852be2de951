# Zelvane: `make run` and `make test` install what is missing, build, and
# run Zelvane or its tests under Wine. The build's settings are the CMake
# preset "mingw" (CMakePresets.json).
BUILD ?= build
DIST ?= $(BUILD)/dist
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure program build run test e2e-stress test-stress dist bench fuzz mutate clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset mingw -B $(BUILD) --no-warn-unused-cli -DCMAKE_RULE_MESSAGES=OFF -DCMAKE_TARGET_MESSAGES=OFF >/dev/null

# What `make run` needs: the program, and the helper that names the demo share.
program: configure
	@cmake --build $(BUILD) -j2 --target zelvane e2e_driver

build: configure
	@cmake --build $(BUILD) -j2

run: program
	@scripts/run.sh $(BUILD)

dist: program
	@packaging/dist.sh $(BUILD) $(DIST)

# Builds everything and the packages (into BUILD/dist) while the tests' Wine
# prefix is made, then runs every test.
test: configure
	@scripts/run-tests.sh $(BUILD) --build

# The end-to-end test RUNS times, with every core busy beside it, and every
# test of make test RUNS times; from a cold page cache each time as root.
RUNS ?= 20
e2e-stress: program
	@scripts/stress.sh e2e $(BUILD) $(RUNS)

test-stress: configure
	@scripts/stress.sh test $(BUILD) $(RUNS)

FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/fuzz.sh $(BUILD) $(FUZZ_SECONDS)

bench: configure
	@cmake --build $(BUILD) -j2 --target zelvane zelvane_bench zelvane_floor e2e_driver
	@scripts/bench.sh $(BUILD)

# Faults planted in the program's sources one at a time, a seeded sample of
# COUNT that build, each built and tested; the score of those caught comes
# last. FIRST goes on with a stopped run from that fault of its draw. Not part
# of make test: it takes a minute or so a fault.
SEED ?= 1
COUNT ?= 40
FIRST ?= 1
mutate: deps
	@scripts/mutate.py $(BUILD) --seed $(SEED) --count $(COUNT) --first $(FIRST)

clean:
	rm -rf $(BUILD)
