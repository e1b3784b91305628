# The two commands of the README: `make test` and `make demo`.
BUILD      ?= build
WIN_BUILD  := $(BUILD)/win
WIN64_BUILD := $(BUILD)/win64
NAT_BUILD  := $(BUILD)/native
JOBS       ?= $(shell nproc)
WIN_CONFIG := -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: test demo deps build build-win build-win64 build-native test-native test-win test-win32 test-win64 fuzz clean

# Both Windows trees are always built; their tests run wherever this machine
# can execute them (tools/wine/can-run-32bit.sh decides for the 32-bit tree).
test: deps build
	cd $(NAT_BUILD) && ctest --output-on-failure -j$(JOBS)
	@scripts/windows-trees.sh test $(WIN_BUILD) $(WIN64_BUILD) $(JOBS)

# The 32-bit program where this machine runs it, else the 64-bit one.
demo: deps
	@scripts/windows-trees.sh demo $(WIN_BUILD) $(WIN64_BUILD) $(JOBS)

deps:
	@scripts/install-deps.sh

build: build-native build-win build-win64

$(WIN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(WIN_CONFIG)

$(WIN64_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake $(WIN_CONFIG)

$(NAT_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(NAT_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVORN_FUZZ=ON

build-win: $(WIN_BUILD)/CMakeCache.txt
	cmake --build $(WIN_BUILD) -j$(JOBS)

build-win64: $(WIN64_BUILD)/CMakeCache.txt
	cmake --build $(WIN64_BUILD) -j$(JOBS)

build-native: $(NAT_BUILD)/CMakeCache.txt
	cmake --build $(NAT_BUILD) -j$(JOBS)

test-native: deps build-native
	cd $(NAT_BUILD) && ctest --output-on-failure -j$(JOBS)

# One Windows tree's tests, whether or not the probe would run them.
test-win32: deps build-win
	cd $(WIN_BUILD) && ctest --output-on-failure -j$(JOBS)

test-win64: deps build-win64
	cd $(WIN64_BUILD) && ctest --output-on-failure -j$(JOBS)

test-win: deps build-win build-win64
	@scripts/windows-trees.sh test $(WIN_BUILD) $(WIN64_BUILD) $(JOBS)

clean:
	rm -rf $(BUILD)
