# Everything starts here: each target first makes sure the machine has what
# the build needs, then drives CMake.
JOBS ?= $(shell nproc)
CTEST_FLAGS = --output-on-failure --no-tests=error -j$(JOBS) --timeout 300

.PHONY: all deps build test test-sanitize test-tsan soak fuzz session-fuzz bench run screenshots package clean

all: build

deps:
	@bash scripts/setup-deps.sh

build: deps
	cmake --preset debug
	cmake --build --preset debug -j$(JOBS)

# Every test but the soak (label soak), which `make soak` runs.
test: build
	ctest --preset debug $(CTEST_FLAGS) -LE soak

test-sanitize: deps
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan -j$(JOBS)
	ctest --preset asan-ubsan $(CTEST_FLAGS) -LE soak

# The link's threads under the thread sanitizer.
test-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j$(JOBS)
	ctest --preset tsan $(CTEST_FLAGS)

# The on-line path against zephra-ctlsim, SOAK_ROUNDS rounds under fault
# rules (two of each kind by default, about a minute and a half; the full
# soak is SOAK_ROUNDS=200).
SOAK_ROUNDS ?= 18
soak: build
	ZEPHRA_SOAK_ROUNDS=$(SOAK_ROUNDS) ctest --preset debug $(CTEST_FLAGS) -L soak

# Long runs of the fuzz targets, one after another at the lowest priority,
# FUZZ_RUNS executions each; the corpora grow in build/debug/fuzz/.
FUZZ_RUNS ?= 10000000
FUZZ_TARGETS ?= frame_parser config_json database controller_memory
fuzz: build
	@for t in $(FUZZ_TARGETS); do bash scripts/fuzz.sh build/debug $$t $(FUZZ_RUNS) || exit 1; done

# Randomized editing sessions through every form of the editor, STEPS
# gestures from episode SEED on, at the lowest priority; a failure prints the
# episode's seed and gestures, and the command that replays it.
SEED ?= 1
STEPS ?= 10000
session-fuzz: build
	nice -n 19 build/debug/bin/editor_session_tests --seed $(SEED) --steps $(STEPS)

bench: deps
	cmake --preset release
	cmake --build --preset release -j$(JOBS)
	@for b in build/release/bin/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

run: build
	@bash scripts/run.sh build/debug

# One picture per window of the editor, for review.
screenshots: build
	@mkdir -p build/screenshots
	QT_QPA_PLATFORM=offscreen build/debug/bin/zephra-editor --screenshots build/screenshots
	@ls -1 build/screenshots

# A Debian package of the release build, in build/release.
package: deps
	cmake --preset release
	cmake --build --preset release -j$(JOBS)
	cd build/release && cpack -G DEB
	@ls -1 build/release/*.deb

clean:
	rm -rf build
