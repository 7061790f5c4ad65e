#!/bin/bash
# The bench of Scrivtree under Wine; see docs/benchmarks.md.
#
#   bash bench/run.sh [--rounds N] [--work-dir DIR] [--trees DIR] [--exe PATH] [--report FILE]
#                     [--baseline FILE] [--check-only] [--save-outputs DIR] [--cpu N|last|none]
#                     [--display :N] [--display-cpu N] [--dialog-runs N] [--extra-titles N] [--long]
#                     [--cases PATTERNS]
#
# Installs what is missing (scripts/install-deps.sh), builds Scrivtree (unless --exe names a
# build), the bench programs and, once, Scrivtree of old_commit for the start-up pair, makes the
# trees once (or takes those --trees names when they are of the generator's version), sets up
# the Wine prefixes and the X display, and runs bench/measure.py. A full run rewrites
# docs/benchmarks.md (docs/benchmarks-win64.md for the 64-bit build) unless --report names
# another file; the peak memory is held to that of --baseline, by default the report rewritten.
# --check-only runs and checks each case once, without timing or report; --cases runs those
# whose keys match the comma-separated shell patterns (see the report), and writes a report only
# where --report names one.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
work_dir=/tmp/scrivtree-bench
trees=
exe=
report=
cases=
baseline=
cpu=last
display=:96
# Start-up is held to that of the program built from this commit, timed side by side.
old_commit=9cf7bbe
options=()

usage() {
    sed -n '4,7p' "$0" | sed 's/^#//' >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case $1 in
    --check-only | --long) options+=("$1"); shift ;;
    --rounds | --save-outputs | --display-cpu | --dialog-runs | --extra-titles)
        [ $# -ge 2 ] || usage; options+=("$1" "$2"); shift 2 ;;
    --work-dir) [ $# -ge 2 ] || usage; work_dir=$2; shift 2 ;;
    --trees) [ $# -ge 2 ] || usage; trees=$(realpath "$2"); shift 2 ;;
    --exe) [ $# -ge 2 ] || usage; exe=$(realpath "$2"); shift 2 ;;
    --cases) [ $# -ge 2 ] || usage; cases=$2; options+=("$1" "$2"); shift 2 ;;
    --report) [ $# -ge 2 ] || usage; report=$2; shift 2 ;;
    --baseline) [ $# -ge 2 ] || usage; baseline=$2; shift 2 ;;
    --cpu) [ $# -ge 2 ] || usage; cpu=$2; shift 2 ;;
    --display) [ $# -ge 2 ] || usage; display=$2; shift 2 ;;
    *) usage ;;
    esac
done

began=$(date +%s)
mkdir -p "$work_dir/bin"
work_dir=$(cd "$work_dir" && pwd)
bash "$repo/scripts/install-deps.sh"
. "$repo/scripts/wine-env.sh"

# The 32-bit build where this kernel runs 32-bit programs, the 64-bit one otherwise; or the
# architecture of the program --exe names.
if { [ -z "$exe" ] && runs_32bit; } || { [ -n "$exe" ] && [ "$(pe_kind "$exe")" = PE32 ]; }; then
    arch=win32 triplet=i686-w64-mingw32 loader=$loader32
    build_name="32-bit (i686), the program users get"
    default_report=$repo/docs/benchmarks.md
else
    arch=win64 triplet=x86_64-w64-mingw32 loader=$loader64
    build_name="64-bit (x86_64)"
    if [ "${SCRIVTREE_NO_32BIT:-}" = 1 ]; then
        build_name="$build_name, with 32-bit programs switched off (SCRIVTREE_NO_32BIT=1)"
    elif [ -z "$exe" ]; then
        build_name="$build_name: this kernel runs no 32-bit program"
    fi
    default_report=$repo/docs/benchmarks-win64.md
fi
echo "run.sh: measuring the $build_name"
[ -n "$report" ] || [ -n "$cases" ] || report=$default_report

# The bench programs are built from this repository even when --exe names a program.
toolchain=$repo/cmake/toolchain-mingw-${triplet%%-*}.cmake
build=$repo/build/bench-$arch
targets=(navigator_bench dialog_run_bench)
[ -n "$exe" ] || targets+=(Scrivtree)
cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
exe=${exe:-$build/Scrivtree.exe}
compile() {
    $triplet-g++-posix -std=c++17 -O2 -static -municode -Wall -Wextra -Werror \
        -o "$work_dir/bin/$1-$arch.exe" "$repo/bench/$1.cpp" "${@:2}"
}
compile floor_wide
compile desktop_holder -mwindows

# The earlier build for the start-up pair, made once per architecture from the commit's files
# and kept: its sources never change.
old_root=$work_dir/scrivtree-$old_commit
old_exe=$old_root/build-$arch/Scrivtree.exe
if [ ! -f "$old_exe" ]; then
    echo "run.sh: building Scrivtree of $old_commit"
    rm -rf "$old_root/src"
    mkdir -p "$old_root/src"
    git -C "$repo" archive "$old_commit" | tar -x -C "$old_root/src"
    cmake -S "$old_root/src" -B "$old_root/build-$arch" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$old_root/build-$arch" -j2 --target Scrivtree >/dev/null
fi

# The generator remakes trees of another version, so it is never pointed at trees it does not
# own: those --trees names are taken only when they are of its version.
version=$(sed -n 's/^VERSION = //p' "$repo/bench/generate_trees.py")
if [ -z "$trees" ] || ! python3 -c 'import json, sys; sys.exit(json.load(open(sys.argv[1]))
["version"] != int(sys.argv[2]))' "$trees/manifest.json" "$version" 2>/dev/null; then
    trees=$work_dir/trees
    python3 "$repo/bench/generate_trees.py" "$trees"
fi

# The command line runs in a prefix without a display, where a message box fails at once
# instead of waiting, with the locale and time zone of the tests.
wine_environment "$work_dir/wine/$arch"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ] || ! prefix_configured; then
    "$loader" wineboot -i </dev/null >/dev/null 2>&1 || true
    configure_prefix
    # The server that wineboot started is not a lasting one: let it end.
    "$server" -w
fi
# A server that outlives each run keeps the start-up cost steady; it ends itself a minute after
# the last run. When one is already running this start does nothing.
"$server" -p60 </dev/null >/dev/null 2>&1 || true

# The folder list and the dialog need a display: they run through the project's Wine runner in
# a prefix of their own (SCRIVTREE_WINE_ROOT, by default under the work dir). A display this run
# starts is stopped at its end, with the Wine programs that drew on it.
display_wine_root=${SCRIVTREE_WINE_ROOT:-$work_dir/wine-display}
holder_pid=
display_pid=
stop() {
    [ -z "$holder_pid" ] || kill "$holder_pid" 2>/dev/null || true
    [ -n "$display_pid" ] || return 0
    WINEPREFIX=$display_wine_root/$arch "$server" -k >/dev/null 2>&1 || true
    kill "$display_pid" 2>/dev/null || true
}
trap stop EXIT
# Wine's desktop, which Scrivtree's wait cursor needs and Windows always has, is held for the
# whole bench; see bench/desktop_holder.cpp.
"$loader" "$work_dir/bin/desktop_holder-$arch.exe" </dev/null >/dev/null 2>&1 &
holder_pid=$!
start_display "$display"

python3 "$repo/bench/measure.py" --work-dir "$work_dir" --trees "$trees" --exe "$exe" \
    --floor-wide "$work_dir/bin/floor_wide-$arch.exe" --old-exe "$old_exe" \
    --old-commit "$old_commit" --arch "$arch" --wine "$loader" --repo "$repo" \
    --build "$build_name" --navigator "$build/navigator_bench.exe" \
    --dialog-run "$build/dialog_run_bench.exe" --display "$display" \
    --display-wine-root "$display_wine_root" --cpu "$cpu" --report "$report" \
    --baseline "${baseline:-$report}" ${options[@]+"${options[@]}"}
echo "run.sh: done in $(($(date +%s) - began)) s"
