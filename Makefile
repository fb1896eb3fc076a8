# make test : installs what is missing, builds, and runs every test under Wine.
# make run  : builds and starts the installer under Wine.
# make bench: builds and runs the benchmarks, printing one table.
# make package PRODUCT=<entry> PAYLOAD=<folder> [OUT=<file>]: an installer for catalogue
#              entry 1 to 24 (default 18) carrying the folder's files (default: the sample).
BUILD ?= build
PRODUCT ?= 18
PAYLOAD ?=
OUT ?=
CMAKE_FLAGS = -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
              -DCMAKE_PREFIX_PATH=$(CURDIR)/.deps/mingw64

.PHONY: setup configure build test run bench package clean

setup:
	@tools/setup.sh

configure: setup
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: configure
	@cmake --build $(BUILD) --target setup demo_driver
	@tools/test-env.sh tools/demo.sh $(BUILD)

# Each test suite has a Wine prefix and display of its own, so suites run side by side.
# Most of a suite's time goes on waiting for Wine and for windows, so a run takes twice as
# many jobs as there are processors; a test that keeps processors busy throughout counts
# as two jobs (its PROCESSORS property).
TEST_JOBS ?= $(shell echo $$(( $$(nproc) * 2 )))
test: build
	@INSTALLER_HEADLESS=1 tools/test-env.sh ctest --test-dir $(BUILD) --output-on-failure \
	    -j $(TEST_JOBS) $(CTEST_ARGS)

bench: setup
	@[ -f build-bench/build.ninja ] || cmake -S . -B build-bench $(CMAKE_FLAGS) \
	    -DINSTALLER_BENCH=ON -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build-bench
	@tools/test-env.sh tools/bench.sh build-bench

package: setup
	@tools/package.sh build-package-$(PRODUCT) "$(PRODUCT)" "$(PAYLOAD)" "$(OUT)" $(CMAKE_FLAGS)

clean:
	rm -rf $(BUILD)
