#!/bin/bash
# The main job: installs what is missing, builds Scrivtree.exe, writes a listing of a real
# folder through the program's command line under Wine, and prints it.
#   bash scripts/list-folder.sh [FOLDER [OPTIONS...]]
# FOLDER defaults to the GoogleTest sources that the install step brings (a real tree of a few
# dozen folders); OPTIONS default to -s -f -i -e with a filter for C++ sources. The 32-bit
# program runs where this kernel runs 32-bit programs, the 64-bit one otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
program=$(bash scripts/build.sh --runnable-program)

folder=$(realpath "${1:-/usr/src/googletest}")
shift || true
[ $# -gt 0 ] || set -- -s -f -i -e -filter "*.cc *.h *.txt | *-internal*"
output=$PWD/build/listing.txt

to_windows() { echo "Z:$1" | tr / '\\'; }

# No display: should the program show a message, it returns at once instead of waiting for a
# click; the exit code still tells what happened.
set +e
SCRIVTREE_NO_DISPLAY=1 scripts/wine-run.sh "$program" \
    -path "$(to_windows "$folder")" -out "$(to_windows "$output")" "$@"
code=$?
set -e
if [ $code -ne 0 ]; then
    echo "Scrivtree.exe ended with exit code $code (see README.md, Exit codes)." >&2
    exit $code
fi
cat "$output"
echo "Listing of $folder written to $output"
