#!/bin/bash
# A listing run from the dialog against the same job from the command line, under Wine, on the
# benchmark's trees T1 (-s -f) and T2 (-f -sort name); see docs/benchmarks-dialog-run.md.
#
#   bash bench/dialog_run.sh [--work-dir DIR] [--trees DIR] [--rounds N] [--dialog-runs N]
#                            [--cpu N|last|none] [--display-cpu N] [--display :N]
#                            [--builds "win32 win64"] [--exe PATH] [--extra-titles N]
#                            [--long] [--report-only]
#
# Builds Scrivtree and bench/dialog_run.cpp for each build (the 32-bit one only where this
# kernel runs 32-bit programs), or times the program --exe names with the bench of its build.
# The bench runs on a private X display in a Wine root of its own, everything on one processor
# and, where this user can make one, in a control group that counts the processor time of the
# bench's processes. --display-cpu N puts the X server on processor N instead, outside the
# accounting group: there it stands for what Windows' compositor and the graphics card do, and
# only the program's own drawing shares the run's processor. --extra-titles N makes the dialog
# show its counts in its title N more times at every Go (see bench/dialog_run.cpp). --long adds
# a longer run, T4 (-s, 100,001 folders and no files, about six times as long as T1). Prints the
# tables and keeps each build's runs in WORK_DIR/results-BUILD.json and the output files' closes
# in WORK_DIR/closes-BUILD.log; --report-only prints the tables of those kept there.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
work_dir=/tmp/scrivtree-drbench
trees=/tmp/scrivtree-bench/trees
rounds=15
dialog_runs=2
cpu=last
display_cpu=
display=:97
builds="win32 win64"
exe=
extra_titles=0
long=
report_only=

usage() {
    sed -n '5,8p' "$0" | sed 's/^#//' >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case $1 in
    --work-dir) [ $# -ge 2 ] || usage; work_dir=$2; shift 2 ;;
    --trees) [ $# -ge 2 ] || usage; trees=$2; shift 2 ;;
    --rounds) [ $# -ge 2 ] || usage; rounds=$2; shift 2 ;;
    --dialog-runs) [ $# -ge 2 ] || usage; dialog_runs=$2; shift 2 ;;
    --cpu) [ $# -ge 2 ] || usage; cpu=$2; shift 2 ;;
    --display-cpu) [ $# -ge 2 ] || usage; display_cpu=$2; shift 2 ;;
    --display) [ $# -ge 2 ] || usage; display=$2; shift 2 ;;
    --builds) [ $# -ge 2 ] || usage; builds=$2; shift 2 ;;
    --exe) [ $# -ge 2 ] || usage; exe=$(realpath "$2"); shift 2 ;;
    --extra-titles) [ $# -ge 2 ] || usage; extra_titles=$2; shift 2 ;;
    --long) long=1; shift ;;
    --report-only) report_only=1; shift ;;
    *) usage ;;
    esac
done
for arch in $builds; do
    case $arch in win32 | win64) ;; *) usage ;; esac
done

began=$(date +%s)
mkdir -p "$work_dir/out"
work_dir=$(cd "$work_dir" && pwd)
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
. "$repo/scripts/wine-env.sh"
if [ -n "$exe" ]; then
    case $(pe_kind "$exe") in
    PE32) builds=win32 ;;
    PE32+) builds=win64 ;;
    *) echo "dialog_run.sh: $exe is not a Windows program" >&2; exit 2 ;;
    esac
fi

windows_path() {
    echo "Z:$1" | tr / '\\'
}

# The trees of bench/run.sh where they are made already, with the counts this bench expects;
# otherwise made here. The generator remakes trees of another version, so it is never pointed at
# a folder that another bench owns.
choose_trees() {
    counts=$(python3 - "$trees" <<'EOF'
import json, sys
try:
    trees = json.load(open(sys.argv[1] + "/manifest.json"))["trees"]
    print(*(trees[t][key] for t in ("t1", "t2", "t4") for key in ("folders", "files")))
except (OSError, KeyError, ValueError):
    print("none")
EOF
)
    if [ "$counts" != "11111 111110 1 200000 100001 0" ]; then
        trees=$work_dir/trees
        python3 "$repo/bench/generate_trees.py" "$trees"
    fi
    echo "dialog_run.sh: trees in $trees"
}

# The accounting group: a control group of the bench's processes whose processor time it reads
# (cgroup v1 cpuacct, else cgroup v2); none where this user cannot make one.
group=
clock=
group_home=
make_group() {
    if [ -f /sys/fs/cgroup/cpuacct/cpuacct.usage ]; then
        home=/sys/fs/cgroup/cpuacct$(sed -n 's/^[0-9]*:\([^:]*,\)*cpuacct\(,[^:]*\)*://p' /proc/$$/cgroup)
        file=cpuacct.usage
    else
        home=$(awk '$3 == "cgroup2" { print $2; exit }' /proc/mounts)
        [ -n "$home" ] || return 0
        home=$home$(sed -n 's/^0:://p' /proc/$$/cgroup)
        file=cpu.stat
    fi
    home=${home%/}
    mkdir "$home/scrivtree-dialog-run-$$" 2>/dev/null || return 0
    group=$home/scrivtree-dialog-run-$$
    group_home=$home
    clock=$group/$file
}

# Puts the process on the processor and in the accounting group.
adopt() {
    [ -z "$cpu" ] || taskset -cp "$cpu" "$1" >/dev/null 2>&1 || true
    [ -z "$group" ] || echo "$1" >"$group/cgroup.procs" 2>/dev/null || true
}

# Processes of a Wine prefix of the bench started before this run: the server outlives its last
# program by 30 s, and Wine's services live as long as it.
adopt_prefix() {
    for environment in /proc/[0-9]*/environ; do
        if { tr '\0' '\n' <"$environment"; } 2>/dev/null | grep -qxF "WINEPREFIX=$1"; then
            pid=${environment#/proc/}
            adopt "${pid%/environ}"
        fi
    done
}

wine_root=$work_dir/wine
display_pid=
watcher=
# Stops what this run started: the watcher, the display with the Wine servers drawing on it; and
# gives the accounting group's processes back to the group they came from.
clean_up() {
    [ -z "$watcher" ] || kill "$watcher" 2>/dev/null || true
    if [ -n "$display_pid" ]; then
        for arch in win32 win64; do
            if [ -d "$wine_root/$arch" ]; then
                WINEPREFIX=$wine_root/$arch "$server" -k >/dev/null 2>&1 || true
            fi
        done
        kill "$display_pid" 2>/dev/null || true
    fi
    if [ -n "$group" ]; then
        for _ in 1 2 3; do
            while read -r pid; do
                echo "$pid" >"$group_home/cgroup.procs" 2>/dev/null || true
            done <"$group/cgroup.procs"
            rmdir "$group" 2>/dev/null && break
            sleep 1
        done
    fi
}

# Builds and times every build asked for.
measure() {
    for command in cmake python3 taskset Xvfb xdpyinfo i686-w64-mingw32-g++-posix \
        x86_64-w64-mingw32-g++-posix; do
        command -v "$command" >/dev/null || { bash "$repo/scripts/install-deps.sh"; break; }
    done
    choose_trees
    # The folder of one file whose runs give the start-up cost.
    one=$work_dir/one
    mkdir -p "$one"
    [ "$(ls -A "$one")" = one.txt ] || { rm -rf "${one:?}"/*; echo one >"$one/one.txt"; }

    case $cpu in
    none) cpu= ;;
    last) cpu=$(taskset -cp $$ | sed 's/.*: //' | tr ',' '\n' | sed 's/.*-//' | sort -n | tail -1) ;;
    esac
    [ -z "$cpu" ] || taskset -cp "$cpu" $$ >/dev/null
    trap clean_up EXIT

    # The closes of the output files, stamped outside Wine by a watcher on the same processor,
    # but outside the accounting group, which it reads at every close.
    make_group
    closes=$work_dir/closes.log
    rm -f "$closes"
    python3 "$repo/bench/dialog_run.py" watch "$work_dir/out" "$closes" "${clock:-none}" &
    watcher=$!
    for _ in $(seq 100); do
        [ ! -s "$closes" ] || break
        sleep 0.05
    done
    [ -s "$closes" ] || { echo "dialog_run.sh: the watcher did not start" >&2; exit 1; }

    # Everything started from here on is on the processor and in the group: the display, the
    # Wine servers and services of the bench's prefixes, the bench and the programs it starts.
    adopt $$
    start_display "$display"
    x_server=$display_pid
    if [ -z "$x_server" ] && [ -f "/tmp/.X${display#:}-lock" ]; then
        x_server=$(tr -d ' ' <"/tmp/.X${display#:}-lock")
        adopt "$x_server"
    fi
    if [ -n "$display_cpu" ] && [ -n "$x_server" ]; then
        taskset -cp "$display_cpu" "$x_server" >/dev/null
        [ -z "$group" ] || echo "$x_server" >"$group_home/cgroup.procs"
    fi
    echo "dialog_run.sh: processor ${cpu:-any}, X server on ${display_cpu:-the same};" \
        "processor time from ${clock:-nowhere}"

    export SCRIVTREE_WINE_ROOT=$wine_root SCRIVTREE_DISPLAY=$display
    unset SCRIVTREE_NO_DISPLAY
    for arch in $builds; do
        triplet=x86_64
        if [ "$arch" = win32 ]; then
            if ! runs_32bit; then
                echo "dialog_run.sh: no 32-bit build: this kernel runs no 32-bit program"
                continue
            fi
            triplet=i686
        fi
        build=$repo/build/dialog-run-$arch
        cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw-$triplet.cmake" >/dev/null
        cmake --build "$build" -j2 --target Scrivtree dialog_run_bench >/dev/null
        program=${exe:-$build/Scrivtree.exe}

        adopt_prefix "$wine_root/$arch"
        echo "dialog_run.sh: $arch, $rounds rounds, load $(cut -d' ' -f1-3 /proc/loadavg)"
        set -- "$(windows_path "$program")" "$(windows_path "$one")" \
            "$(windows_path "$work_dir/out")" "$rounds" "$dialog_runs" \
            "T1|$(windows_path "$trees/t1")|3|-s -f" \
            "T2|$(windows_path "$trees/t2")|2|-f -sort name"
        [ -z "$long" ] || set -- "$@" "T4|$(windows_path "$trees/t4")|1|-s"
        set -- --extra-titles "$extra_titles" "$@"
        [ -z "$clock" ] || set -- --cpu-clock "$(windows_path "$clock")" "$@"
        "$repo/scripts/wine-run.sh" "$build/dialog_run_bench.exe" "$@" \
            2> >(grep -v 'FS volume label' >&2) >"$work_dir/results-$arch.json.new"
        mv "$work_dir/results-$arch.json.new" "$work_dir/results-$arch.json"
        cp "$closes" "$work_dir/closes-$arch.log"
        ran="$ran $arch"
    done
}

ran=
if [ -n "$report_only" ]; then
    for arch in $builds; do
        [ ! -f "$work_dir/results-$arch.json" ] || ran="$ran $arch"
    done
else
    measure
    [ -z "$ran" ] || {
        date -u '+%Y-%m-%d %H:%M'
        echo "$load_at_start"
        cut -d' ' -f1-3 /proc/loadavg
        git -C "$repo" describe --always --dirty
    } >"$work_dir/facts"
fi
[ -n "$ran" ] || { echo "dialog_run.sh: no build could be run" >&2; exit 1; }

# shellcheck disable=SC2086
python3 "$repo/bench/dialog_run.py" report "$work_dir" $ran
echo "dialog_run.sh: done in $(($(date +%s) - began)) s"
