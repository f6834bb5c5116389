# make        build the launcher and the tests
# make test   install what is missing, build, run every test under Wine
# make demo   install what is missing, build, run the launcher's main job
# make bench  build and run the benchmarks
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all setup configure build test demo bench clean format

all: build

setup:
	@tools/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(CMAKE_FLAGS) >/dev/null

configure: $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$$(nproc)

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
