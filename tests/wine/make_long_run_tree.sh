#!/bin/bash
# Makes the tree that the dialog's long-run tests list: 100 folders of 3,000 empty files each,
# a listing that takes seconds. Made here rather than through Wine, which would take minutes, and
# only once: both builds' tests list the same tree.
#   make_long_run_tree.sh FOLDER      the tree is FOLDER/Tree
set -euo pipefail
folder=$1
[ -f "$folder/complete-100x3000" ] && exit 0
rm -rf "$folder"
for number in $(seq 1000 1099); do
    mkdir -p "$folder/Tree/D$number"
    (cd "$folder/Tree/D$number" && seq -f 'f%g.txt' 10000 12999 | xargs touch)
done
touch "$folder/complete-100x3000"
