#!/bin/bash
# Installs what a fresh Debian 12 machine lacks to build and test Scrivtree: the host compilers
# and GoogleTest sources, the MinGW-w64 cross compilers for 32-bit and 64-bit Windows, Wine with
# both loaders, the help compiler and a reader for its files, a virtual X display, a font with
# the CJK letters that Wine draws folder names in, and Python and binutils' strings for the
# banner, ReadMe.txt and the release archives, and LibreOffice Calc and Chromium, which read the
# CSV and web page listings back in the tests (Chromium also takes the web page's picture). On a
# kernel that runs no 32-bit program, installing wine32 prints errors for its i386 helper scripts
# and still succeeds.
# Installs only what is missing; safe to run again.
set -euo pipefail

packages=(
    cmake make g++ clang libclang-rt-14-dev googletest clang-format
    g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine32:i386 wine64 xvfb x11-utils
    fp-utils libchm-bin
    fonts-wqy-microhei
    time python3 util-linux binutils
    libreoffice-calc-nogui chromium
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q "${missing[@]}"
