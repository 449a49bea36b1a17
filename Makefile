# Front door for the CMake presets. Every target first installs the Debian packages it needs
# that are missing (scripts/install-deps.sh), so a fresh machine needs only `make` and root.
#
#   make demo          the application in a simulated device captures a bundled recording fed
#                      at 9600 baud: log, configuration, counters and a screenshot
#   make sim           the application in a simulated device, in a live window (needs a display)
#   make test          warning-free debug build and every test (ctest --preset default)
#   make asan          the tests built with AddressSanitizer and UBSan, leaks checked
#   make armhf         32-bit ARM cross build, tests run under qemu-arm (-cpu cortex-a8)
#   make sdcard        the device's SD-card bundle: build-armhf/fixtrail-sdcard-<version>-armhf.tar.gz
#   make fuzz          libFuzzer targets, each run FUZZ_SECONDS over its corpus
#   make bench         optimised build, then every benchmark
#   make format        clang-format every tracked C++ file in place
#   make format-check  fail if any tracked C++ file is not formatted
#   make lint          clang-format check, shellcheck, the style check (scripts/check-style.py)
#                      and clang-tidy over the product code (scripts/lint.sh; clang-tidy
#                      reruns only on what changed since it passed)
#   make clean         remove every preset's build directory

SHELL := /bin/bash
.SHELLFLAGS := -euo pipefail -c
.DEFAULT_GOAL := test

JOBS ?= 2
FUZZ_SECONDS ?= 30
DEMO_INPUT ?= data/marineapi_Navibe-GM720.txt

DEPS := bash scripts/install-deps.sh
BUILD_DIRS := build build-release build-asan build-armhf build-fuzz
CXX_FILES = $(shell git ls-files -- '*.cpp' '*.cc' '*.h' '*.hpp' 2>/dev/null || \
    find app nmea ui platform tools tests bench -name '*.cpp' -o -name '*.h' 2>/dev/null)

.PHONY: deps demo sim test asan armhf sdcard fuzz bench format format-check lint clean

deps:
	$(DEPS) host

test: deps
	cmake --preset default -DFIXTRAIL_WERROR=ON
	cmake --build --preset default -j$(JOBS)
	ctest --preset default

demo: deps
	cmake --preset default -DFIXTRAIL_WERROR=ON
	cmake --build --preset default -j$(JOBS) --target fixtrail fixtrail-sim fixtrail-decode fixtrail-skin
	bash scripts/demo.sh build $(DEMO_INPUT)

sim: deps
	cmake --preset default -DFIXTRAIL_WERROR=ON
	cmake --build --preset default -j$(JOBS) --target fixtrail fixtrail-sim fixtrail-skin
	@root=$$(mktemp -d /tmp/fixtrail-sim-XXXXXX); echo "device root: $$root"; \
	build/bin/fixtrail-sim run "$$root" --window

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --preset asan

armhf:
	$(DEPS) host arm
	cmake --preset armhf
	cmake --build --preset armhf -j$(JOBS)
	ctest --preset armhf

# CPack packs the cross build's install rules (cmake/SdCard.cmake); the size printed is the
# stripped, static program's.
sdcard:
	$(DEPS) host arm
	cmake --preset armhf
	cmake --build --preset armhf -j$(JOBS)
	cpack --preset sdcard
	@name=$$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$$/\1/p' build-armhf/CPackConfig.cmake); \
	archive=build-armhf/$$name.tar.gz; \
	echo "$$archive, to unpack at the card's root:"; tar -tvzf "$$archive"; \
	echo "fixtrail/fixtrail: $$(tar -xzOf "$$archive" fixtrail/fixtrail | wc -c) bytes, stripped and static"

fuzz:
	$(DEPS) host fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j$(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/run-fuzzers.sh build-fuzz

bench: deps
	cmake --preset release
	cmake --build --preset release -j$(JOBS)
	@found=0; \
	for bench in build-release/bin/*bench*; do \
	    if [[ -f "$$bench" && -x "$$bench" ]]; then \
	        found=1; echo "== $$bench =="; "$$bench"; \
	    fi; \
	done; \
	if ((found == 0)); then echo "no benchmark built in build-release/bin"; fi

format: deps
	$(if $(strip $(CXX_FILES)),clang-format -i $(CXX_FILES),@echo "no C++ files found")

format-check: deps
	$(if $(strip $(CXX_FILES)),clang-format --dry-run -Werror $(CXX_FILES),@echo "no C++ files found")

lint:
	$(DEPS) host lint
	cmake --preset default -DFIXTRAIL_WERROR=ON
	JOBS=$(JOBS) bash scripts/lint.sh build

clean:
	rm -rf $(BUILD_DIRS)
