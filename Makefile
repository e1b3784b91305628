# The two commands of the README: `make test` and `make demo`.
BUILD      ?= build
WIN_BUILD  := $(BUILD)/win
NAT_BUILD  := $(BUILD)/native
JOBS       ?= $(shell nproc)

.PHONY: test demo deps build build-win build-native test-native test-win fuzz clean release

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

# The release: both programs for the maker's real hosts, optimised for size
# and stripped, checked against their allowlists, packed with the read-me
# into dist/VornUpdate-<version>.zip (the version of CMakeLists.txt).
VERSION := $(shell sed -n '/^project/s/.*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
RELEASE_ARGS := -DVORN_SHIPPED_ONLY=ON -DVORN_RELEASE=ON -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_EXE_LINKER_FLAGS=-s

release: deps
	cmake -S . -B $(BUILD)/release-x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686-win32.cmake $(RELEASE_ARGS)
	cmake -S . -B $(BUILD)/release-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64-win32.cmake $(RELEASE_ARGS)
	cmake --build $(BUILD)/release-x86 -j$(JOBS)
	cmake --build $(BUILD)/release-x64 -j$(JOBS)
	cd $(BUILD)/release-x86 && ctest --output-on-failure
	cd $(BUILD)/release-x64 && ctest --output-on-failure
	/usr/bin/python3 tools/release/make_release.py --version $(VERSION) --out dist \
	  $(BUILD)/release-x86/app/VornUpdate.exe $(BUILD)/release-x64/app/VornUpdate-x64.exe

clean:
	rm -rf $(BUILD)
