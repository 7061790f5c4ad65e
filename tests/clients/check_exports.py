#!/usr/bin/env python3
"""The CSV and the web page of a real run, read back by the programs users open them with.

    check_exports.py SCRIVTREE_EXE

Makes a tree of names in several scripts, names a spreadsheet would take for formulas, and
times on both sides of daylight saving; runs the program on it under Wine with -csv (with the
list separator ',' and again with ';') and with -html; then checks
- the CSV against the disk with Python's csv module, byte for byte against its rules;
- that LibreOffice Calc reads it with no formula, every name as its text, every size a number;
- the web page's sections, headings, links and names with html.parser;
- that Chromium's DOM of the page holds every name.
Exits 0 when all holds, 1 otherwise, 77 (skipped) when this machine cannot run the program.
"""

import csv
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
from html.parser import HTMLParser
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
WINE_RUN = REPO / "scripts" / "wine-run.sh"
SKIPPED = 77
HEADER = ["Folder", "Name", "Extension", "Type", "Size", "Modified"]
GUARDED_STARTS = "=+-@\t\r'"

# The tree: path below its root, size in bytes (None: a folder), local modification time.
TREE = [
    ("Documents", None, "2019-07-14 09:30:00"),
    ("Documents/Rapport d'été", None, "2012-12-24 18:00:00"),
    ("Documents/Rapport d'été/Résumé; final.docx", 48213, "2012-12-20 08:05:09"),
    ("Documents/Rapport d'été/Tom & Jerry's, notes.txt", 1234, "2012-06-30 23:59:59"),
    ("Documents/Rapport d'été/two  blanks.txt", 7, "2021-11-07 01:30:00"),
    ("Documents/=Formulas", None, "2016-03-13 03:30:00"),
    ("Documents/=Formulas/=SUM(A1,A2).csv", 17, "2016-03-13 01:59:59"),
    ("Documents/=Formulas/+1 555 0100.vcf", 300, "2010-01-01 00:00:00"),
    ("Documents/=Formulas/-rf notes.txt", 0, "2024-08-15 12:00:00"),
    ("Documents/=Formulas/@home.md", 99, "2023-02-28 07:45:30"),
    ("Documents/=Formulas/'quoted'.txt", 5, "2017-10-10 10:10:10"),
    ("Documents/@Inbox", None, "2018-04-01 08:00:00"),
    ("Documents/empty.dat", 0, "2020-02-29 14:00:00"),
    ("Documents/README", 512, "2015-05-05 05:05:05"),
    ("Ελληνικά", None, "2014-08-01 16:20:00"),
    ("Ελληνικά/αλφάβητο.txt", 2048, "2014-01-15 09:00:00"),
    ("Ελληνικά/Русский", None, "2013-09-09 21:15:00"),
    ("Ελληνικά/Русский/Привет мир.doc", 64000, "2013-02-02 02:02:02"),
    ("Ελληνικά/Русский/東京の写真", None, "2019-04-05 11:11:11"),
    ("Ελληνικά/Русский/東京の写真/桜 2019.jpg", 1048576, "2019-04-03 15:30:00"),
    ("Ελληνικά/Русский/東京の写真/空", None, "2019-01-20 06:00:00"),
    ("עברית ועוד", None, "2022-07-04 19:00:00"),
    ("עברית ועוד/שלום.txt", 42, "2022-12-31 23:00:00"),
    ("Ärger und Öl", None, "2011-06-21 12:00:00"),
    ("Ärger und Öl/smile 😀.txt", 21, "2011-03-27 03:00:00"),
    ("Ärger und Öl/archive.tar.gz", 3000000, "2011-11-06 01:30:00"),
    ("café.txt", 3, "2024-01-01 00:00:01"),
    ("Zebra.TXT", 10, "2020-07-01 12:34:56"),
]


def fail(message):
    raise SystemExit(f"check_exports: {message}")


def make_tree(root):
    """Makes TREE below root; every time is set after the folder's contents exist."""
    for relative, size, _ in TREE:
        path = root / relative
        if size is None:
            path.mkdir(parents=True)
        else:
            with open(path, "wb") as file:
                file.truncate(size)
    for relative, _, modified in sorted(TREE, key=lambda item: -item[0].count("/")):
        stamp = time.mktime(time.strptime(modified, "%Y-%m-%d %H:%M:%S"))
        os.utime(root / relative, (stamp, stamp))


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def disk_listing(root):
    """Every folder of the tree by its Windows path: {name: (is_folder, size, modified)}."""
    folders = {}
    for folder, dirs, files in os.walk(root):
        entries = {}
        for name in dirs + files:
            status = os.stat(os.path.join(folder, name), follow_symlinks=False)
            modified = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(status.st_mtime))
            entries[name] = (name in dirs, status.st_size, modified)
        folders[windows_path(folder)] = entries
    return folders


def run_program(exe, tree, output, *options):
    # Without a display a message box returns at once: a failing run ends instead of waiting.
    # The filter takes names without a dot too: every file of the tree is listed.
    env = dict(os.environ, SCRIVTREE_NO_DISPLAY="1")
    command = [str(WINE_RUN), exe, "-path", windows_path(tree), "-out", windows_path(output),
               "-filter", "*.* *", *options]
    result = subprocess.run(command, env=env, timeout=300)
    if result.returncode != 0:
        fail(f"{' '.join(options)}: the program ended with exit code {result.returncode}")


def wine_reg(exe, *arguments):
    """Wine's reg.exe in the prefix where wine-run.sh runs exe without a display."""
    script = (
        '. "$0/scripts/wine-env.sh"; choose_loader "$1" >/dev/null; '
        'wine_environment "${SCRIVTREE_WINE_ROOT:-$0/build/wine}/$arch-no-display"; '
        'unset DISPLAY; shift; exec "$loader" reg "$@"'
    )
    return subprocess.run(["sh", "-c", script, str(REPO), exe, *arguments],
                          capture_output=True, text=True, errors="replace", timeout=120)


INTERNATIONAL = r"HKCU\Control Panel\International"


class ListSeparator:
    """Sets the user's list separator of the program's prefix for a while, then puts back
    the old value, or removes it when there was none."""

    def __init__(self, exe, value):
        self.exe, self.value, self.old = exe, value, None

    def __enter__(self):
        found = re.search(r"^\s*sList\s+REG_SZ\s*(.*?)\r?$",
                          wine_reg(self.exe, "query", INTERNATIONAL, "/v", "sList").stdout, re.M)
        self.old = found.group(1) if found else None
        self.set(self.value)

    def __exit__(self, *_):
        if self.old is None:
            wine_reg(self.exe, "delete", INTERNATIONAL, "/v", "sList", "/f")
        else:
            self.set(self.old)

    def set(self, value):
        result = wine_reg(self.exe, "add", INTERNATIONAL, "/v", "sList", "/t", "REG_SZ",
                          "/d", value, "/f")
        if result.returncode != 0:
            fail(f"could not set the list separator {value!r}: {result.stdout}{result.stderr}")


# ---------------------------------------------------------------------------------------------
# The CSV


def csv_field(text, separator):
    """A field as the CSV's rules write it: the formula guard, then RFC 4180 quoting."""
    if text[:1] and text[0] in GUARDED_STARTS:
        text = "'" + text
    if any(c in text for c in (separator, '"', "\r", "\n")):
        text = '"' + text.replace('"', '""') + '"'
    return text


def read_csv(path, separator):
    """The rows below the header as written (the guard kept) and as meant (the guard undone)."""
    with open(path, encoding="utf-8-sig", newline="") as file:
        rows = list(csv.reader(file, delimiter=separator))
    if not rows or rows[0] != HEADER:
        fail(f"{path.name}: the header is {rows[:1]}, not {HEADER}")
    written = rows[1:]
    bad = [row for row in written if len(row) != len(HEADER)]
    if bad:
        fail(f"{path.name}: rows without {len(HEADER)} fields, e.g. {bad[0]}")
    meant = [[f[1:] if f.startswith("'") else f for f in row] for row in written]
    return written, meant


def below(folders, start):
    """Folders' paths below the start folder, for shorter messages."""
    return [f[len(start):] or "." for f in folders]


def expected_rows(disk):
    rows = set()
    for folder, entries in disk.items():
        for name, (is_folder, size, modified) in entries.items():
            extension = "" if is_folder or "." not in name else name.rsplit(".", 1)[1]
            rows.add((folder, name, extension, "Folder" if is_folder else "File",
                      "" if is_folder else str(size), modified))
    return rows


def section_order(rows, start):
    """The folders in the order their rows must come: depth first, each folder's sub-folders
    in the order of its own rows."""
    subfolders = {}
    for folder, name, _, kind, _, _ in rows:
        if kind == "Folder":
            subfolders.setdefault(folder, []).append(folder + "\\" + name)
    order = []

    def visit(folder):
        order.append(folder)
        for sub in subfolders.get(folder, []):
            visit(sub)

    visit(start)
    return order


def check_csv(path, separator, disk, start):
    """Problems of the CSV; the rows as meant, in the file's order."""
    problems = []
    written, meant = read_csv(path, separator)
    expected = expected_rows(disk)
    got = [tuple(row) for row in meant]
    if len(set(got)) != len(got):
        problems.append(f"{path.name}: rows written twice")
    for row in sorted(expected - set(got)):
        problems.append(f"{path.name}: missing row {row}")
    for row in sorted(set(got) - expected):
        problems.append(f"{path.name}: unexpected row {row}")

    runs = [folder for i, (folder, *_) in enumerate(got) if i == 0 or got[i - 1][0] != folder]
    if len(set(runs)) != len(runs):
        problems.append(f"{path.name}: a folder's rows are not together: {below(runs, start)}")
    listed = [f for f in section_order(got, start) if any(row[0] == f for row in got)]
    if runs != listed:
        problems.append(f"{path.name}: the folders come in the order {below(runs, start)}, "
                        f"not depth first as {below(listed, start)}")
    for i in range(1, len(got)):
        if got[i][0] == got[i - 1][0] and got[i - 1][3] == "File" and got[i][3] == "Folder":
            problems.append(f"{path.name}: the folder {got[i][1]!r} comes after a file")

    lines = [separator.join(csv_field(f, separator) for f in row) for row in [HEADER] + meant]
    wanted = ("\ufeff" + "\r\n".join(lines) + "\r\n").encode("utf-8")
    data = path.read_bytes()
    if data != wanted:
        at = next((i for i, (a, b) in enumerate(zip(data, wanted)) if a != b),
                  min(len(data), len(wanted)))
        around = slice(max(0, at - 30), at + 30)
        problems.append(f"{path.name}: differs from its rules from byte {at}: "
                        f"{data[around]!r} where {wanted[around]!r}")
    return problems, written, meant


# ---------------------------------------------------------------------------------------------
# LibreOffice Calc

NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
}


def attribute(element, prefix, name):
    return element.get(f"{{{NS[prefix]}}}{name}")


def paragraph_text(element):
    """A cell paragraph's text, with its runs of blanks, tabs and breaks written out."""
    parts = [element.text or ""]
    for child in element:
        tag = child.tag.split("}")[1]
        if tag == "s":
            parts.append(" " * int(attribute(child, "text", "c") or 1))
        elif tag == "tab":
            parts.append("\t")
        elif tag == "line-break":
            parts.append("\n")
        else:
            parts.append(paragraph_text(child))
        parts.append(child.tail or "")
    return "".join(parts)


def calc_rows(path):
    """The sheet's rows as lists of cells (value type, value, text), repeats written out."""
    sheet = ElementTree.parse(path).getroot().find(".//table:table", NS)
    rows = []
    for row in sheet.iter(f"{{{NS['table']}}}table-row"):
        cells = []
        for cell in row:
            if cell.tag.split("}")[1] not in ("table-cell", "covered-table-cell"):
                continue
            text = "\n".join(paragraph_text(p) for p in cell.findall("text:p", NS))
            value = (attribute(cell, "office", "value-type"), attribute(cell, "office", "value"),
                     text, attribute(cell, "table", "formula"))
            repeat = int(attribute(cell, "table", "number-columns-repeated") or 1)
            cells.extend([value] * min(repeat, len(HEADER)))
        if any(cell[2] or cell[0] for cell in cells):
            rows.append(cells[: len(HEADER)])
    return rows


def check_calc(csv_path, written, meant, disk, work):
    """Problems of LibreOffice's reading of the comma CSV; the guarded names as written and as
    Calc shows them."""
    outdir = work / "calc"
    command = ["soffice", "--headless", f"-env:UserInstallation={(work / 'calc-profile').as_uri()}",
               "--infilter=CSV:44,34,76,1", "--convert-to", "fods", "--outdir", str(outdir),
               str(csv_path)]
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    sheet = outdir / (csv_path.stem + ".fods")
    if result.returncode != 0 or not sheet.exists():
        return [f"LibreOffice did not convert the CSV: {result.stdout}{result.stderr}"], []
    problems = []
    tree = ElementTree.parse(sheet).getroot()
    for cell in tree.iter(f"{{{NS['table']}}}table-cell"):
        if attribute(cell, "table", "formula") is not None:
            problems.append(f"Calc: a formula {attribute(cell, 'table', 'formula')!r}")
    rows = calc_rows(sheet)[1:]
    if len(rows) != len(written):
        problems.append(f"Calc: {len(rows)} rows, the CSV has {len(written)}")
    guarded = []
    for cells, as_written, (folder, name, _, kind, _, _) in zip(rows, written, meant):
        value_type, _, text, _ = cells[1]
        if value_type not in (None, "string") or text != as_written[1]:
            problems.append(f"Calc: the name {as_written[1]!r} reads as {value_type} {text!r}")
        if as_written[1] != name:
            guarded.append((as_written[1], text))
        size_type, size_value, _, _ = cells[4]
        size = disk.get(folder, {}).get(name, (True, None, ""))[1]
        if kind == "File" and size is not None:
            if size_type != "float" or size_value is None or float(size_value) != size:
                problems.append(f"Calc: the size of {name!r} reads as {size_type} {size_value}")
    return problems, guarded


# ---------------------------------------------------------------------------------------------
# The web page


ESCAPES = [("&", "&amp;"), ("<", "&lt;"), (">", "&gt;"), ('"', "&quot;"), ("'", "&#39;")]


class PageReader(HTMLParser):
    """The parts of a listing page the checks need: title, h1, every id and local link, and
    the sections with their id, heading, parent link and table rows (the text and link of
    each cell)."""

    def __init__(self):
        super().__init__()
        self.tags, self.ids, self.links, self.sections = [], [], [], []
        self.title = self.h1 = ""
        self.capture = None  # where text goes now: "title", "h1", "h2" or "cell"
        self.in_p = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append((tag, attrs))
        if "id" in attrs:
            self.ids.append(attrs["id"])
        href = attrs.get("href") or ""
        if href.startswith("#"):
            self.links.append(href)
        section = self.sections[-1] if self.sections else None
        if tag == "section":
            self.sections.append({"id": attrs.get("id"), "h2": "", "parent": None, "rows": []})
        elif tag in ("title", "h1", "h2"):
            self.capture = tag
        elif tag == "p":
            self.in_p = True
        elif tag == "a" and section is not None:
            if self.in_p and not section["rows"]:
                section["parent"] = href
            elif self.capture == "cell":
                section["rows"][-1]["cells"][-1]["href"] = href
        elif tag == "tr" and section is not None:
            section["rows"].append({"cells": []})
        elif tag in ("td", "th") and section is not None and section["rows"]:
            section["rows"][-1]["cells"].append({"tag": tag, "text": "", "href": None})
            self.capture = "cell"

    def handle_endtag(self, tag):
        if tag == "p":
            self.in_p = False
        elif tag in ("title", "h1", "h2", "td", "th", "tr", "table"):
            self.capture = None

    def handle_data(self, data):
        if self.capture in ("title", "h1"):
            setattr(self, self.capture, getattr(self, self.capture) + data)
        elif self.capture == "h2":
            self.sections[-1]["h2"] += data
        elif self.capture == "cell":
            self.sections[-1]["rows"][-1]["cells"][-1]["text"] += data


def read_page(text):
    reader = PageReader()
    reader.feed(text)
    reader.close()
    for section in reader.sections:
        section["rows"] = [r for r in section["rows"] if r["cells"][:1] and
                           r["cells"][0]["tag"] == "td"]
    return reader


def check_names(reader, disk, who):
    """Each folder's section holds exactly its entries' names as its rows' first cells."""
    problems = []
    sections = {s["h2"]: s for s in reader.sections}
    for folder, entries in disk.items():
        if folder not in sections:
            problems.append(f"{who}: no section headed {folder!r}")
            continue
        names = [row["cells"][0]["text"] for row in sections[folder]["rows"]]
        if sorted(names) != sorted(entries):
            problems.append(f"{who}: {folder!r} lists {sorted(names)}, the disk holds "
                            f"{sorted(entries)}")
    return problems


def check_page(path, disk, start, order):
    text = path.read_text(encoding="utf-8")
    reader = read_page(text)
    problems = check_names(reader, disk, path.name)
    if not text.lower().startswith("<!doctype html>"):
        problems.append(f"{path.name}: does not begin with <!DOCTYPE html>: {text[:40]!r}")
    tags = [tag for tag, _ in reader.tags]
    outside = [(t, a) for t, a in reader.tags if t in ("script", "link") or "src" in a]
    if outside or tags.count("style") != 1:
        problems.append(f"{path.name}: scripts or other files {outside}, "
                        f"{tags.count('style')} style elements")
    # Without it a browser takes the page for its own locale's code page.
    if not any(t == "meta" and "utf-8" in (a.get("charset") or a.get("content") or "").lower()
               for t, a in reader.tags):
        problems.append(f"{path.name}: no <meta> names its encoding UTF-8")
    headings = [s["h2"] for s in reader.sections]
    if headings != order:
        problems.append(f"{path.name}: the sections are {below(headings, start)}, the CSV's "
                        f"folders {below(order, start)}")
    if len(set(reader.ids)) != len(reader.ids):
        problems.append(f"{path.name}: ids used twice: {reader.ids}")
    for href in set(reader.links) - {"#" + i for i in reader.ids}:
        problems.append(f"{path.name}: the link {href!r} leads nowhere")

    for name in {name for entries in disk.values() for name in entries}:
        escaped = name
        for character, reference in ESCAPES:
            escaped = escaped.replace(character, reference)
        if escaped not in text or (escaped != name and name in text):
            problems.append(f"{path.name}: {name!r} is not written as {escaped!r}")

    link_of = {s["h2"]: "#" + (s["id"] or "") for s in reader.sections}
    for index, section in enumerate(reader.sections):
        folder = section["h2"]
        parent = folder.rsplit("\\", 1)[0]
        if index > 0 and section["parent"] != link_of.get(parent):
            problems.append(f"{path.name}: {folder!r} links to {section['parent']!r} as its "
                            f"parent, not to {link_of.get(parent)!r}")
        for row in section["rows"]:
            cells = row["cells"]
            name = cells[0]["text"]
            is_folder, size, _ = disk.get(folder, {}).get(name, (False, None, ""))
            wanted = link_of.get(folder + "\\" + name) if is_folder else None
            if cells[0]["href"] != wanted:
                problems.append(f"{path.name}: {name!r} in {folder!r} links to "
                                f"{cells[0]['href']!r}, not {wanted!r}")
            shown = cells[1]["text"].strip().replace(",", "") if len(cells) > 1 else None
            if size is not None and shown != ("" if is_folder else str(size)):
                problems.append(f"{path.name}: the size of {name!r} shows as {shown!r}")

    files = sum(not f for entries in disk.values() for f, _, _ in entries.values())
    folders = len(disk)  # the start folder's section counts too
    counts = f"{files} files, {folders} folders"
    for part, part_text in (("title", reader.title), ("h1", reader.h1)):
        collapsed = " ".join(part_text.split())
        if start not in part_text or counts not in collapsed:
            problems.append(f"{path.name}: the {part} {part_text!r} lacks {start!r} or {counts!r}")
    return problems


def check_chromium(page, disk, work):
    command = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
               "--no-first-run", "--disable-background-networking", "--disable-component-update",
               "--disable-sync", f"--user-data-dir={work / 'chromium-profile'}", "--dump-dom",
               page.as_uri()]
    result = subprocess.run(command, capture_output=True, timeout=300)
    if result.returncode != 0 or not result.stdout:
        return [f"Chromium dumped no DOM (exit code {result.returncode}): "
                f"{result.stderr.decode(errors='replace')[-500:]}"]
    return check_names(read_page(result.stdout.decode("utf-8")), disk, "Chromium's DOM")


# ---------------------------------------------------------------------------------------------


def main():
    if len(sys.argv) != 2:
        fail("usage: check_exports.py SCRIVTREE_EXE")
    exe = sys.argv[1]
    can_run = subprocess.run([str(WINE_RUN), "--can-run", exe], capture_output=True, text=True)
    if can_run.returncode != 0:
        print(f"Skipped: {can_run.stdout.strip()}.")
        return SKIPPED
    os.environ["TZ"] = "America/New_York"
    time.tzset()
    # Stopped from outside, the run still puts the list separator back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))

    work = Path(tempfile.mkdtemp(prefix="scrivtree-exports.", dir="/tmp"))
    try:
        tree, out = work / "Tree", work / "Out"
        out.mkdir()
        make_tree(tree)
        disk = disk_listing(tree)
        start = windows_path(tree)

        run_program(exe, tree, out / "comma.csv", "-csv", "-s", "-f")
        problems, written, meant = check_csv(out / "comma.csv", ",", disk, start)
        with ListSeparator(exe, ";"):
            run_program(exe, tree, out / "semicolon.csv", "-csv", "-s", "-f")
        more, _, meant_again = check_csv(out / "semicolon.csv", ";", disk, start)
        problems += more
        if meant_again != meant:
            problems.append("semicolon.csv: its rows differ from comma.csv's")

        more, guarded = check_calc(out / "comma.csv", written, meant, disk, work)
        problems += more
        kept = sum(as_written == shown for as_written, shown in guarded)
        print(f"LibreOffice Calc shows {kept} of {len(guarded)} guarded names with the guard's "
              f"apostrophe, e.g. {guarded[:1]}")

        run_program(exe, tree, out / "listing.html", "-html", "-s", "-f")
        problems += check_page(out / "listing.html", disk, start, section_order(meant, start))
        problems += check_chromium(out / "listing.html", disk, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for problem in problems:
        print(problem)
    print("All checks passed." if not problems else f"{len(problems)} problems.")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
