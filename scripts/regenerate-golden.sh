#!/bin/sh
# Rebuilds the expected logs beside each recording in data/ with fixtrail-decode:
#   <recording>.decoded  the log a capture run with frame decoding on writes from it
#   <recording>.raw      the same with decoding off (--raw)
#   <recording>.counts   the counter line that --counts prints with decoding on
# The golden-log tests compare a real capture run through the GPS feed with these files.
#
# A commit that changes an expected file must say why in its message (which behaviour moved,
# and that the new output was checked by eye); an unexplained change to a golden file hides
# exactly the regression these files are there to catch.
#
# Usage: scripts/regenerate-golden.sh [BUILD_DIR]   (default: build; it must be built)
set -eu

cd "$(dirname "$0")/.."
build=${1:-build}
decode="$build/bin/fixtrail-decode"
if [ ! -x "$decode" ]; then
    echo "regenerate-golden: $decode not found; build first" >&2
    exit 1
fi

for recording in data/*.txt data/*.log data/*.nmea; do
    [ -f "$recording" ] || continue
    base=$recording
    "$decode" "$recording" >"$base.decoded"
    "$decode" --raw --counts "$recording" >"$base.raw" 2>/dev/null
    "$decode" --counts "$recording" 2>"$base.counts" >/dev/null
    echo "$recording: $(cat "$base.counts")"
done
