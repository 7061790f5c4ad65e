#!/bin/bash
# Runs every test: installs what is missing, builds every target, checks the sources' layout
# with clang-format, then runs the host suite (unit tests under ASan and UBSan, and each fuzz
# target for a few seconds) and the Wine suites of each Windows build that this machine can
# run, on a virtual display, then checks the release archives (tests/release/check_archives.sh).
# Where the kernel runs no 32-bit program, only the 64-bit build's suite runs, and only the
# 64-bit program is run from its archive.
set -euo pipefail
cd "$(dirname "$0")/.."

# The builds, the Wine prefixes and the test folders take about 2.6 GB at their peak. Short of
# disk, the programs under test fail in ways that do not name it: say so first.
free_mb=$(df -Pm . | awk 'NR == 2 { print $4 }')
if [ "${free_mb:-0}" -lt 3000 ]; then
    echo "Warning: only ${free_mb} MB free here; a test run needs about 3,000 MB." >&2
fi

bash scripts/install-deps.sh
bash scripts/build.sh

status=0
# The sources are laid out as clang-format lays them out (.clang-format at the root).
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; then
    echo "Layout: the files above differ from clang-format's; run clang-format -i on them." >&2
    status=1
fi
(cd build/host && ctest --output-on-failure) || status=1
ran=0
for build in win32 win64; do
    if reason=$(scripts/wine-run.sh --can-run "build/$build/Scrivtree.exe"); then
        echo "Wine tests of the $build build:"
        (cd "build/$build" && ctest --output-on-failure) || status=1
        ran=$((ran + 1))
    else
        echo "Not running the $build build's Wine tests: $reason."
    fi
done
if [ $ran -eq 0 ]; then
    echo "No Wine test ran: this machine can run neither Windows build." >&2
    status=1
fi
echo "Release archives:"
bash tests/release/check_archives.sh || status=1
exit $status
