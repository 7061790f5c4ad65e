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
# SCRIVTREE_NO_DISPLAY=1. Time zone and locale are pinned so that dates, times and file names
# come out the same on every machine.
#
# Some kernels run no 32-bit program ("32-bit emulation disabled"). SCRIVTREE_NO_32BIT=1 makes
# this script act as on such a kernel, so that the 64-bit fallback can be tried on any machine.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
loader32=/usr/lib/wine/wine
loader64=/usr/lib/wine/wine64

# PE32 or PE32+ from the optional header's magic; empty when the file is no Windows program.
pe_kind() {
    [ -f "$1" ] || return 0
    pe=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$pe" ] || return 0
    [ "$(od -An -c -j "$pe" -N 2 "$1" | tr -d ' ')" = PE ] || return 0
    case $(od -An -t x2 -j $((pe + 24)) -N 2 "$1" | tr -d ' ') in
    010b) echo PE32 ;;
    020b) echo PE32+ ;;
    esac
}

# Whether this kernel starts the 32-bit loader at all.
runs_32bit() {
    [ "${SCRIVTREE_NO_32BIT:-}" != 1 ] && [ -x "$loader32" ] && "$loader32" --version >/dev/null 2>&1
}

# Sets arch, loader and server for the program, or prints why it cannot run and returns 1.
choose_loader() {
    case $(pe_kind "$1") in
    PE32)
        arch=win32
        loader=$loader32
        if [ "${SCRIVTREE_NO_32BIT:-}" = 1 ]; then
            echo "32-bit programs are switched off here (SCRIVTREE_NO_32BIT=1)"
            return 1
        fi
        [ -x "$loader" ] || { echo "the 32-bit Wine loader $loader is not installed"; return 1; }
        runs_32bit || { echo "this kernel runs no 32-bit program (32-bit emulation disabled)"; return 1; }
        ;;
    PE32+)
        arch=win64
        loader=$loader64
        [ -x "$loader" ] || { echo "the 64-bit Wine loader $loader is not installed"; return 1; }
        ;;
    *)
        echo "$1 is not a Windows program"
        return 1
        ;;
    esac
    server=/usr/lib/wine/wineserver64
    [ -x "$server" ] || server=/usr/lib/wine/wineserver32
}

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

export WINEPREFIX="$root/$arch"
export WINEARCH=$arch
export WINELOADER=$loader
export WINESERVER=$server
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export TZ=America/New_York
export LANG=en_US.UTF-8
export LC_CTYPE=C.UTF-8
if [ "${SCRIVTREE_NO_DISPLAY:-}" = 1 ]; then
    unset DISPLAY
else
    export DISPLAY="$display"
fi

start_display() {
    number=${display#:}
    if [ -e "/tmp/.X11-unix/X$number" ] && xdpyinfo >/dev/null 2>&1; then
        return
    fi
    rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
    setsid Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
    for _ in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return
        sleep 0.1
    done
    echo "wine-run: Xvfb did not start on $display" >&2
    exit 1
}

make_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.scrivtree-ready" ] && return
    "$loader" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    # No window manager: without this Wine waits two seconds whenever a window closes.
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >/dev/null 2>&1 9>&-
    # A crash must fail the test, not open a dialog that waits forever.
    "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1 9>&-
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
    [ "${SCRIVTREE_NO_DISPLAY:-}" = 1 ] || start_display
    make_prefix
    # A server that lasts 30 s past its last client. When it is new, Wine's background services
    # start with the next program and would hold on to that program's output, which keeps test
    # runners waiting; a first program with its output let go starts them instead.
    if setsid "$server" -p30 </dev/null >/dev/null 2>&1 9>&-; then
        "$loader" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$root/setup-$arch.lock"

if mountpoint -q "$full_disk"; then
    export SCRIVTREE_FULL_DISK="Z:$(echo "$full_disk" | tr / '\\')"
fi

exec "$loader" "$@"
