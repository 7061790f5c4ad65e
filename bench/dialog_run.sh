#!/bin/bash
# A listing run from the dialog against the same job from the command line, under Wine, on the
# benchmark's trees T1 (-s -f) and T2 (-f -sort name); see docs/benchmarks-dialog-run.md.
#
#   bash bench/dialog_run.sh [--work-dir DIR] [--trees DIR] [--rounds N] [--dialog-runs N]
#                            [--cpu N|last|none] [--display :N] [--builds "win32 win64"]
#                            [--report-only]
#
# Builds Scrivtree and bench/dialog_run.cpp for each build (the 32-bit one only where this
# kernel runs 32-bit programs), then runs the bench on a private X display in a Wine root of
# its own, everything on one processor. Prints a Markdown table and keeps each build's times in
# WORK_DIR/results-BUILD.json; --report-only prints the table of the times kept there.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
work_dir=/tmp/scrivtree-drbench
trees=/tmp/scrivtree-bench/trees
rounds=15
dialog_runs=2
cpu=last
display=:97
builds="win32 win64"
report_only=

usage() {
    sed -n '5,7p' "$0" | sed 's/^#//' >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case $1 in
    --work-dir) [ $# -ge 2 ] || usage; work_dir=$2; shift 2 ;;
    --trees) [ $# -ge 2 ] || usage; trees=$2; shift 2 ;;
    --rounds) [ $# -ge 2 ] || usage; rounds=$2; shift 2 ;;
    --dialog-runs) [ $# -ge 2 ] || usage; dialog_runs=$2; shift 2 ;;
    --cpu) [ $# -ge 2 ] || usage; cpu=$2; shift 2 ;;
    --display) [ $# -ge 2 ] || usage; display=$2; shift 2 ;;
    --builds) [ $# -ge 2 ] || usage; builds=$2; shift 2 ;;
    --report-only) report_only=1; shift ;;
    *) usage ;;
    esac
done

began=$(date +%s)
mkdir -p "$work_dir/out"
work_dir=$(cd "$work_dir" && pwd)
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
ran=
if [ -n "$report_only" ]; then
    for arch in $builds; do
        [ ! -f "$work_dir/results-$arch.json" ] || ran="$ran $arch"
    done
fi
. "$repo/scripts/wine-env.sh"

# Builds and times every build asked for; each build's times go to WORK_DIR/results-BUILD.json.
measure() {
    for command in cmake python3 taskset Xvfb xdpyinfo i686-w64-mingw32-g++-posix \
        x86_64-w64-mingw32-g++-posix; do
        command -v "$command" >/dev/null || { bash "$repo/scripts/install-deps.sh"; break; }
    done

    # The trees of bench/run.sh where they are made already, with the counts this bench expects;
    # otherwise made here. The generator remakes trees of another version, so it is never pointed
    # at a folder that another bench owns.
    tree_counts() {
        python3 - "$1" <<'EOF'
import json, sys
try:
    trees = json.load(open(sys.argv[1] + "/manifest.json"))["trees"]
    print(trees["t1"]["folders"], trees["t1"]["files"], trees["t2"]["folders"], trees["t2"]["files"])
except (OSError, KeyError, ValueError):
    print("none")
EOF
    }
    if [ "$(tree_counts "$trees")" != "11111 111110 1 200000" ]; then
        trees=$work_dir/trees
        python3 "$repo/bench/generate_trees.py" "$trees"
    fi
    echo "dialog_run.sh: trees in $trees"

    # The folder of one file whose runs give the start-up cost.
    one=$work_dir/one
    mkdir -p "$one"
    [ "$(ls -A "$one")" = one.txt ] || { rm -rf "${one:?}"/*; echo one >"$one/one.txt"; }

    case $cpu in
    none) cpu= ;;
    last) cpu=$(taskset -cp $$ | sed 's/.*: //' | tr ',' '\n' | sed 's/.*-//' | sort -n | tail -1) ;;
    esac
    # Everything this script starts from here on runs on that processor: the display, the Wine
    # server and Wine's services of the bench's own prefixes, the bench and the programs it starts.
    [ -z "$cpu" ] || taskset -cp "$cpu" $$ >/dev/null

    # Processes of the bench's Wine prefix started before this run (the server outlives its last
    # program by 30 s) are put on the processor too.
    pin_prefix() {
        [ -n "$cpu" ] || return 0
        for environment in /proc/[0-9]*/environ; do
            if { tr '\0' '\n' <"$environment"; } 2>/dev/null | grep -qxF "WINEPREFIX=$1"; then
                pid=${environment#/proc/}
                taskset -cp "$cpu" "${pid%/environ}" >/dev/null 2>&1 || true
            fi
        done
    }

    wine_root=$work_dir/wine
    display_pid=
    watcher=
    # Stops what this run started: the watcher, and the display with the Wine servers drawing
    # on it.
    clean_up() {
        [ -z "$watcher" ] || kill "$watcher" 2>/dev/null || true
        [ -n "$display_pid" ] || return 0
        for arch in win32 win64; do
            if [ -d "$wine_root/$arch" ]; then
                WINEPREFIX=$wine_root/$arch "$server" -k >/dev/null 2>&1 || true
            fi
        done
        kill "$display_pid" 2>/dev/null || true
    }
    trap clean_up EXIT
    start_display "$display"
    if [ -z "$display_pid" ] && [ -n "$cpu" ] && [ -f "/tmp/.X${display#:}-lock" ]; then
        taskset -cp "$cpu" "$(tr -d ' ' <"/tmp/.X${display#:}-lock")" >/dev/null 2>&1 || true
    fi

    windows_path() {
        echo "Z:$1" | tr / '\\'
    }

    for arch in $builds; do
        case $arch in
        win32)
            if ! runs_32bit; then
                echo "dialog_run.sh: no 32-bit build: this kernel runs no 32-bit program"
                continue
            fi
            triplet=i686 ;;
        win64) triplet=x86_64 ;;
        *) usage ;;
        esac
        build=$repo/build/dialog-run-$arch
        cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw-$triplet.cmake" >/dev/null
        cmake --build "$build" -j2 --target Scrivtree dialog_run_bench >/dev/null

        export SCRIVTREE_WINE_ROOT=$wine_root SCRIVTREE_DISPLAY=$display
        unset SCRIVTREE_NO_DISPLAY
        pin_prefix "$wine_root/$arch"
        echo "dialog_run.sh: $arch, $rounds rounds on processor ${cpu:-any}," \
            "load $(cut -d' ' -f1-3 /proc/loadavg)"
        # The closes of the output files, stamped outside Wine.
        closes=$work_dir/closes-$arch.log
        rm -f "$closes"
        python3 "$repo/bench/dialog_run.py" watch "$work_dir/out" "$closes" &
        watcher=$!
        for _ in $(seq 100); do
            [ ! -s "$closes" ] || break
            sleep 0.05
        done
        "$repo/scripts/wine-run.sh" "$build/dialog_run_bench.exe" \
            "$(windows_path "$build/Scrivtree.exe")" "$(windows_path "$one")" \
            "$(windows_path "$work_dir/out")" "$rounds" "$dialog_runs" \
            "T1|$(windows_path "$trees/t1")|3|-s -f" \
            "T2|$(windows_path "$trees/t2")|2|-f -sort name" \
            2> >(grep -v 'FS volume label' >&2) >"$work_dir/results-$arch.json.new"
        kill "$watcher"
        wait "$watcher" 2>/dev/null || true
        watcher=
        mv "$work_dir/results-$arch.json.new" "$work_dir/results-$arch.json"
        ran="$ran $arch"
    done
}
[ -n "$report_only" ] || measure
[ -n "$ran" ] || { echo "dialog_run.sh: no build could be run" >&2; exit 1; }

# shellcheck disable=SC2086
python3 "$repo/bench/dialog_run.py" report "$work_dir" "$repo" "$load_at_start" \
    "$(cut -d' ' -f1-3 /proc/loadavg)" $ran
echo "dialog_run.sh: done in $(($(date +%s) - began)) s"
