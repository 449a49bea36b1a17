# Front door for the CMake presets. Every target first installs the Debian packages it needs
# that are missing (scripts/install-deps.sh), so a fresh machine needs only `make` and root.
#
#   make demo          the application in a simulated device captures a bundled recording fed
#                      at 9600 baud: log, configuration, counters and a screenshot
#   make sim           the application in a simulated device, in a live window (needs a display)
#   make test          debug build and every test (ctest --preset default); every preset
#                      treats warnings as errors
#   make asan          the tests built with AddressSanitizer and UBSan, leaks checked
#   make armhf         ARMv7 hard-float cross build, tests run under qemu-arm (-cpu cortex-a8)
#   make armel         ARMv5TE soft-float cross build, tests run under qemu-arm (-cpu arm926)
#   make sdcard        the device's SD-card bundles, one for each: build-armhf/ and build-armel/
#                      fixtrail-sdcard-<version>-<arch>.tar.gz
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
BUILD_DIRS := build build-release build-asan build-armhf build-armel build-sysroot build-fuzz
CXX_FILES = $(shell git ls-files -- '*.cpp' '*.cc' '*.h' '*.hpp' 2>/dev/null || \
    find app nmea ui platform tools tests bench -name '*.cpp' -o -name '*.h' 2>/dev/null)

.PHONY: deps demo sim test asan armhf armel sdcard fuzz bench format format-check lint clean

deps:
	$(DEPS) host

test: deps
	cmake --preset default
	cmake --build --preset default -j$(JOBS)
	ctest --preset default

demo: deps
	cmake --preset default
	cmake --build --preset default -j$(JOBS) --target fixtrail fixtrail-sim fixtrail-decode fixtrail-skin
	bash scripts/demo.sh build $(DEMO_INPUT)

sim: deps
	cmake --preset default
	cmake --build --preset default -j$(JOBS) --target fixtrail fixtrail-sim fixtrail-skin
	@root=$$(mktemp -d /tmp/fixtrail-sim-XXXXXX); echo "device root: $$root"; \
	build/bin/fixtrail-sim run "$$root" --window

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --preset asan

# Each ARM build links against a sysroot of its own architecture's packages
# (scripts/make-sysroot.sh), made once in build-sysroot/.
armhf armel:
	$(DEPS) host arm
	bash scripts/make-sysroot.sh $@
	cmake --preset $@
	cmake --build --preset $@ -j$(JOBS)
	ctest --preset $@

# CPack packs each cross build's install rules (cmake/SdCard.cmake); the size printed is the
# stripped, static program's.
sdcard:
	$(DEPS) host arm
	bash scripts/make-sysroot.sh armhf armel
	@for arch in armhf armel; do \
	    cmake --preset $$arch && cmake --build --preset $$arch -j$(JOBS) && \
	    cpack --preset sdcard-$$arch || exit 1; \
	    name=$$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$$/\1/p' build-$$arch/CPackConfig.cmake); \
	    archive=build-$$arch/$$name.tar.gz; \
	    echo "$$archive, to unpack at the card's root:"; tar -tvzf "$$archive"; \
	    echo "fixtrail/fixtrail: $$(tar -xzOf "$$archive" fixtrail/fixtrail | wc -c) bytes, stripped and static"; \
	done

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
	cmake --preset default
	JOBS=$(JOBS) bash scripts/lint.sh build

clean:
	rm -rf $(BUILD_DIRS)
