#!/bin/bash
# Benchmark of Scrivtree's command-line mode, its start-up and the dialog's folder list under
# Wine; see docs/benchmarks.md.
#
#   bash bench/run.sh [--work-dir DIR] [--exe PATH] [--rounds N] [--report FILE]
#                     [--save-outputs DIR] [--check-only] [--cpu N|last|none] [--display :N]
#                     [--cases PATTERNS]
#
# Installs what is missing, builds Scrivtree (unless --exe names a build), the folder list's
# benchmark, the two floors and, once, Scrivtree of old_commit for the start-up pair, makes the
# trees once, and times every case. A full run rewrites docs/benchmarks.md unless --report names
# another file; --cases runs only the cases whose keys match the comma-separated shell patterns
# (with those they are judged against) and writes a short report only where --report names
# one; --check-only runs and checks each case once, without timing or report. The
# folder list draws on a private X display (default :96). SCRIVTREE_NO_32BIT=1 measures the
# 64-bit build where the 32-bit one runs too.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
work_dir=/tmp/scrivtree-bench
exe=
rounds=7
report=$repo/docs/benchmarks.md
save_outputs=
check_only=
cpu=last
display=:96
cases=
report_named=
# Start-up is held to that of the program built from this commit, timed side by side.
old_commit=9cf7bbe

usage() {
    sed -n '5,7p' "$0" | sed 's/^#//' >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case $1 in
    --work-dir) [ $# -ge 2 ] || usage; work_dir=$2; shift 2 ;;
    --exe) [ $# -ge 2 ] || usage; exe=$2; shift 2 ;;
    --rounds) [ $# -ge 2 ] || usage; rounds=$2; shift 2 ;;
    --report) [ $# -ge 2 ] || usage; report=$2; report_named=1; shift 2 ;;
    --save-outputs) [ $# -ge 2 ] || usage; save_outputs=$2; shift 2 ;;
    --check-only) check_only=1; shift ;;
    --cpu) [ $# -ge 2 ] || usage; cpu=$2; shift 2 ;;
    --display) [ $# -ge 2 ] || usage; display=$2; shift 2 ;;
    --cases) [ $# -ge 2 ] || usage; cases=$2; shift 2 ;;
    *) usage ;;
    esac
done

began=$(date +%s)
mkdir -p "$work_dir"
work_dir=$(cd "$work_dir" && pwd)

# The loaders, the architecture tests and the pinned environment that the tests use too.
. "$repo/scripts/wine-env.sh"

# Names of the packages whose commands are missing.
missing_packages() {
    command -v python3 >/dev/null || echo python3
    command -v cmake >/dev/null || echo cmake
    command -v make >/dev/null || echo make
    # The project's CMake file builds GoogleTest from Debian's sources.
    [ -d /usr/src/googletest ] || echo googletest
    command -v i686-w64-mingw32-g++-posix >/dev/null || echo g++-mingw-w64-i686 mingw-w64-i686-dev
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || echo g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
    [ -x "$loader32" ] || echo wine wine32:i386
    [ -x "$loader64" ] || echo wine64
    [ -x /usr/bin/time ] || echo time
    command -v Xvfb >/dev/null || echo xvfb
    command -v xdpyinfo >/dev/null || echo x11-utils
}

if [ -n "$(missing_packages)" ]; then
    if [ -f "$repo/scripts/install-deps.sh" ]; then
        bash "$repo/scripts/install-deps.sh"
    fi
    read -r -a packages <<<"$(missing_packages | tr '\n' ' ')"
    if [ ${#packages[@]} -gt 0 ]; then
        case " ${packages[*]} " in
        *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
        esac
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${packages[@]}"
    fi
fi

# The 32-bit build where this kernel runs 32-bit programs, the 64-bit one otherwise; or the
# architecture of the program --exe names.
if { [ -z "$exe" ] && runs_32bit; } || { [ -n "$exe" ] && [ "$(pe_kind "$exe")" = PE32 ]; }; then
    arch=win32
    triplet=i686-w64-mingw32
    loader=$loader32
    build_name="32-bit (i686), the program users get"
else
    arch=win64
    triplet=x86_64-w64-mingw32
    loader=$loader64
    build_name="64-bit (x86_64)"
    if [ "${SCRIVTREE_NO_32BIT:-}" = 1 ]; then
        build_name="$build_name, with 32-bit programs switched off (SCRIVTREE_NO_32BIT=1)"
    elif [ -z "$exe" ]; then
        build_name="$build_name: this kernel runs no 32-bit program"
    fi
fi
wine=$loader
wineserver=$server
echo "run.sh: measuring the $build_name"

# The folder list's benchmark is built from this repository even when --exe names a program.
build=$repo/build/bench-$arch
targets=(navigator_bench)
[ -n "$exe" ] || targets+=(Scrivtree)
cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw-${triplet%%-*}.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
[ -n "$exe" ] || exe=$build/Scrivtree.exe
navigator=$build/navigator_bench.exe
[ -f "$exe" ] || { echo "run.sh: no program at $exe" >&2; exit 1; }

mkdir -p "$work_dir/bin"
floor=$work_dir/bin/floor-$arch.exe
$triplet-g++-posix -std=c++17 -O2 -static -Wall -Wextra -Werror \
    -o "$floor" "$repo/bench/floor.cpp"
floor_wide=$work_dir/bin/floor-wide-$arch.exe
$triplet-g++-posix -std=c++17 -O2 -static -municode -Wall -Wextra -Werror \
    -o "$floor_wide" "$repo/bench/floor_wide.cpp"
desktop_holder=$work_dir/bin/desktop-holder-$arch.exe
$triplet-g++-posix -std=c++17 -O2 -static -municode -mwindows -Wall -Wextra -Werror \
    -o "$desktop_holder" "$repo/bench/desktop_holder.cpp"

# The earlier build for the start-up pair, made once per architecture from the commit's files
# and kept: its sources never change.
old_root=$work_dir/scrivtree-$old_commit
old_exe=$old_root/build-$arch/Scrivtree.exe
if [ ! -f "$old_exe" ]; then
    echo "run.sh: building Scrivtree of $old_commit"
    if [ ! -d "$old_root/src" ]; then
        rm -rf "$old_root/src.part"
        mkdir -p "$old_root/src.part"
        git -C "$repo" archive "$old_commit" | tar -x -C "$old_root/src.part"
        mv "$old_root/src.part" "$old_root/src"
    fi
    cmake -S "$old_root/src" -B "$old_root/build-$arch" \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw-${triplet%%-*}.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$old_root/build-$arch" -j2 --target Scrivtree >/dev/null
fi

python3 "$repo/bench/generate_trees.py" "$work_dir/trees"

# The bench's own Wine prefix, with the locale and time zone of the tests and no display, so
# that a message box fails at once instead of waiting.
wine_environment "$work_dir/wine/$arch"
unset DISPLAY
mkdir -p "$work_dir/wine"
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.bench-ready" ] || ! prefix_configured; then
    "$wine" wineboot -i </dev/null >/dev/null 2>&1
    configure_prefix
    # The server that wineboot started is not a lasting one: let it end.
    "$wineserver" -w
    touch "$WINEPREFIX/.bench-ready"
fi
# A server that outlives each run keeps the start-up cost steady; it ends itself a minute
# after the last run. When one is already running this start does nothing.
"$wineserver" -p60 </dev/null >/dev/null 2>&1 || true

# The folder list needs a display. It runs through the project's Wine runner, in a prefix of
# its own that has one (the prefix above has none); the runner sets that prefix up. A display
# this run starts is stopped at its end, with the Wine programs that drew on it.
display_wine_root=$work_dir/wine-display
stop_display() {
    [ -n "$display_pid" ] || return 0
    WINEPREFIX=$display_wine_root/$arch "$wineserver" -k >/dev/null 2>&1 || true
    kill "$display_pid" 2>/dev/null || true
}
display_pid=
stop_holder_and_display() {
    [ -z "$holder_pid" ] || kill "$holder_pid" 2>/dev/null || true
    stop_display
}
holder_pid=
trap stop_holder_and_display EXIT
# The desktop, which Scrivtree's wait cursor needs and which the floors never touch, is held
# for the whole bench, as on Windows; see bench/desktop_holder.cpp.
"$wine" "$desktop_holder" </dev/null >/dev/null 2>&1 &
holder_pid=$!
start_display "$display"

set -- --work-dir "$work_dir" --exe "$exe" --floor "$floor" --floor-wide "$floor_wide" \
    --old-exe "$old_exe" --old-commit "$old_commit" --arch "$arch" --wine "$wine" --repo "$repo" \
    --build "$build_name" \
    --navigator "$navigator" --display "$display" --display-wine-root "$display_wine_root" \
    --rounds "$rounds" --cpu "$cpu"
if [ -n "$save_outputs" ]; then
    set -- "$@" --save-outputs "$save_outputs"
fi
if [ -n "$cases" ]; then
    set -- "$@" --cases "$cases"
fi
if [ -n "$check_only" ]; then
    set -- "$@" --check-only
elif [ -z "$cases" ] || [ -n "$report_named" ]; then
    set -- "$@" --report "$report"
fi
python3 "$repo/bench/measure.py" "$@"
echo "run.sh: done in $(($(date +%s) - began)) s"
