#!/usr/bin/env bash
# Installs the Debian 12 packages a build needs, and only those that are missing.
#
#   scripts/install-deps.sh [--check] [host|arm|fuzz|lint|all]...    (default: host)
#
#   host  native toolchain, libraries, test and tooling packages
#   fuzz  clang with its libFuzzer and sanitizer runtimes
#   lint  clang-tidy and shellcheck
#   arm   the 32-bit ARM cross compilers (armhf, armel) and qemu-arm; the target libraries come
#         from a sysroot of their own (scripts/make-sysroot.sh), not from installed packages
#   all   all of the above
#
# Runs as root (no sudo) or as a user with nothing to install. `apt-get update` runs once, and
# only when something has to be installed. --check lists what is missing and exits 1 if anything
# is, without installing.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive

readonly KHostPackages=(make cmake ninja-build g++ pkg-config libfreetype-dev libgtest-dev libgmock-dev
    libbenchmark-dev libpng-dev libsdl2-dev fonts-dejavu-core valgrind clang-format help2man gpsbabel)
readonly KFuzzPackages=(clang libclang-rt-14-dev)
readonly KLintPackages=(clang-tidy shellcheck)
readonly KArmToolPackages=(g++-arm-linux-gnueabihf g++-arm-linux-gnueabi qemu-user)

Usage() {
    sed -n '2,15s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

checkOnly=0
wantHost=0
wantFuzz=0
wantArm=0
wantLint=0
for arg in "$@"; do
    case "$arg" in
        --check) checkOnly=1 ;;
        host) wantHost=1 ;;
        fuzz) wantFuzz=1 ;;
        arm) wantArm=1 ;;
        lint) wantLint=1 ;;
        all) wantHost=1 wantFuzz=1 wantArm=1 wantLint=1 ;;
        -h | --help) Usage ;;
        *) echo "install-deps: unknown group '$arg'" >&2; Usage ;;
    esac
done
if ((wantHost + wantFuzz + wantArm + wantLint == 0)); then
    wantHost=1
fi

if ! command -v dpkg-query > /dev/null; then
    echo "install-deps: dpkg-query not found; this script knows Debian's packages only" >&2
    exit 1
fi
KNativeArch=$(dpkg --print-architecture)
readonly KNativeArch

# True when the package is installed for the host (or is an "all" one): a multiarch package
# installed only for another architecture does not count.
IsInstalled() {
    local name=$1 line
    local status
    status=$(dpkg-query -W -f='${Status}|${Architecture}\n' "$name" 2> /dev/null) || return 1
    while IFS= read -r line; do
        [[ $line == "install ok installed|"* ]] || continue
        case "${line#*|}" in
            "$KNativeArch" | all) return 0 ;;
        esac
    done <<< "$status"
    return 1
}

# Names of the given packages that are not installed, one per line.
Missing() {
    local name
    for name in "$@"; do
        IsInstalled "$name" || echo "$name"
    done
}

missingHost=()
missingTools=()
if ((wantHost)); then
    mapfile -t missingHost < <(Missing "${KHostPackages[@]}")
fi
if ((wantFuzz)); then
    mapfile -t -O "${#missingTools[@]}" missingTools < <(Missing "${KFuzzPackages[@]}")
fi
if ((wantLint)); then
    mapfile -t -O "${#missingTools[@]}" missingTools < <(Missing "${KLintPackages[@]}")
fi
if ((wantArm)); then
    mapfile -t -O "${#missingTools[@]}" missingTools < <(Missing "${KArmToolPackages[@]}")
fi

allMissing=("${missingHost[@]}" "${missingTools[@]}")
if ((${#allMissing[@]} == 0)); then
    echo "install-deps: everything needed is installed"
    exit 0
fi
echo "install-deps: missing: ${allMissing[*]}"
if ((checkOnly)); then
    exit 1
fi
if ((EUID != 0)); then
    echo "install-deps: run as root to install them (apt-get needs it)" >&2
    exit 1
fi

readonly KApt=(apt-get -y -q -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold)

# A list that fails (a mirror in mid-sync, say) leaves apt with the others; only a package that
# then cannot be had fails the step, below.
echo "install-deps: apt-get update"
if ! apt-get -q update; then
    echo "install-deps: some package lists could not be had; going on with those that came" >&2
fi
# The host set keeps its recommends (gdb for valgrind, among others); the rest needs none.
if ((${#missingHost[@]})); then
    echo "install-deps: apt-get install ${missingHost[*]}"
    "${KApt[@]}" install "${missingHost[@]}"
fi
if ((${#missingTools[@]})); then
    echo "install-deps: apt-get install --no-install-recommends ${missingTools[*]}"
    "${KApt[@]}" install --no-install-recommends "${missingTools[@]}"
fi

stillMissing=$(Missing "${allMissing[@]}")
if [[ -n $stillMissing ]]; then
    echo "install-deps: still missing after install: ${stillMissing//$'\n'/ }" >&2
    exit 1
fi
echo "install-deps: done"
