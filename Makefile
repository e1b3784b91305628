# The two commands of the README: `make test` and `make demo`.
BUILD      ?= build
WIN_BUILD  := $(BUILD)/win
WIN64_BUILD := $(BUILD)/win64
NAT_BUILD  := $(BUILD)/native
JOBS       ?= $(shell nproc)
WIN_CONFIG := -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: test demo deps build build-win build-win64 build-native test-native test-win test-win32 test-win64 fuzz clean release

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

# The release: both programs for the maker's real hosts, optimised for size
# and stripped, checked against their allowlists, packed with the read-me
# into dist/VornUpdate-<version>.zip (the version of CMakeLists.txt).
VERSION := $(shell sed -n '/^project/s/.*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# RELEASE_KEYS names the catalogue's public key files (;-separated) when they
# are not the committed keys/catalogue-signing.pem.
RELEASE_ARGS := -DVORN_SHIPPED_ONLY=ON -DVORN_RELEASE=ON -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_EXE_LINKER_FLAGS=-s \
  $(if $(RELEASE_KEYS),"-DVORN_CATALOGUE_KEYS=$(RELEASE_KEYS)")

# SIGN_CERT and SIGN_KEY name the maker's code-signing certificate (PEM, with
# its intermediates) and private key, which never enter the repository; both
# programs are then signed (tools/release/sign-programs.sh) into
# $(BUILD)/release-signed, verified, import-checked again and packed. Optional:
# SIGN_PASS_FILE (the key's password), SIGN_CA (the root to verify against,
# default the system's), SIGN_TIMESTAMP (an RFC 3161 time-stamping URL).
RELEASE_PROGRAMS := $(BUILD)/release-x86/app/VornUpdate.exe $(BUILD)/release-x64/app/VornUpdate-x64.exe
SIGNED_DIR := $(BUILD)/release-signed
SIGN_ARGS := --cert "$(SIGN_CERT)" --key "$(SIGN_KEY)" $(if $(SIGN_PASS_FILE),--pass-file "$(SIGN_PASS_FILE)") \
  $(if $(SIGN_CA),--ca "$(SIGN_CA)") $(if $(SIGN_TIMESTAMP),--timestamp "$(SIGN_TIMESTAMP)")

release: deps
	@[ -z "$(SIGN_CERT)$(SIGN_KEY)" ] || { [ -n "$(SIGN_CERT)" ] && [ -n "$(SIGN_KEY)" ]; } \
	  || { echo "release: SIGN_CERT and SIGN_KEY go together" >&2; exit 1; }
	cmake -S . -B $(BUILD)/release-x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686-win32.cmake $(RELEASE_ARGS)
	cmake -S . -B $(BUILD)/release-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64-win32.cmake $(RELEASE_ARGS)
	cmake --build $(BUILD)/release-x86 -j$(JOBS)
	cmake --build $(BUILD)/release-x64 -j$(JOBS)
	cd $(BUILD)/release-x86 && ctest --output-on-failure
	cd $(BUILD)/release-x64 && ctest --output-on-failure
ifneq ($(SIGN_CERT),)
	tools/release/sign-programs.sh $(SIGN_ARGS) --out $(SIGNED_DIR) $(RELEASE_PROGRAMS)
	/usr/bin/python3 tests/app/check_program.py tests/app/imports-x86.txt $(SIGNED_DIR)/VornUpdate.exe $(VERSION)
	/usr/bin/python3 tests/app/check_program.py tests/app/imports-x64.txt $(SIGNED_DIR)/VornUpdate-x64.exe $(VERSION)
	/usr/bin/python3 tools/release/make_release.py --version $(VERSION) --out dist \
	  $(SIGNED_DIR)/VornUpdate.exe $(SIGNED_DIR)/VornUpdate-x64.exe
else
	@echo "release: NOT SIGNED (no SIGN_CERT and SIGN_KEY): Windows will name no publisher" >&2
	/usr/bin/python3 tools/release/make_release.py --version $(VERSION) --out dist $(RELEASE_PROGRAMS)
endif

clean:
	rm -rf $(BUILD)
