#!/bin/bash
# Builds the targets: the Windows program and its Wine tests for 32-bit (build/win32) and for
# 64-bit Windows (build/win64), and the portable pieces with their sanitized unit tests and fuzz
# targets for the host (build/host).
#   bash scripts/build.sh                     everything
#   bash scripts/build.sh --program-only ARCH only Scrivtree.exe of win32 or win64
#   bash scripts/build.sh --release-files ARCH Scrivtree.exe, Scrivtree.chm and ReadMe.txt of
#                                             win32 or win64, what its release archive holds
#   bash scripts/build.sh --runnable-program  only the Scrivtree.exe this machine runs: the
#                                             32-bit one, or the 64-bit one where the kernel
#                                             runs no 32-bit program; prints its path, and on
#                                             standard error which build it is
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)

build_windows() {
    local arch=$1 toolchain
    shift
    local targets=("${@:-all}")
    case $arch in
    win32) toolchain=cmake/toolchain-mingw-i686.cmake ;;
    win64) toolchain=cmake/toolchain-mingw-x86_64.cmake ;;
    esac
    cmake --no-warn-unused-cli -S . -B "build/$arch" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "build/$arch" -j "$jobs" --target "${targets[@]}"
}

case ${1:-} in
--program-only)
    build_windows "${2:?which build: win32 or win64}" Scrivtree
    exit 0
    ;;
--release-files)
    build_windows "${2:?which build: win32 or win64}" Scrivtree scrivtree_help scrivtree_readme
    exit 0
    ;;
--runnable-program)
    build_windows win32 Scrivtree >/dev/null
    if reason=$(scripts/wine-run.sh --can-run build/win32/Scrivtree.exe); then
        echo "Using the win32 build (build/win32/Scrivtree.exe)." >&2
        echo "$PWD/build/win32/Scrivtree.exe"
    else
        build_windows win64 Scrivtree >/dev/null
        echo "Using the win64 build (build/win64/Scrivtree.exe); the 32-bit one cannot run: $reason." >&2
        echo "$PWD/build/win64/Scrivtree.exe"
    fi
    exit 0
    ;;
esac
build_windows win32
build_windows win64
CC=clang CXX=clang++ cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j "$jobs"
