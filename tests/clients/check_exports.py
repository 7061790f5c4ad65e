#!/usr/bin/env python3
"""check_exports.py SCRIVTREE_EXE: the CSV and the web page of a real run under Wine, read back
by Python's csv and LibreOffice Calc (list separator ',' and ';'), html.parser and Chromium.
Exits 0 when all holds, 1 otherwise, 77 (skipped) when this machine cannot run the program."""

import csv
import html
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
from collections import Counter
from contextlib import contextmanager
from html.parser import HTMLParser
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
WINE_RUN = REPO / "scripts" / "wine-run.sh"
HEADER = ("Folder", "Name", "Extension", "Type", "Size", "Modified")
TABLE = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"
OFFICE = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
TEXT = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
CHROMIUM = ("chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --dump-dom"
            " --disable-background-networking --disable-component-update --disable-sync").split()
PROBLEMS = []

# Path, size (None: a folder), local time: names in several scripts, holding separators, quotes,
# '&', or starting like a formula; times on both sides of daylight saving and in its doubled hour.
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


def expect(holds, problem):
    if not holds:
        PROBLEMS.append(problem)


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def make_tree(root):
    for relative, size, _ in TREE:
        if size is None:
            (root / relative).mkdir(parents=True)
        else:
            (root / relative).write_bytes(bytes(size))
    # Deepest first: making an entry changes its folder's time.
    for relative, _, modified in sorted(TREE, key=lambda item: -item[0].count("/")):
        stamp = time.mktime(time.strptime(modified, "%Y-%m-%d %H:%M:%S"))
        os.utime(root / relative, (stamp, stamp))


def disk_listing(root):
    """{Windows path of each folder: {name: (is_folder, size, modified)}} as os.walk finds them."""
    disk = {}
    for folder, dirs, files in os.walk(root):
        stats = {name: os.stat(os.path.join(folder, name)) for name in dirs + files}
        disk[windows_path(folder)] = {name: (name in dirs, stat.st_size, time.strftime(
            "%Y-%m-%d %H:%M:%S", time.localtime(stat.st_mtime))) for name, stat in stats.items()}
    return disk


def run_program(exe, tree, output, *options):
    # Without a display a failing run's message box returns at once. "*" takes names without a dot.
    command = [str(WINE_RUN), exe, "-path", windows_path(tree), "-out", windows_path(output),
               "-filter", "*.* *", *options, "-s", "-f"]
    env = dict(os.environ, SCRIVTREE_NO_DISPLAY="1")
    code = subprocess.run(command, env=env, timeout=300).returncode
    if code != 0:
        fail(f"{' '.join(options)}: the program ended with exit code {code}")


def wine_reg(exe, verb, *arguments):
    """reg.exe on the locale settings of the prefix where wine-run.sh runs exe without display."""
    script = ('. "$0/scripts/wine-env.sh"; choose_loader "$1" >/dev/null; '
              'wine_environment "${SCRIVTREE_WINE_ROOT:-$0/build/wine}/$arch-no-display"; '
              'unset DISPLAY; shift; exec "$loader" reg "$@"')
    key = r"HKCU\Control Panel\International"
    result = subprocess.run(["sh", "-c", script, str(REPO), exe, verb, key, *arguments],
                            capture_output=True, text=True, errors="replace", timeout=120)
    if result.returncode != 0 and verb != "query":  # a query fails when there is no value
        fail(f"reg {verb} {' '.join(arguments)} failed: {result.stdout}{result.stderr}")
    return result.stdout


@contextmanager
def list_separator(exe, value):
    """The user's list separator set to value for a while; the old one (or none) put back."""
    old = re.search(r"^\s*sList\s+REG_SZ\s*(.*?)\r?$", wine_reg(exe, "query", "/v", "sList"), re.M)
    wine_reg(exe, "add", "/v", "sList", "/t", "REG_SZ", "/d", value, "/f")
    try:
        yield
    finally:
        if old:
            wine_reg(exe, "add", "/v", "sList", "/t", "REG_SZ", "/d", old.group(1), "/f")
        else:
            wine_reg(exe, "delete", "/v", "sList", "/f")


def check_csv(path, separator, disk):
    """The CSV read back against the disk; returns its rows as written (the guard still on)."""
    with open(path, encoding="utf-8-sig", newline="") as file:
        rows = [tuple(row) for row in csv.reader(file, delimiter=separator)]
    bad = [row for row in rows if len(row) != len(HEADER)]
    if rows[:1] != [HEADER] or bad:
        fail(f"{path.name}: begins {rows[:1]}, not {HEADER}, or has rows {bad} not of 6 fields")
    # The disk's rows guarded as written: a missing guard shows as a wrong row.
    wanted = Counter(tuple(re.sub(r"\A(?=[-=+@\t\r'])", "'", field) for field in (
        folder, name, "" if is_folder or "." not in name else name.rsplit(".", 1)[1],
        "Folder" if is_folder else "File", "" if is_folder else str(size), modified))
        for folder, entries in disk.items()
        for name, (is_folder, size, modified) in entries.items())
    PROBLEMS.extend(f"{path.name}: missing row {row}" for row in wanted - Counter(rows[1:]))
    PROBLEMS.extend(f"{path.name}: unexpected row {row}" for row in Counter(rows[1:]) - wanted)
    return rows[1:]


def check_calc(csv_path, rows, work):
    """LibreOffice Calc's reading of the comma CSV against its rows as written."""
    command = ["soffice", "--headless", f"-env:UserInstallation={(work / 'calc-profile').as_uri()}",
               "--infilter=CSV:44,34,76,1", "--convert-to", "fods", "--outdir", str(work / "calc"),
               str(csv_path)]
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    sheet = work / "calc" / (csv_path.stem + ".fods")
    if result.returncode != 0 or not sheet.exists():
        return expect(False, f"LibreOffice did not convert the CSV: {result.stdout}{result.stderr}")
    # A run of blanks is one <text:s text:c="N"/>: written out, itertext() gives the text.
    xml = re.sub(r'<text:s(?: text:c="(\d+)")?/>', lambda m: " " * int(m[1] or 1),
                 sheet.read_text(encoding="utf-8"))
    sheet_rows = []  # of cells (value type, value, text, formula)
    for row in ElementTree.fromstring(xml).iter(TABLE + "table-row"):
        cells = []
        for cell in row.iter(TABLE + "table-cell"):
            repeat = min(int(cell.get(TABLE + "number-columns-repeated", 1)), len(HEADER))
            cells += [(cell.get(OFFICE + "value-type"), cell.get(OFFICE + "value"),
                       "\n".join("".join(p.itertext()) for p in cell.iter(TEXT + "p")),
                       cell.get(TABLE + "formula"))] * repeat
        if any(kind or text for kind, _, text, _ in cells):
            sheet_rows.append(cells)
    PROBLEMS.extend(f"Calc: a formula {c[3]!r}" for cells in sheet_rows for c in cells if c[3])
    expect(len(sheet_rows) == len(rows) + 1, f"Calc: {len(sheet_rows)} rows, not {len(rows) + 1}")
    for cells, (_, name, _, kind, size, _) in zip(sheet_rows[1:], rows):
        # The guard's apostrophe stays visible: Calc takes it as text, not as its quote prefix.
        expect(cells[1][0] in (None, "string") and cells[1][2] == name,
               f"Calc: the name {name!r} reads as {cells[1][0]} {cells[1][2]!r}")
        expect(kind != "File" or cells[4][:2] == ("float", size),
               f"Calc: the size {size} of {name!r} reads as {cells[4][:2]}")


class Page(HTMLParser):
    """The title, h1, ids, links and sections (id, h2, parent link, rows of td cells)."""

    def __init__(self, text):
        super().__init__()
        self.heads, self.ids, self.links, self.sections = {"title": "", "h1": ""}, [], [], []
        self.into = None  # the (dict, key) that text goes to now
        self.feed(text)
        self.close()

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.ids += [attrs["id"]] if "id" in attrs else []
        section = self.sections[-1] if self.sections else {"rows": []}
        if tag == "a":
            self.links.append(attrs.get("href"))
            if self.into and self.into[1] == "text":
                self.into[0]["href"] = attrs.get("href")
            elif not section["rows"]:
                section["parent"] = attrs.get("href")
        elif tag in ("section", "title", "h1", "h2", "tr", "th", "td"):
            heads = (self.heads, tag) if tag in self.heads else None
            self.into = (section, tag) if tag == "h2" else heads
            if tag == "section":
                self.sections.append({"id": attrs.get("id"), "h2": "", "parent": None, "rows": []})
            elif tag == "tr":
                section["rows"].append([])
            elif tag == "td":
                section["rows"][-1].append({"text": "", "href": None})
                self.into = (section["rows"][-1][-1], "text")

    def handle_endtag(self, tag):
        if tag in ("title", "h1", "h2", "td", "th", "tr", "table"):
            self.into = None

    def handle_data(self, data):
        if self.into:
            self.into[0][self.into[1]] += data


def check_page(path, disk, start, csv_folders):
    text = path.read_text(encoding="utf-8")
    page, name = Page(text), path.name
    headings = [section["h2"] for section in page.sections]
    expect(sorted(headings) == sorted(disk), f"{name}: sections {headings}, folders {sorted(disk)}")
    expect([h for h in headings if h in csv_folders] == csv_folders,
           f"{name}: the sections {headings} do not follow the CSV's folders {csv_folders}")
    expect(len(set(page.ids)) == len(page.ids), f"{name}: ids used twice: {page.ids}")
    PROBLEMS.extend(f"{name}: the link {link!r} leads nowhere"
                    for link in set(page.links) - {"#" + i for i in page.ids})
    for entry in {entry for entries in disk.values() for entry in entries}:
        escaped = html.escape(entry).replace("&#x27;", "&#39;")
        expect(escaped in text and (escaped == entry or entry not in text),
               f"{name}: {entry!r} is not written as {escaped!r}")

    link_of = {section["h2"]: f"#{section['id']}" for section in page.sections}
    for section in page.sections:
        folder, rows = section["h2"], [cells for cells in section["rows"] if cells]
        entries = disk.get(folder, {})
        parent = link_of.get(folder.rsplit("\\", 1)[0])  # none for the start folder
        expect(section["parent"] == parent, f"{name}: {folder!r} links up to "
                                            f"{section['parent']!r}, not {parent!r}")
        expect(sorted(cells[0]["text"] for cells in rows) == sorted(entries),
               f"{name}: {folder!r} lists {[cells[0]['text'] for cells in rows]}")
        for cells in rows:
            entry, link = cells[0]["text"], cells[0]["href"]
            wanted = link_of.get(folder + "\\" + entry) if entries.get(entry, [0])[0] else None
            expect(link == wanted, f"{name}: {entry!r} in {folder!r} links to {link!r}, not "
                                   f"{wanted!r}")
    files = sum(not is_folder for e in disk.values() for is_folder, _, _ in e.values())
    counts = f"{files} files, {len(disk)} folders"  # the start folder counts too
    for part, part_text in page.heads.items():
        expect(start in part_text and counts in " ".join(part_text.split()),
               f"{name}: the {part} {part_text!r} lacks {start!r} or {counts!r}")


def check_chromium(page, disk, work):
    command = CHROMIUM + [f"--user-data-dir={work / 'chromium-profile'}", page.as_uri()]
    result = subprocess.run(command, capture_output=True, timeout=300)
    if result.returncode != 0 or not result.stdout:
        return expect(False, f"Chromium dumped no DOM (exit code {result.returncode}): "
                             f"{result.stderr.decode(errors='replace')[-500:]}")
    dom = Page(result.stdout.decode("utf-8"))
    shown = {cells[0]["text"] for section in dom.sections for cells in section["rows"] if cells}
    PROBLEMS.extend(f"Chromium's DOM lacks {entry!r}" for entry in
                    sorted({entry for entries in disk.values() for entry in entries} - shown))


def main():
    if len(sys.argv) != 2:
        fail("usage: check_exports.py SCRIVTREE_EXE")
    exe = sys.argv[1]
    can_run = subprocess.run([str(WINE_RUN), "--can-run", exe], capture_output=True, text=True)
    if can_run.returncode != 0:
        print(f"Skipped: {can_run.stdout.strip()}.")
        return 77
    os.environ["TZ"] = "America/New_York"
    time.tzset()
    # Stopped from outside, the run still puts the list separator back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))

    work = Path(tempfile.mkdtemp(prefix="scrivtree-exports.", dir="/tmp"))
    try:
        tree, csv_path, page = work / "Tree", work / "comma.csv", work / "listing.html"
        make_tree(tree)
        disk = disk_listing(tree)
        run_program(exe, tree, csv_path, "-csv")
        with list_separator(exe, ";"):
            run_program(exe, tree, work / "semicolon.csv", "-csv")
        run_program(exe, tree, page, "-html")
        rows = check_csv(csv_path, ",", disk)
        check_csv(work / "semicolon.csv", ";", disk)
        check_calc(csv_path, rows, work)
        check_page(page, disk, windows_path(tree), list(dict.fromkeys(row[0] for row in rows)))
        check_chromium(page, disk, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(*PROBLEMS, f"{len(PROBLEMS)} problems." if PROBLEMS else "All checks passed.", sep="\n")
    return 1 if PROBLEMS else 0


if __name__ == "__main__":
    sys.exit(main())
