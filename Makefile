# The two commands of the README: `make test` and `make demo`.
BUILD      ?= build
WIN_BUILD  := $(BUILD)/win
NAT_BUILD  := $(BUILD)/native
JOBS       ?= $(shell nproc)

.PHONY: test demo deps build build-win build-native test-native test-win fuzz clean

test: deps build
	cd $(NAT_BUILD) && ctest --output-on-failure -j$(JOBS)
	cd $(WIN_BUILD) && ctest --output-on-failure -j$(JOBS)

demo: deps build-win
	tools/demo/demo.sh $(WIN_BUILD)

deps:
	@scripts/install-deps.sh

build: build-native build-win

$(WIN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(NAT_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(NAT_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVORN_FUZZ=ON

build-win: $(WIN_BUILD)/CMakeCache.txt
	cmake --build $(WIN_BUILD) -j$(JOBS)

build-native: $(NAT_BUILD)/CMakeCache.txt
	cmake --build $(NAT_BUILD) -j$(JOBS)

test-native: deps build-native
	cd $(NAT_BUILD) && ctest --output-on-failure -j$(JOBS)

test-win: deps build-win
	cd $(WIN_BUILD) && ctest --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD)
