#!/bin/bash
# Builds both targets: the Windows program and its Wine tests (build/win), and the portable
# pieces with their sanitized unit tests and fuzz targets for the host (build/host).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
cmake --no-warn-unused-cli -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$jobs"
if [ "${1:-}" != "--program-only" ]; then
    CC=clang CXX=clang++ cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build build/host -j "$jobs"
fi
