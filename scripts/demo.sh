#!/usr/bin/env bash
# The main job: the application in a fresh simulated device captures a real NMEA recording fed
# at 9600 baud, driven through its touch screen, and leaves its log, configuration, counters
# and a screenshot. Usage: scripts/demo.sh BUILD_DIR [RECORDING]
set -euo pipefail

build=${1:?usage: scripts/demo.sh BUILD_DIR [RECORDING]}
input=${2:-data/marineapi_Navibe-GM720.txt}
bin=$build/bin
sim=$bin/fixtrail-sim
root=$(mktemp -d /tmp/fixtrail-demo-XXXXXX)
app_pid=
feed_pid=

finish() {
    if [[ -n $feed_pid ]]; then
        kill "$feed_pid" 2>/dev/null || true
    fi
    if [[ -n $app_pid ]]; then
        kill "$app_pid" 2>/dev/null || true
    fi
}
trap finish EXIT

# Polls a condition for up to 10 s.
wait_for() {
    local what=$1
    shift
    for ((i = 0; i < 100; ++i)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    echo "demo: timed out waiting for $what" >&2
    exit 1
}
owner_is_app() {
    [[ -s $root/var/run/uipidshm ]] &&
        (($(od -An -tu4 -N4 "$root/var/run/uipidshm" | tr -d ' ') == app_pid))
}
# Touch coordinates of the main screen at 320x240 (CMainScreen's layout).
tap() { "$sim" tap "$root" "$1" "$2" --wait; }
yes_radio=(197 82)
start_stop=(41 215)
exit_button=(275 215)

"$sim" run "$root" --size 320x240 >"$root/app.out" 2>&1 &
app_pid=$!
# run forks the application; wait until it owns the display and has drawn its screen.
wait_for "the application to take the display" test -s "$root/var/run/uipidshm"
screen_drawn() { [[ -n $(tr -d '\0' <"$root/dev/fb" | head -c 1) ]]; }
wait_for "the first picture" screen_drawn

tap "${yes_radio[@]}"
tap "${start_stop[@]}"
bytes=$(wc -c <"$input")
echo "== feeding $input ($bytes bytes) at 9600 baud, about $((bytes / 960)) s =="
"$sim" feed "$root" "$input" --baud 9600
# The whole recording went in once: the log must become exactly what the decoder makes of it.
expected=$root/expected.nmea
"$bin/fixtrail-decode" "$input" >"$expected"
log=$root/mnt/sdcard/fixtrail/nmea_0000.nmea
log_complete() { cmp -s "$expected" "$log"; }
wait_for "the log to hold every sentence" log_complete
tap "${start_stop[@]}"
sleep 0.5 # the stop and its redraw are handled before the next touch is read
shot=$root/screenshot.png
"$sim" shot "$root" "$shot"
# run's child, the application itself, is the pid in the owner word; its peak resident memory
# over the capture, read just before Exit ends it.
fixtrail_pid=$(od -An -tu4 -N4 "$root/var/run/uipidshm" | tr -d ' ')
peak=$(awk '/^VmHWM/ {print $2, $3}' "/proc/$fixtrail_pid/status" 2>/dev/null || true)
tap "${exit_button[@]}"
status=0
wait "$app_pid" || status=$?
app_pid=

card=$root/mnt/sdcard/fixtrail
echo "== application exit status: $status =="
echo "device root:   $root"
echo "peak memory:   ${peak:-unknown} resident (VmHWM of fixtrail before Exit)"
echo "screenshot:    $shot"
echo "configuration: $card/config.txt"
sed 's/^/    /' "$card/config.txt"
echo "log:           $log ($(grep -c '^\$' "$log" || true) sentences, $(wc -c <"$log") bytes," \
    "identical to fixtrail-decode of the fed bytes)"
echo "== counters (fixtrail-decode --counts of the fed bytes; the screen shows the same) =="
# The counts go to standard error, shown here; the decoded log on standard output is not.
# shellcheck disable=SC2069
"$bin/fixtrail-decode" --counts "$input" 2>&1 >/dev/null
