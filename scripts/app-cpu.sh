#!/usr/bin/env bash
# The application's CPU time per handled sentence in a real run: the program in a fresh
# simulated device, Start tapped (decoding on), the bundled recordings fed as fast as it takes
# them (a baud rate far above what it reads), until its log holds every sentence. CPU time is
# the program's user + system time from /proc over the capture, divided by the sentences.
# Usage: scripts/app-cpu.sh BUILD_DIR [REPEAT] [SIZE] [SKIN_DIR]
#   REPEAT: how many times the recordings are fed one after the other (default 5)
#   SIZE: screen geometry (default 320x240); SKIN_DIR: skin to install (default the sample;
#   an empty directory gives the fixed font)
set -euo pipefail

build=${1:?usage: scripts/app-cpu.sh BUILD_DIR [REPEAT] [SIZE] [SKIN_DIR]}
repeat=${2:-5}
size=${3:-320x240}
skin=${4:-}
bin=$build/bin
sim=$bin/fixtrail-sim
root=$(mktemp -d /tmp/fixtrail-cpu-XXXXXX)
app_pid=

finish() {
    if [[ -n $app_pid ]]; then
        kill "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$root"
}
trap finish EXIT

wait_for() {
    local what=$1
    shift
    for ((i = 0; i < 600; ++i)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    echo "app-cpu: timed out waiting for $what" >&2
    exit 1
}

# The recordings (as the benchmarks take them), REPEAT times over.
input=$root/feed.nmea
for ((i = 0; i < repeat; ++i)); do
    for file in data/*; do
        [[ -f $file && $file != *.md && $file != *.raw && $file != *.counts &&
            $file != *.decoded ]] && cat "$file" >>"$input"
    done
done
expected=$root/expected.nmea
"$bin/fixtrail-decode" "$input" >"$expected"
sentences=$(grep -c '^\$' "$expected" || true)

skin_args=()
[[ -n $skin ]] && skin_args=(--skin "$skin")
"$sim" run "$root" --size "$size" "${skin_args[@]}" >"$root/app.out" 2>&1 &
app_pid=$!
wait_for "the application to take the display" test -s "$root/var/run/uipidshm"
fixtrail_pid=$(od -An -tu4 -N4 "$root/var/run/uipidshm" | tr -d ' ')
wait_for "the first picture" test -n "$(tr -d '\0' <"$root/dev/fb" | head -c 1)"

read -r width height < <(echo "$size" | tr 'x' ' ')
# CMainScreen's layout: the "yes" radio button and Start, at any size.
"$sim" tap "$root" $((width / 2 + (width / 4 - 5) / 2)) 82 --wait
"$sim" tap "$root" $((5 + (width - 25) / 8)) $((height - 25)) --wait

cpu_ticks() { awk '{print $14 + $15}' "/proc/$fixtrail_pid/stat"; }
log=$root/mnt/sdcard/fixtrail/nmea_0000.nmea
log_complete() { cmp -s "$expected" "$log"; }
before=$(cpu_ticks)
start=$(date +%s.%N)
"$sim" feed "$root" "$input" --baud 4000000
wait_for "the log to hold every sentence" log_complete
after=$(cpu_ticks)
end=$(date +%s.%N)
ticks=$(getconf CLK_TCK)

awk -v s="$sentences" -v t=$((after - before)) -v hz="$ticks" -v a="$start" -v b="$end" \
    -v size="$size" 'BEGIN {
    cpu = t / hz; wall = b - a;
    printf "%s: %d sentences in %.2f s (%.0f a second); application CPU %.2f s, %.1f us a sentence\n",
        size, s, wall, s / wall, cpu, 1e6 * cpu / s }'
