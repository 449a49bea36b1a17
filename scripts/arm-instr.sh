#!/usr/bin/env bash
# Counts the ARM instructions a program of an ARM build executes, whole process, under qemu-arm
# on the oldest core of its architecture, with the plugin bench/qemu/InsnCount.c (built here with
# the host's compiler). Prints the count alone on standard output; the program's own output goes
# to standard error.
#
#   scripts/arm-instr.sh armhf|armel PROGRAM [ARGUMENT...]
#
# PROGRAM is a name in build-<arch>/bin (make armhf or make armel builds them). A loop's cost per
# unit is the difference of two runs that differ only in repetitions, e.g.
#   a=$(scripts/arm-instr.sh armel app_instr shown 1); b=$(scripts/arm-instr.sh armel app_instr shown 3)
#   echo $(( (b - a) / (2 * 1043) ))       # instructions a sentence (1,043 sentences a repetition)
set -euo pipefail

cd "$(dirname "$0")/.."
if (($# < 2)); then
    sed -n '2,13s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
arch=$1
program=$2
shift 2
case "$arch" in
    armhf) cpu=cortex-a8 ;;
    armel) cpu=arm926 ;;
    *) echo "arm-instr: unknown architecture '$arch' (armhf or armel)" >&2; exit 2 ;;
esac
binary=build-$arch/bin/$program
if [[ ! -x $binary ]]; then
    echo "arm-instr: no $binary: run make $arch first" >&2
    exit 1
fi

plugin=build-$arch/insn-count.so
if [[ ! -f $plugin || bench/qemu/InsnCount.c -nt $plugin ]]; then
    cc -shared -fPIC -O2 -Wall -Wextra -Werror -o "$plugin" bench/qemu/InsnCount.c
fi

result=$(mktemp)
trap 'rm -f "$result"' EXIT
status=0
qemu-arm -cpu "$cpu" -plugin "$plugin" "$binary" "$@" 1>&2 2> "$result" || status=$?
grep -v '^insn-count: ' "$result" >&2 || true
if ((status != 0)); then
    echo "arm-instr: $program exited with $status" >&2
    exit "$status"
fi
sed -n 's/^insn-count: \([0-9]*\) guest instructions$/\1/p' "$result"
