#!/bin/bash
# Builds the targets: the Windows program and its Wine tests for 32-bit (build/win32) and for
# 64-bit Windows (build/win64), and the portable pieces with their sanitized unit tests and fuzz
# targets for the host (build/host).
#   bash scripts/build.sh                     everything
#   bash scripts/build.sh --program-only ARCH only Scrivtree.exe of win32 or win64
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)

build_windows() {
    local arch=$1 target=${2:-all} toolchain
    case $arch in
    win32) toolchain=cmake/toolchain-mingw-i686.cmake ;;
    win64) toolchain=cmake/toolchain-mingw-x86_64.cmake ;;
    esac
    cmake --no-warn-unused-cli -S . -B "build/$arch" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "build/$arch" -j "$jobs" --target "$target"
}

if [ "${1:-}" = --program-only ]; then
    build_windows "${2:?which build: win32 or win64}" Scrivtree
    exit 0
fi
build_windows win32
build_windows win64
CC=clang CXX=clang++ cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j "$jobs"
