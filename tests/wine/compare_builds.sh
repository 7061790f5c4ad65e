#!/bin/bash
# The 32-bit and the 64-bit program must write byte-identical listings for the same jobs: a
# generated tree, every option and sort key, the output file inside the tree.
#   compare_builds.sh WIN32_EXE WIN64_EXE
# Exits 77 (skipped) when this machine cannot run both.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
run=$repo/scripts/wine-run.sh
exe32=$1
exe64=$2
for exe in "$exe32" "$exe64"; do
    if ! reason=$("$run" --can-run "$exe"); then
        echo "Skipped: $reason."
        exit 77
    fi
done

work=$(mktemp -d /tmp/scrivtree-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
tree=$work/Tree
results=$work/results
mkdir -p "$results"

# Sizes from empty to past 4 GiB (sparse), names with and without extensions, upper and lower
# case, a Latin-1 letter, names outside the code page (a CJK folder, an emoji file), a dot folder
# that is skipped, a link that is listed but not entered.
export TZ=America/New_York
mkdir -p "$tree"/{Alpha/deep/deeper,beta,_tmp,2010,.git,"Mixed Case",日本語}
printf 'x' >"$tree/a.txt"
printf 'hello world\n' >"$tree/README"
truncate -s 5368709120 "$tree/big.iso"
truncate -s 1234 "$tree/Alpha/notes.TXT"
truncate -s 99 "$tree/Alpha/deep/z.tar.gz"
truncate -s 7 "$tree/Alpha/deep/deeper/.profile"
truncate -s 300 "$tree/beta/caf$(printf '\xc3\xa9').doc"
truncate -s 10 "$tree/beta/b.bak" "$tree/_tmp/x.tmp" "$tree/.git/config" "$tree/Mixed Case/M.Doc"
truncate -s 21 "$tree/日本語/月.txt" "$tree/beta/smile 😀.txt"
i=0
for file in "$tree"/a.txt "$tree"/README "$tree"/big.iso "$tree"/Alpha/notes.TXT "$tree"/beta/*; do
    i=$((i + 1))
    touch -d "2024-0$((i % 9 + 1))-1$((i % 9)) 0$((i % 9)):1$i:2$i" "$file"
done
ln -s "$tree/Alpha" "$tree/link-to-alpha"

to_windows() { echo "Z:$1" | tr / '\\'; }

# The output file is listed with the moment it was created: the one text the two runs cannot
# share. Its size stays.
without_own_time() { sed -E '/listing\.txt/ s#[0-9]+/[0-9]+/[0-9]{4}.*$#(time of the run)#' "$1"; }
start=$(to_windows "$tree")

jobs=(
    "-s -f"
    "-s -f -p -pt -i -t -e -sort name"
    "-s -f -p -pt -i -t -e -sort ext"
    "-s -f -p -pt -i -t -e -sort size"
    "-s -f -p -pt -i -t -e -sort date"
    "-s -f -i -e -sort bogus -filter *.*|*.bak"
    "-f -i -filter *"
    "-s -f -u"
    "-s -f -p -pt -i -t -e -u -sort ext"
    "-s -f -i -e -u -filter ?.txt"
)
passed=0
failed=0
for index in "${!jobs[@]}"; do
    read -r -a options <<<"${jobs[$index]}"
    for exe in "$exe32" "$exe64"; do
        # Without a display the program's message boxes show nothing: say which run failed.
        status=0
        SCRIVTREE_NO_DISPLAY=1 "$run" "$exe" -path "$start" -out listing.txt "${options[@]}" ||
            status=$?
        if [ $status -ne 0 ]; then
            echo "$(basename "$(dirname "$exe")") failed (exit code $status) for: ${jobs[$index]}"
            df -h "$work" | tail -1
            exit 1
        fi
        without_own_time "$tree/listing.txt" >"$results/$index-$(basename "$(dirname "$exe")").txt"
        rm "$tree/listing.txt"
    done
    if cmp -s "$results/$index"-*.txt; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "Listings differ for: ${jobs[$index]}"
        diff "$results/$index"-*.txt | head -20 || true
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
