# Everything starts here: each target first makes sure the machine has what
# the build needs, then drives CMake.
JOBS ?= $(shell nproc)
CTEST_FLAGS = --output-on-failure --no-tests=error -j$(JOBS) --timeout 300

.PHONY: all deps build test test-sanitize test-tsan bench run screenshots package clean

all: build

deps:
	@bash scripts/setup-deps.sh

build: deps
	cmake --preset debug
	cmake --build --preset debug -j$(JOBS)

test: build
	ctest --preset debug $(CTEST_FLAGS)

test-sanitize: deps
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan -j$(JOBS)
	ctest --preset asan-ubsan $(CTEST_FLAGS)

# The link's threads under the thread sanitizer.
test-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j$(JOBS)
	ctest --preset tsan $(CTEST_FLAGS)

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
