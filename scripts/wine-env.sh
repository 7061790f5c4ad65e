# What every Wine run of this project shares, sourced by scripts/wine-run.sh and bench/run.sh:
# the loaders, how to tell a program's architecture and whether this kernel runs 32-bit
# programs, the pinned environment, and a virtual display.
#
# Some kernels run no 32-bit program ("32-bit emulation disabled"). SCRIVTREE_NO_32BIT=1 makes
# these functions act as on such a kernel, so that the 64-bit fallback can be tried anywhere.

loader32=/usr/lib/wine/wine
loader64=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=/usr/lib/wine/wineserver32

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

# Sets arch (win32 or win64) and loader for the program, or prints why this machine cannot run
# it and returns 1.
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
}

# Exports the environment of a run in the prefix for the architecture chosen: time zone and
# locale pinned, so that dates, times and file names come out the same on every machine.
wine_environment() {
    export WINEPREFIX="$1"
    export WINEARCH=$arch
    export WINELOADER=$loader
    export WINESERVER=$server
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export TZ=America/New_York
    export LANG=en_US.UTF-8
    export LC_CTYPE=C.UTF-8
}

# What configure_prefix gives a prefix, by number: a prefix set up by an older one is set up
# again.
prefix_setup=2

# Gives the prefix of wine_environment what every run of this project needs, as a Windows 10
# machine has it:
# - Wine's own fonts, which a new prefix may not find: Marlett draws the caption's buttons
#   (without it the close box shows an "r"), Tahoma stands for Microsoft Sans Serif;
# - the dialogs' "MS Shell Dlg" drawn with that font, linked to a font with CJK letters as
#   Windows links its shell font to fonts of other scripts;
# - no window manager: without Managed=N Wine waits two seconds whenever a window closes;
# - a crash fails the run instead of opening a dialog that waits forever.
configure_prefix() {
    fonts=$WINEPREFIX/drive_c/windows/Fonts
    mkdir -p "$fonts"
    for font in /usr/share/wine/fonts/*; do
        [ -e "$fonts/${font##*/}" ] || cp "$font" "$fonts/"
    done
    settings=$WINEPREFIX/scrivtree-settings.reg
    cat >"$settings" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS Shell Dlg"="Tahoma"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]
; "wqy-microhei.ttc,WenQuanYi Micro Hei", a multi-string
"Tahoma"=hex(7):77,71,79,2d,6d,69,63,72,6f,68,65,69,2e,74,74,63,2c,57,65,6e,\
  51,75,61,6e,59,69,20,4d,69,63,72,6f,20,48,65,69,00,00
REG
    "$loader" regedit /S "$(winepath_of "$settings")" </dev/null >/dev/null 2>&1 9>&-
    echo "$prefix_setup" >"$WINEPREFIX/.scrivtree-setup"
}

# Whether the prefix of wine_environment has the set-up of configure_prefix.
prefix_configured() {
    [ "$(cat "$WINEPREFIX/.scrivtree-setup" 2>/dev/null)" = "$prefix_setup" ]
}

# The Windows path of a Unix path, by Wine's mapping of / to Z:.
winepath_of() {
    echo "Z:$1" | tr / '\\'
}

# Starts Xvfb on the display unless one answers there; display_pid is its process then, and
# empty when one was already running.
start_display() {
    display_pid=
    if [ -e "/tmp/.X11-unix/X${1#:}" ] && DISPLAY=$1 xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    rm -f "/tmp/.X${1#:}-lock" "/tmp/.X11-unix/X${1#:}"
    setsid Xvfb "$1" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
    display_pid=$!
    for _ in $(seq 300); do
        DISPLAY=$1 xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on $1" >&2
    return 1
}
