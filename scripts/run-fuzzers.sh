#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time, seeded with its committed
# corpus, and fails if any of them finds a crash, a leak, undefined behaviour, a timeout or
# runs out of memory.
#
#   scripts/run-fuzzers.sh [BUILD_DIR]        (default: build-fuzz)
#
#   FUZZ_SECONDS   fuzzing time per target (default 30)
#
# Target bin/fuzz_<name> reads tests/fuzz/corpus/<name>/ when that exists. The committed corpus
# is only read: new inputs go to BUILD_DIR/fuzz-work/<name>/, and anything that fails is saved
# under BUILD_DIR/fuzz-artifacts/<name>/ (reproduce with: bin/fuzz_<name> FILE).
set -euo pipefail

cd "$(dirname "$0")/.."
buildDir=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}

# Recoverable UBSan reports would scroll by without failing the run.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}

targets=()
shopt -s nullglob
for candidate in "$buildDir"/bin/fuzz_*; do
    if [[ -f $candidate && -x $candidate ]]; then
        targets+=("$candidate")
    fi
done
shopt -u nullglob
if ((${#targets[@]} == 0)); then
    echo "run-fuzzers: no fuzz targets in $buildDir/bin; nothing to run"
    exit 0
fi

failed=()
for target in "${targets[@]}"; do
    base=$(basename "$target")
    name=${base#fuzz_}
    corpus=tests/fuzz/corpus/$name
    work=$buildDir/fuzz-work/$name
    artifacts=$buildDir/fuzz-artifacts/$name
    log=$buildDir/fuzz-logs/$name.log
    rm -rf "$work" "$artifacts"
    mkdir -p "$work" "$artifacts" "$(dirname "$log")"

    inputs=("$work")
    if [[ -d $corpus ]]; then
        inputs+=("$corpus")
        seeds="$(find "$corpus" -type f | wc -l) seed inputs from $corpus"
    else
        seeds="no corpus ($corpus absent)"
    fi
    echo "-- $base: ${seconds}s, $seeds"

    # The outer limit only catches a target that hangs outside libFuzzer's own clock.
    status=0
    timeout --kill-after=30 $((seconds * 2 + 120)) \
        "$target" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "${inputs[@]}" \
        < /dev/null > "$log" 2>&1 || status=$?
    if ((status == 0)); then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        coverage=$(grep -Eo 'cov: [0-9]+' "$log" | tail -n 1)
        echo "   ok: ${runs:-?} runs, ${coverage:-cov: ?}, corpus now $(find "$work" -type f | wc -l) new inputs"
    else
        echo "   FAILED (exit $status); from $log:"
        # The report's head (what and where), then the tail (the input and its artifact).
        first=$(grep -n -m 1 -E 'ERROR: |runtime error:|deadly signal|ALARM:' "$log" | cut -d: -f1)
        if [[ -n $first ]]; then
            sed -n "${first},$((first + 20))p" "$log" | sed 's/^/   | /'
            echo "   | ..."
        fi
        tail -n 12 "$log" | sed 's/^/   | /'
        shopt -s nullglob
        for artifact in "$artifacts"/*; do
            echo "   artifact: $artifact"
        done
        shopt -u nullglob
        failed+=("$base")
    fi
done

if ((${#failed[@]})); then
    echo "run-fuzzers: ${#failed[@]} of ${#targets[@]} targets failed: ${failed[*]}"
    exit 1
fi
echo "run-fuzzers: all ${#targets[@]} targets ran ${seconds}s without a failure"
