#!/usr/bin/env bash
# The repository's lint, as `make lint` and CI run it. Every part runs; any finding fails it.
# The parts:
#   format      clang-format --dry-run -Werror over every tracked C++ file
#   shell       shellcheck over the shell scripts in scripts/ and .ci/run
#   style       the conventions no compiler checks: #pragma once, the layers' includes, headers
#               named after their class, test file names (scripts/check-style.py)
#   clang-tidy  the product code (app/ nmea/ ui/ platform/ tools/) of the build's
#               compile_commands.json, warnings as errors (scripts/run-clang-tidy.py)
#
#   scripts/lint.sh [BUILD_DIR]     (default: build, which must be configured)
#   JOBS   clang-tidy processes at once (default 2)
set -euo pipefail

cd "$(dirname "$0")/.."
buildDir=${1:-build}
failed=()

echo "== format =="
mapfile -t cxxFiles < <(git ls-files -- '*.cpp' '*.cc' '*.h' '*.hpp')
if clang-format --dry-run -Werror "${cxxFiles[@]}"; then
    echo "format: ${#cxxFiles[@]} files formatted"
else
    failed+=(format)
fi

echo "== shellcheck =="
shellFiles=()
while IFS= read -r file; do
    if [[ $(head -n 1 "$file") =~ ^#!.*(/|[[:space:]])(ba)?sh([[:space:]]|$) ]]; then
        shellFiles+=("$file")
    fi
done < <(git ls-files -- scripts .ci/run)
if shellcheck "${shellFiles[@]}"; then
    echo "shellcheck: ${#shellFiles[@]} scripts clean"
else
    failed+=(shellcheck)
fi

echo "== style =="
if ! python3 scripts/check-style.py; then
    failed+=(style)
fi

echo "== clang-tidy =="
if ! python3 scripts/run-clang-tidy.py --jobs "${JOBS:-2}" "$buildDir"; then
    failed+=(clang-tidy)
fi

if ((${#failed[@]})); then
    echo "lint: FAILED: ${failed[*]}"
    exit 1
fi
echo "lint: clean"
