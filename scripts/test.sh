#!/bin/bash
# Runs every test: installs what is missing, builds both targets, then runs the host suite
# (unit tests under ASan and UBSan, and each fuzz target for a few seconds) and the Windows
# suite under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh

status=0
(cd build/host && ctest --output-on-failure) || status=1
(cd build/win && ctest --output-on-failure) || status=1
exit $status
