#!/usr/bin/env bash
# Makes the private sysroot a cross build links against: the target architecture's Debian
# packages, downloaded and unpacked into build-sysroot/<arch>/, never installed. The host's
# packages and their versions never meet the target's, so a host update (or an armhf list that
# is out of step with the host's) cannot break the ARM build.
#
#   scripts/make-sysroot.sh ARCH...     (ARCH: armhf, armel)
#
# Needs no root: apt-get runs with a state directory of its own beside the sysroot and reads the
# host's sources. A list that fails to download is reported and the step goes on with the lists
# it got; it fails only when a package it needs cannot be had. A sysroot made from the same
# package list is kept as it is.
set -euo pipefail

# Headers and static libraries of what the ARM programs link: FreeType with what it pulls in
# (libpng, zlib, brotli), and GoogleTest for the tests (its CMake package names gmock too). The
# runtime packages keep the -dev packages' symlinks from dangling.
readonly KPackages=(libfreetype-dev libfreetype6 libpng-dev libpng16-16 zlib1g-dev zlib1g
    libbrotli-dev libbrotli1 libgtest-dev libgmock-dev)

Usage() {
    sed -n '2,12s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

Fail() {
    echo "make-sysroot: $*" >&2
    exit 1
}

# MakeSysroot ARCH: the sysroot of one architecture, made anew when its package list changed.
MakeSysroot() {
    local arch=$1
    local top
    top=$(cd "$(dirname "$0")/.." && pwd)/build-sysroot/$arch
    local stamp=$top/.complete
    local wanted="${KPackages[*]}"
    if [[ -f $stamp && $(head -n 1 "$stamp") == "$wanted" ]]; then
        echo "make-sysroot: build-sysroot/$arch is up to date"
        return 0
    fi

    local state=$top/apt
    rm -rf "$top"
    mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/debs" "$top/root"
    : > "$state/status"
    local apt=(-q -o "Dir::State::Lists=$state/lists" -o "Dir::State::status=$state/status"
        -o "Dir::Cache=$state/cache" -o "APT::Architecture=$arch" -o "APT::Architectures::=$arch"
        -o Debug::NoLocking=1 -o APT::Sandbox::User=root)

    echo "make-sysroot: $arch package lists"
    if ! apt-get "${apt[@]}" update; then
        echo "make-sysroot: some $arch lists could not be had; going on with those that came" >&2
    fi

    local missing=() name
    for name in "${KPackages[@]}"; do
        if ! apt-cache "${apt[@]}" show "$name" > /dev/null 2>&1; then
            missing+=("$name")
        fi
    done
    if ((${#missing[@]})); then
        Fail "no $arch package ${missing[*]} in the lists that came; check the network and" \
            "/etc/apt/sources.list.d, then run it again"
    fi

    echo "make-sysroot: downloading ${KPackages[*]}"
    (cd "$state/debs" && apt-get "${apt[@]}" download "${KPackages[@]/%/:$arch}") ||
        Fail "a $arch package could not be downloaded"
    local deb
    for deb in "$state/debs"/*.deb; do
        dpkg-deb -x "$deb" "$top/root"
    done
    {
        echo "$wanted"
        for deb in "$state/debs"/*.deb; do
            basename "$deb"
        done
    } > "$stamp"
    rm -rf "$state/cache" "$state/debs"
    echo "make-sysroot: build-sysroot/$arch ready"
}

if (($# == 0)); then
    Usage
fi
for arch in "$@"; do
    case "$arch" in
        armhf | armel) MakeSysroot "$arch" ;;
        -h | --help) Usage ;;
        *) Fail "unknown architecture '$arch' (armhf or armel)" ;;
    esac
done
