#!/bin/bash
# The bench of Scrivtree under Wine; `bash bench/run.sh --help` lists its options, and
# docs/benchmarks.md what it measures.
#
# Installs what is missing (scripts/install-deps.sh), builds Scrivtree (unless --exe names a
# build), the bench programs and, once, Scrivtree of old_commit for the start-up pair, makes the
# trees once (or takes those --trees names when they are of the generator's version), sets up
# the Wine prefixes and the X display, and runs bench/measure.py.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
case " $* " in *" -h "* | *" --help "*) exec python3 "$repo/bench/measure.py" --help ;; esac
python3 "$repo/bench/measure.py" "$@" --check-arguments
work_dir=/tmp/scrivtree-bench trees= exe= display=:96
# Start-up is held to that of the program built from this commit, timed side by side.
old_commit=9cf7bbe
for ((i = 1; i < $#; i++)); do
    value=${@:i+1:1}
    case ${@:i:1} in
    --work-dir) work_dir=$value ;;
    --trees) trees=$(realpath "$value") ;;
    --exe) exe=$(realpath "$value") ;;
    --display) display=$value ;;
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
else
    arch=win64 triplet=x86_64-w64-mingw32 loader=$loader64
fi
echo "run.sh: measuring the $arch build"

# The bench programs are built from this repository even when --exe names a program.
toolchain=$repo/cmake/toolchain-mingw-${triplet%%-*}.cmake
build=$repo/build/bench-$arch
cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    >/dev/null
cmake --build "$build" -j2 --target navigator_bench dialog_run_bench \
    $([ -n "$exe" ] || echo Scrivtree) >/dev/null
exe=${exe:-$build/Scrivtree.exe}
for program in floor_wide desktop_holder; do
    $triplet-g++-posix -std=c++17 -O2 -static -municode -Wall -Wextra -Werror \
        -o "$work_dir/bin/$program-$arch.exe" "$repo/bench/$program.cpp" \
        $([ $program = floor_wide ] || echo -mwindows)
done

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
if [ -z "$trees" ] || ! grep -q "\"version\": $version," "$trees/manifest.json" 2>/dev/null; then
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

python3 "$repo/bench/measure.py" "$@" --work-dir "$work_dir" --trees "$trees" --exe "$exe" \
    --floor-wide "$work_dir/bin/floor_wide-$arch.exe" --old-exe "$old_exe" \
    --old-commit "$old_commit" --arch "$arch" --wine "$loader" --repo "$repo" \
    --navigator "$build/navigator_bench.exe" --dialog-run "$build/dialog_run_bench.exe" \
    --display-wine-root "$display_wine_root"
echo "run.sh: done in $(($(date +%s) - began)) s"
