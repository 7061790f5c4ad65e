#!/bin/sh
# A picture of the main dialog for the documentation: builds the program if needed, opens the
# dialog under Wine on a small demo tree, on a virtual display, and saves its window as a PNG.
# Then the dialog after a run, the About box, the dialog during a long run, the dialog on a
# folder whose sub-folders are named in other scripts, and the same at 150% scaling. Last, the
# web page the program writes of a small tree, as headless Chromium shows it.
#
#   scripts/screenshot.sh [FOLDER]     writes FOLDER/dialog.png, FOLDER/dialog-after-run.png,
#                                      FOLDER/about-box.png, FOLDER/dialog-running.png,
#                                      FOLDER/dialog-unicode.png, FOLDER/dialog-150.png and
#                                      FOLDER/listing-page.png (default: docs/)
#
# The dialog runs in a Wine root of its own (SCRIVTREE_WINE_ROOT, default build/screenshot-wine),
# where it is never closed normally and so never stores its settings: every picture shows the
# first-start defaults. The display is SCRIVTREE_DISPLAY (default :91), apart from the tests'.
# SCRIVTREE_PROGRAM names an already built Scrivtree.exe to use instead of building one.
# Needs xwininfo (x11-utils), ImageMagick's import and Chromium.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$repo/docs}
mkdir -p "$out"
export SCRIVTREE_WINE_ROOT="${SCRIVTREE_WINE_ROOT:-$repo/build/screenshot-wine}"
export SCRIVTREE_DISPLAY="${SCRIVTREE_DISPLAY:-:91}"
# The dialog's title, as the build makes it from the file VERSION.
title="Scrivtree $(head -n 1 "$repo/VERSION")"

# The 32-bit program, the one users take, where this machine runs it; the 64-bit one otherwise.
program=${SCRIVTREE_PROGRAM:-}
[ -n "$program" ] || program=$(bash "$repo/scripts/build.sh" --runnable-program)

# A small tree to open the dialog on: the folder list shows its sub-folders.
demo=${TMPDIR:-/tmp}/scrivtree-demo
rm -rf "$demo"
for folder in Budget Letters "Photos 2026" Recipes Website/css Website/images; do
    mkdir -p "$demo/Projects/$folder"
done
for folder in "Kraków i Łódź" "東京の写真" "Ελληνικά" "café" "Zürich"; do
    mkdir -p "$demo/Travel/$folder"
done
echo "Scrivtree" >"$demo/Projects/Website/index.html"

"$repo/scripts/wine-run.sh" "$program" "Z:$(echo "$demo/Projects" | tr / '\\')" \
    </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

# The dialog's X window, once Wine has mapped it; a first start of the Wine root takes a while.
dialog_window() {
    window=
    for _ in $(seq 600); do
        window=$(xwininfo -display "$SCRIVTREE_DISPLAY" -name "$title" 2>/dev/null |
            sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p') || true
        [ -n "$window" ] && break
        kill -0 $pid 2>/dev/null || { echo "screenshot: the program ended early" >&2; exit 1; }
        sleep 0.2
    done
    [ -n "$window" ] || { echo "screenshot: no window titled \"$title\" on $SCRIVTREE_DISPLAY" >&2; exit 1; }
}
dialog_window

# Saves the X window $1 as the PNG $2 once it has painted: when two captures a moment apart
# show the same pixels (at most 20 s); with a third argument "now", at once. The PNG holds no
# time stamp.
capture() {
    shots=$(mktemp -d)
    for _ in $(seq 100); do
        import -display "$SCRIVTREE_DISPLAY" -window "$1" -define png:exclude-chunks=date,time \
            "$shots/new.png"
        [ "${3:-}" = now ] && break
        [ -f "$shots/old.png" ] && cmp -s "$shots/old.png" "$shots/new.png" && break
        mv "$shots/new.png" "$shots/old.png"
        sleep 0.2
    done
    mv "$shots/new.png" "$2"
    rm -rf "$shots"
    echo "Wrote $2"
}

# Ends the program started last, and waits until its dialog, whatever its title then, has left
# the display.
end_program() {
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    for _ in $(seq 100); do
        xwininfo -display "$SCRIVTREE_DISPLAY" -root -tree 2>/dev/null | grep -q "\"$title" || break
        sleep 0.1
    done
}

capture "$window" "$out/dialog.png"

# The dialog after a run of "&Go!" on the demo tree, and the About box over it: dialog_poser,
# made by the same build as the program, puts them in place through window messages.
build=$(dirname "$program")
if [ -f "$build/CMakeCache.txt" ]; then
    cmake "$build" >/dev/null
    cmake --build "$build" --target dialog_poser >/dev/null
fi
"$repo/scripts/wine-run.sh" "$build/dialog_poser.exe" after-run \
    "Z:$(echo "$demo/Projects.txt" | tr / '\\')" </dev/null >/dev/null
capture "$window" "$out/dialog-after-run.png"

"$repo/scripts/wine-run.sh" "$build/dialog_poser.exe" about </dev/null >/dev/null
about=$(xwininfo -display "$SCRIVTREE_DISPLAY" -name "About Scrivtree" 2>/dev/null |
    sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p') || true
[ -n "$about" ] || { echo "screenshot: no About box on $SCRIVTREE_DISPLAY" >&2; exit 1; }
capture "$about" "$out/about-box.png"

# The dialog during a run long enough to watch: 100 folders of 2,000 files, made by the shell.
end_program
for number in $(seq 1000 1099); do
    mkdir -p "$demo/Archive/Box $number"
    (cd "$demo/Archive/Box $number" && seq -f 'scan %g.pdf' 10000 11999 | xargs -d '\n' touch)
done
"$repo/scripts/wine-run.sh" "$program" "Z:$(echo "$demo/Archive" | tr / '\\')" \
    </dev/null >/dev/null 2>&1 &
pid=$!
dialog_window
"$repo/scripts/wine-run.sh" "$build/dialog_poser.exe" running \
    "Z:$(echo "$demo/Archive.txt" | tr / '\\')" </dev/null >/dev/null
# Its title changes four times a second: taken at once.
capture "$window" "$out/dialog-running.png" now

# The dialog again, on the folder whose sub-folders are named in Polish, Japanese and Greek,
# in the shell font, which every prefix of the project links to a font with CJK letters as
# Windows links its own.
end_program
"$repo/scripts/wine-run.sh" "$program" "Z:$(echo "$demo/Travel" | tr / '\\')" \
    </dev/null >/dev/null 2>&1 &
pid=$!
dialog_window
capture "$window" "$out/dialog-unicode.png"

# The same at 150% scaling: 144 DPI, in a Wine root of its own, whose screen has that DPI.
end_program
export SCRIVTREE_WINE_ROOT="$SCRIVTREE_WINE_ROOT-150"
"$repo/scripts/wine-run.sh" "$program" -path . -out NUL </dev/null >/dev/null 2>&1 || true
(
    . "$repo/scripts/wine-env.sh"
    choose_loader "$program" >/dev/null
    wine_environment "$SCRIVTREE_WINE_ROOT/$arch"
    "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f
) </dev/null >/dev/null 2>&1
"$repo/scripts/wine-run.sh" "$program" "Z:$(echo "$demo/Travel" | tr / '\\')" \
    </dev/null >/dev/null 2>&1 &
pid=$!
dialog_window
capture "$window" "$out/dialog-150.png"

# The web page of a small tree with names in several scripts, at fixed times, as a browser
# window of 900 x 700 shows it.
end_program
holiday=$demo/Holiday
for folder in "Kraków i Łódź" "東京の写真" "Ελληνικά"; do
    mkdir -p "$holiday/$folder"
done
truncate -s 48213 "$holiday/Itinerary.pdf"
truncate -s 9876 "$holiday/Budget 2026.xlsx"
truncate -s 2345678 "$holiday/Kraków i Łódź/Rynek Główny.jpg"
truncate -s 1987654 "$holiday/Kraków i Łódź/Wawel.jpg"
truncate -s 3456789 "$holiday/東京の写真/浅草寺.jpg"
truncate -s 2765432 "$holiday/東京の写真/桜 2026.jpg"
truncate -s 1234567 "$holiday/Ελληνικά/Ακρόπολη.jpg"
truncate -s 812 "$holiday/Ελληνικά/Σημειώσεις.txt"
TZ=America/New_York find "$holiday" -mindepth 1 -type f -exec touch -d "2026-04-18 09:41:00" {} +
TZ=America/New_York find "$holiday" -mindepth 1 -type d -exec touch -d "2026-04-20 18:05:00" {} +
"$repo/scripts/wine-run.sh" "$program" -path "Z:$(echo "$holiday" | tr / '\\')" \
    -out "Z:$(echo "$holiday.html" | tr / '\\')" -html -s -f </dev/null >/dev/null 2>&1
browser_profile=$(mktemp -d)
chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$browser_profile" \
    --hide-scrollbars --force-device-scale-factor=1 --window-size=900,700 \
    --screenshot="$out/listing-page.png" "file://$holiday.html" </dev/null >/dev/null 2>&1
rm -rf "$browser_profile"
echo "Wrote $out/listing-page.png"
