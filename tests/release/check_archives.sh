#!/bin/bash
# Checks the release archives as a user gets them. scripts/package.sh writes them; packaging a
# copy of the sources in another folder must give the same bytes; the checksums hold; each
# archive holds just Scrivtree.exe of its width, Scrivtree.chm and ReadMe.txt (ASCII, CR LF,
# every option and exit code). Unpacked into a folder whose path holds a blank and a non-ASCII
# letter, each program this machine can run writes a listing from the command line there, and
# its Help button finds the help file beside it (the dialog test DialogHelp of the same width,
# with the build's stand-in help engine, drives it).
#
# Usage: bash tests/release/check_archives.sh   (after scripts/build.sh; scripts/test.sh runs it)
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD
. scripts/wine-env.sh

errors=0
problem() {
    echo "release_archives: $*"
    errors=$((errors + 1))
}

version=$(head -n 1 VERSION)
work=$(mktemp -d /tmp/scrivtree-archives.XXXXXX)
trap 'rm -rf "$work"' EXIT

bash scripts/package.sh >/dev/null

# The same sources elsewhere, built afresh, give the same archives: no time, no path inside.
mkdir "$work/sources"
tar -C "$repo" --exclude=./build --exclude=./dist --exclude=./.git -cf - . |
    tar -C "$work/sources" -xf -
if ! bash "$work/sources/scripts/package.sh" >"$work/second.log" 2>&1; then
    cat "$work/second.log"
    problem "packaging a copy of the sources failed"
fi
for file in "Scrivtree-$version-win32.zip" "Scrivtree-$version-win64.zip" SHA256SUMS; do
    cmp -s "dist/$file" "$work/sources/dist/$file" ||
        problem "dist/$file differs from the one packaged from a copy of the sources"
done
for arch in win32 win64; do
    grep -a -q -F -e "$repo" -e "$work" "build/$arch/Scrivtree.exe" &&
        problem "build/$arch/Scrivtree.exe holds a build path"
done

(cd dist && sha256sum --quiet -c SHA256SUMS) || problem "dist/SHA256SUMS does not match"

# A tree to list, beside the unpacked programs, and what -s -f -e -u make of it.
home="$work/Mes programmes é"
mkdir -p "$home/Données/Sub"
touch "$home/Données/b.txt" "$home/Données/a.txt" "$home/Données/Sub/c.txt"
expected=$({
    printf '\xef\xbb\xbf'
    printf '%s\r\n' 'Données' '=======' '' SUB a.txt b.txt '' '' SUB === '' c.txt '' ''
} | od -An -tx1)

ran=0
for arch in win32 win64; do
    archive=dist/Scrivtree-$version-$arch.zip
    dir="$home/$arch"
    mkdir -p "$dir"
    python3 -m zipfile -e "$archive" "$dir"
    names=$(python3 -c 'import sys, zipfile; print(*zipfile.ZipFile(sys.argv[1]).namelist())' \
        "$archive")
    [ "$names" = "ReadMe.txt Scrivtree.chm Scrivtree.exe" ] || problem "$archive holds $names"

    exe=$dir/Scrivtree.exe
    case $arch in win32) kind=PE32 ;; win64) kind=PE32+ ;; esac
    [ "$(pe_kind "$exe")" = "$kind" ] || problem "$archive: Scrivtree.exe is no $kind program"
    strings -n 3 -el "$exe" | grep -qx "$version" ||
        problem "$archive: Scrivtree.exe has no version resource $version"

    readme=$dir/ReadMe.txt
    [ "$(head -n 1 "$readme")" = "Scrivtree $version"$'\r' ] ||
        problem "$archive: ReadMe.txt is not of $version"
    LC_ALL=C grep -q $'[^ -~\r]' "$readme" &&
        problem "$archive: ReadMe.txt holds more than printable ASCII"
    grep -q -v $'\r$' "$readme" && problem "$archive: ReadMe.txt has a line without CR LF"
    for option in -path -out -filter -sort -s -f -p -pt -i -t -e -u -cb; do
        grep -q -e "^  $option " "$readme" || problem "$archive: ReadMe.txt has no option $option"
    done
    for code in 0 1 2 3 4 5 6; do
        grep -q "^  $code   " "$readme" || problem "$archive: ReadMe.txt has no exit code $code"
    done
    grep -q -F 'HKEY_LOCAL_MACHINE\Software\Quorvane\Scrivtree\1' "$readme" ||
        problem "$archive: ReadMe.txt does not say where the settings are kept"

    if ! reason=$(scripts/wine-run.sh --can-run "$exe"); then
        echo "release_archives: not running the $arch program: $reason"
        continue
    fi
    ran=$((ran + 1))
    windows_home="Z:${home//\//\\}"
    if (cd "$dir" && "$repo/scripts/wine-run.sh" "$exe" -path "$windows_home\\Données" \
        -out "$windows_home\\$arch\\listing.txt" -s -f -e -u); then
        [ "$(od -An -tx1 "$dir/listing.txt")" = "$expected" ] ||
            problem "$arch: the listing written from $dir is wrong: $(cat -A "$dir/listing.txt")"
    else
        problem "$arch: the program run from $dir ended with exit code $?"
    fi
    if ! SCRIVTREE_EXE=$exe SCRIVTREE_HELP_RECORDER="$repo/build/$arch/help_recorder.dll" \
        scripts/wine-run.sh "build/$arch/dialog_job_tests.exe" \
        --gtest_filter='DialogHelp.CallsTheRegisteredEngine*' >"$work/help-$arch.log" 2>&1; then
        cat "$work/help-$arch.log"
        problem "$arch: Help of the program in $dir does not open the help file beside it"
    fi
done
[ $ran -gt 0 ] || problem "this machine can run neither program"

if [ $errors -ne 0 ]; then
    echo "release_archives: FAILED: $errors problem(s)"
    exit 1
fi
echo "release_archives: OK: dist/Scrivtree-$version-win32.zip and -win64.zip, $ran run here"
