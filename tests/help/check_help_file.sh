#!/bin/bash
# Checks a built Scrivtree.chm by opening it with extract_chmLib (Debian package libchm-bin), a
# reader that is not its compiler: the file opens, names its table of contents and start page,
# holds every page with its title and heading, and every entry of the table of contents, of the
# index and every link of the pages leads to a page (and anchor) that is there.
#
# Usage: check_help_file.sh PATH/TO/Scrivtree.chm
set -u

fail() {
    echo "help_file: FAILED: $*"
    exit 1
}

[ $# -eq 1 ] || fail "usage: check_help_file.sh PATH/TO/Scrivtree.chm"
chm=$1
command -v extract_chmLib >/dev/null 2>&1 ||
    fail "extract_chmLib not found; it comes with Debian's package libchm-bin (apt-get install -y libchm-bin)"
[ -s "$chm" ] || fail "no help file at $chm"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=$work/chm
if ! extract_chmLib "$chm" "$files" >"$work/extract.log" 2>&1; then
    cat "$work/extract.log"
    fail "extract_chmLib cannot open $chm"
fi

# Page file and the title that its <title> and <h1> carry.
pages=(
    "index.html|Scrivtree Help"
    "dialog.html|The Scrivtree Window"
    "filter.html|File Filter"
    "command_line.html|Command Line"
    "output.html|Output File Format"
)

errors=0
problem() {
    echo "help_file: $*"
    errors=$((errors + 1))
}

# The text of a page as a reader sees it: one line, tags dropped, blanks squeezed.
page_text() {
    tr '\r\n\t' '   ' <"$1" | sed -e 's/<[^>]*>//g' -e 's/&nbsp;/ /g' -e 's/&amp;/\&/g' -e 's/  */ /g'
}

# Every text must appear in the page.
expect_texts() {
    local page=$1 text
    shift
    local content
    content=$(page_text "$files/$page")
    for text in "$@"; do
        [[ $content == *"$text"* ]] || problem "$page does not show \"$text\""
    done
}

# A link target relative to the archive's root: the file must be there and, with an anchor,
# the file must hold an element with that id.
check_target() {
    local from=$1 target=$2 file anchor
    file=${target%%#*}
    anchor=
    [[ $target == *"#"* ]] && anchor=${target#*#}
    if [ ! -f "$files/$file" ]; then
        problem "$from leads to $target, which is not in the help file"
    elif [ -n "$anchor" ] && ! grep -q "id=\"$anchor\"" "$files/$file"; then
        problem "$from leads to $target, but $file has no anchor \"$anchor\""
    fi
}

# The table of contents, which the Help button opens, and the start page.
toc=Scrivtree.hhc
[ -s "$files/$toc" ] || problem "the table of contents $toc is missing"
[ -s "$files/Scrivtree.hhk" ] || problem "the index Scrivtree.hhk is missing"
[ -s "$files/scrivtree.css" ] || problem "the stylesheet scrivtree.css is missing"
if [ -f "$files/#SYSTEM" ]; then
    grep -aq "$toc" "$files/#SYSTEM" || problem "the help file does not name $toc as its contents"
    grep -aq "index.html" "$files/#SYSTEM" || problem "the help file does not name index.html as its start page"
else
    problem "the help file has no #SYSTEM file"
fi

for entry in "${pages[@]}"; do
    page=${entry%%|*}
    title=${entry#*|}
    if [ ! -s "$files/$page" ]; then
        problem "page $page is missing"
        continue
    fi
    grep -q "<title>$title</title>" "$files/$page" || problem "$page has no title \"$title\""
    grep -q "<h1>$title</h1>" "$files/$page" || problem "$page has no heading \"$title\""
    grep -q 'href="scrivtree.css"' "$files/$page" || problem "$page does not use scrivtree.css"
    if [ -f "$files/$toc" ]; then
        grep -q "<param name=\"Name\" value=\"$title\">" "$files/$toc" ||
            problem "$toc has no entry \"$title\""
        grep -q "<param name=\"Local\" value=\"$page\">" "$files/$toc" ||
            problem "$toc does not lead to $page"
    fi
    # Links between pages (not to the stylesheet, not to the web).
    while read -r target; do
        case $target in
        http:* | https:* | mailto:* | *.css) ;;
        "#"*) check_target "$page" "$page$target" ;;
        *) check_target "$page" "$target" ;;
        esac
    done < <(grep -o 'href="[^"]*"' "$files/$page" | sed -e 's/^href="//' -e 's/"$//')
done

for map in Scrivtree.hhc Scrivtree.hhk; do
    [ -f "$files/$map" ] || continue
    while read -r target; do
        check_target "$map" "$target"
    done < <(grep -o '<param name="Local" value="[^"]*"' "$files/$map" | sed -e 's/.*value="//' -e 's/"$//')
done

# The window page names every control by the text the window shows.
if [ -s "$files/dialog.html" ]; then
    expect_texts dialog.html "Drive:" "Folder:" "File Filter:" "Options" "Include Sub-folders" \
        "Include Files" "Full Paths" "Include Extensions" "Full Information" \
        "Full Paths in Folder Titles" "Use TABs to Fill Space" "Sort Files" "by name" \
        "by extension" "by size" "by date" "Output File:" "Browse..." "Go!" \
        "Launch Output File" "Help" "Exit" "About..." "Empty file filter"
fi

# The command-line page gives every option and the message of every exit code.
if [ -s "$files/command_line.html" ]; then
    expect_texts command_line.html "-path FOLDER" "-out FILE" "-filter TEXT" "-sort KEY" \
        "Error in command line at" "-path and -out must be specified in command line" \
        "Can't enter to folder of \"-path\"" "Can't create output file" \
        "Can't write output file" "Not enough memory to list the folder tree"
    for option in -s -f -p -pt -i -t -e -u -cb; do
        grep -q "<td><code>$option</code></td>" "$files/command_line.html" ||
            problem "command_line.html has no row for the option $option"
    done
    for code in 0 1 2 3 4 5 6; do
        grep -q "<tr><td>$code</td>" "$files/command_line.html" ||
            problem "command_line.html has no row for the exit code $code"
    done
fi

if [ "$errors" -ne 0 ]; then
    fail "$errors problem(s) in $chm"
fi
echo "help_file: OK: $chm opens with extract_chmLib and holds ${#pages[@]} pages, Scrivtree.hhc and Scrivtree.hhk"
