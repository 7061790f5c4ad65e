#!/bin/bash
# Makes the release archives a Windows user downloads: builds both Windows programs where needed
# and writes, for the version in the file VERSION,
#   dist/Scrivtree-VERSION-win32.zip   Scrivtree.exe (32-bit), Scrivtree.chm, ReadMe.txt
#   dist/Scrivtree-VERSION-win64.zip   the same with the 64-bit Scrivtree.exe
#   dist/SHA256SUMS                    their checksums, for sha256sum -c
# The same sources give the same bytes: the programs carry no link time, and the archives hold
# their files in one order with one fixed time.
#   bash scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(head -n 1 VERSION)
mkdir -p dist
rm -f dist/Scrivtree-*-win32.zip dist/Scrivtree-*-win64.zip dist/SHA256SUMS

archives=()
for arch in win32 win64; do
    bash scripts/build.sh --release-files "$arch" >/dev/null
    archive=Scrivtree-$version-$arch.zip
    python3 - "build/$arch" "dist/$archive" <<'EOF'
import sys
import zipfile

build, archive = sys.argv[1:]
with zipfile.ZipFile(archive, "w") as out:
    for name in ("ReadMe.txt", "Scrivtree.chm", "Scrivtree.exe"):
        # One fixed time for every file, so that the same files give the same archive.
        entry = zipfile.ZipInfo(name, date_time=(2026, 12, 8, 12, 0, 0))
        entry.create_system = 0  # MS-DOS, as a Windows archiver writes
        entry.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(f"{build}/{name}", "rb") as source:
            out.writestr(entry, source.read(), compresslevel=9)
EOF
    archives+=("$archive")
done
(cd dist && sha256sum "${archives[@]}" >SHA256SUMS)
for archive in "${archives[@]}" SHA256SUMS; do
    echo "dist/$archive"
done
