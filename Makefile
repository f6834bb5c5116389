# make        build the launcher and the tests
# make test   install what is missing, build, run every test under Wine
# make demo   install what is missing, build, run the launcher's main job
# make bench  build and run the benchmarks
BUILD ?= build
CMAKE_FLAGS ?=
# The tests' architecture: i686 like the shipped program, or x86_64 on a
# machine that cannot execute 32-bit code (tools/test-arch.sh).
ARCH ?= $(shell tools/test-arch.sh)
# The i686 build beside tests built for another architecture: the shipped
# program, and every test program compiled (not run) as i686 too, so that a
# fault only the 32-bit compiler sees cannot land.
SHIP_BUILD = $(BUILD)/i686
ifeq ($(ARCH),i686)
SHIP_FLAGS =
else
SHIP_FLAGS = -DSHIPPED_LAUNCHER=$(abspath $(SHIP_BUILD))/dist/launcher.exe
endif

.PHONY: all setup configure build ship test demo bench clean format

all: build

setup:
	@tools/setup.sh

# A build folder configured for another architecture starts afresh.
$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(ARCH).cmake $(SHIP_FLAGS) $(CMAKE_FLAGS) >/dev/null

configure:
	@if [ -f $(BUILD)/CMakeCache.txt ] && ! grep -q 'mingw-$(ARCH).cmake' $(BUILD)/CMakeCache.txt; then \
	  echo "make: $(BUILD) was configured for another architecture than $(ARCH): starting it afresh"; \
	  rm -rf $(BUILD); fi
	@$(MAKE) --no-print-directory $(BUILD)/CMakeCache.txt

build: configure ship
	cmake --build $(BUILD) -j$$(nproc)

# The whole i686 build beside an x86_64 test build; nothing to do otherwise.
ship:
ifneq ($(ARCH),i686)
	@[ -f $(SHIP_BUILD)/CMakeCache.txt ] || cmake -S . -B $(SHIP_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(CMAKE_FLAGS) >/dev/null
	cmake --build $(SHIP_BUILD) -j$$(nproc)
endif

test: setup
	@$(MAKE) --no-print-directory build
	tools/with-wine.sh $(BUILD)/wineprefix ctest --test-dir $(BUILD) --output-on-failure -j2

demo: setup
	@$(MAKE) --no-print-directory build
	tools/with-wine.sh $(BUILD)/wineprefix tools/demo.sh $(BUILD)

bench: setup
	@$(MAKE) --no-print-directory build
	tools/with-wine.sh $(BUILD)/wineprefix tools/bench.sh $(BUILD)

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
