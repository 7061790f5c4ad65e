#!/bin/sh
# The one place that runs a Windows program of this project under Wine.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]   run it; its exit code comes back
#   wine-run.sh --can-run PROGRAM.exe        exit 0 when this machine can run it; otherwise
#                                            print why on one line and exit 1
#
# The loader follows the program's own PE header: a 32-bit program (PE32) runs under `wine`,
# a 64-bit one (PE32+) under `wine64`. Each architecture has its own prefix below the Wine root
# (SCRIVTREE_WINE_ROOT, default build/wine of the repository), made on first use. A private X
# display (message boxes need one) is started on SCRIVTREE_DISPLAY (default :93) unless
# SCRIVTREE_NO_DISPLAY=1, which runs in a second prefix of the architecture, without display.
# Time zone and locale are pinned so that dates, times and file names come out the same on every
# machine.
#
# SCRIVTREE_NO_32BIT=1 makes it act as on a kernel that runs no 32-bit program (see
# scripts/wine-env.sh).
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh"

if [ "${1:-}" = --can-run ]; then
    [ $# -eq 2 ] || { echo "usage: wine-run.sh --can-run PROGRAM.exe" >&2; exit 2; }
    choose_loader "$2" >/dev/null && exit 0
    choose_loader "$2"
    exit 1
fi

[ $# -ge 1 ] || { echo "usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
if ! reason=$(choose_loader "$1"); then
    echo "wine-run: cannot run $1: $reason" >&2
    exit 126
fi
choose_loader "$1" >/dev/null

root=${SCRIVTREE_WINE_ROOT:-$repo/build/wine}
display=${SCRIVTREE_DISPLAY:-:93}
mkdir -p "$root"

# A run without a display gets a prefix of its own: Wine's desktop process, started by the first
# program of a prefix, lives on for the next ones, and one started without a display would leave
# later programs of the prefix no window at all.
prefix=$arch
if [ "${SCRIVTREE_NO_DISPLAY:-}" = 1 ]; then
    prefix=$arch-no-display
    unset DISPLAY
else
    export DISPLAY="$display"
fi
wine_environment "$root/$prefix"

make_prefix() {
    if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.scrivtree-ready" ]; then
        prefix_configured || configure_prefix
        return
    fi
    "$loader" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    configure_prefix
    # Each prefix holds its own copy of Wine's DLLs, about 0.6 GB (32-bit) or 1.3 GB (64-bit);
    # the copies in the other prefixes of this root are the same files, and are shared instead.
    # A test run then needs about 2 GB less disk.
    # Only prefixes already made take part: another one may be in the making.
    if command -v hardlink >/dev/null; then
        set -- "$WINEPREFIX/drive_c/windows"
        for ready in "$root"/*/.scrivtree-ready; do
            [ -f "$ready" ] && set -- "$@" "$(dirname "$ready")/drive_c/windows"
        done
        [ $# -gt 1 ] && hardlink --content --quiet --minimum-size 16384 "$@" 2>/dev/null || true
    fi
    touch "$WINEPREFIX/.scrivtree-ready"
}

# A small file system that fills up after 64 KiB: the tests' stand-in for a full disk. Mounting
# needs root; without it the tests that want a full disk are skipped.
full_disk=/tmp/scrivtree-full-disk
make_full_disk() {
    mkdir -p "$full_disk"
    mountpoint -q "$full_disk" || mount -t tmpfs -o size=64k tmpfs "$full_disk" 2>/dev/null || true
}

(
    flock 9
    make_full_disk
    [ "${SCRIVTREE_NO_DISPLAY:-}" = 1 ] || start_display "$display" || exit 1
    make_prefix
    # A server that lasts 30 s past its last client. When it is new, Wine's background services
    # start with the next program and would hold on to that program's output, which keeps test
    # runners waiting; a first program with its output let go starts them instead.
    if setsid "$server" -p30 </dev/null >/dev/null 2>&1 9>&-; then
        "$loader" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$root/setup-$prefix.lock"

if mountpoint -q "$full_disk"; then
    export SCRIVTREE_FULL_DISK="Z:$(echo "$full_disk" | tr / '\\')"
fi

exec "$loader" "$@"
