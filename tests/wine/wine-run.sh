#!/bin/sh
# Runs a Windows program of the build under Wine, in the build's own Wine prefix and with a
# private X display (message boxes need one), making both on first use. Time zone and locale
# are pinned so that dates, times and file names come out the same on every machine.
set -eu

root=${SCRIVTREE_WINE_ROOT:-$(pwd)/wine}
display=${SCRIVTREE_DISPLAY:-:93}
mkdir -p "$root"

export WINEPREFIX="$root/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export TZ=America/New_York
export LANG=en_US.UTF-8
export LC_CTYPE=C.UTF-8
# SCRIVTREE_NO_DISPLAY=1 runs without a display, where a message box returns at once.
if [ "${SCRIVTREE_NO_DISPLAY:-}" = 1 ]; then
    unset DISPLAY
else
    export DISPLAY="$display"
fi

wine=$(command -v wine || command -v wine-stable || echo /usr/lib/wine/wine)
wineserver=$(command -v wineserver || command -v wineserver-stable || echo /usr/lib/wine/wineserver)

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
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$root/prefix-ready" ] && return
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    # No window manager: without this Wine waits two seconds whenever a window closes.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&-
    # A crash must fail the test, not open a dialog that waits forever.
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1 9>&-
    touch "$root/prefix-ready"
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
    if setsid "$wineserver" -p30 </dev/null >/dev/null 2>&1 9>&-; then
        "$wine" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$root/setup.lock"

if mountpoint -q "$full_disk"; then
    export SCRIVTREE_FULL_DISK="Z:$(echo "$full_disk" | tr / '\\')"
fi

exec "$wine" "$@"
