#!/usr/bin/env python3
"""Times Scrivtree against two reference walkers (the floors) and cmd's dir /s /b, its CSV and
web page against its text listing, its start-up against an earlier build, and the dialog's
folder list against one enumeration of its folder, and writes the report.

Started by bench/run.sh, which has built the programs, made the trees, set up the Wine prefix
in the environment (WINEPREFIX and the pinned locale) and started the X display the folder list
draws on. One round runs every case once; the first round is the warm-up, and its outputs are
checked, so a broken run is never timed. The start-up pair runs STARTUP_REPEATS times a round,
interleaved. The folder list's benchmark runs its rounds itself, in one process, after the
others.
"""

import argparse
import datetime
import fnmatch
import hashlib
import json
import os
import platform
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

RUN_TIMEOUT_SECONDS = 600
MIB = 1024 * 1024
# The folder list's fill may take this many times as long as one enumeration of its folder.
NAVIGATOR_RATIO_LIMIT = 1.33
# Time limits as ratios of medians to the wide floor of the same tree.
T1_LIST_LIMIT = 1.10
T1_ALL_OPTIONS_LIMIT = 1.20
T2_SORT_LIMIT = 1.15
# UTF-8 output may cost this much over the same run without -u.
UTF8_LIMIT = 1.05
# The CSV and the web page may each take this many times as long as the text listing with -i
# (the same columns) of the same tree, and their peak memory this many times the listing's: the
# same, up to the few hundred KiB by which GNU time's figure moves between runs.
FORMAT_LIMIT = 1.10
FORMAT_PEAK_LIMIT = 1.02
# Start-up: a run on a folder of one file against the same run of the earlier build.
STARTUP_LIMIT = 1.05
# Runs of each program of the start-up pair per round: one run of about 65 ms is at the mercy
# of a single scheduling hiccup, so the median needs many.
STARTUP_REPEATS = 10
# Peak memory may grow this much over the program's before the wide walk.
PEAK_LIMIT = 1.10
# Peak memory (MiB) of the program before the wide walk, by build and tree: the 32-bit figures
# from the report of 70e7239, the 64-bit ones from a run of that program's 64-bit build.
PEAK_BEFORE_WIDE_WALK_MIB = {
    "win32": {"t1": 22.6, "t2": 55.3, "empty": 22.5},
    "win64": {"t1": 23.4, "t2": 61.5, "empty": 23.3},
}
UTF8_BOM = b"\xef\xbb\xbf"
CSV_HEADER = b"Folder,Name,Extension,Type,Size,Modified"
HTML_START = b"<!DOCTYPE html>"
# The output file's extension by format.
EXTENSIONS = {"text": ".txt", "csv": ".csv", "html": ".html"}
# The folder list's key for --cases.
NAVIGATOR_KEY = "t4-folder-list"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Case:
    def __init__(self, key, tree, program, flags, expected_lines, expected_sections=None,
                 built_from=None, expected_entries=None, yardstick=None):
        self.key = key
        # The key of the case it is judged against, run with it when --cases picks it.
        self.yardstick = yardstick
        self.expected_entries = expected_entries
        self.built_from = built_from
        self.tree = tree
        self.program = program
        self.flags = flags
        self.expected_lines = expected_lines
        self.expected_sections = expected_sections
        self.walls = []
        self.peaks = []
        self.cpus = []
        # Size of the output the warm-up checked.
        self.output_bytes = 0

    @property
    def utf8(self):
        return "-u" in self.flags

    @property
    def format(self):
        if "-csv" in self.flags:
            return "csv"
        if "-html" in self.flags:
            return "html"
        return "text"

    @property
    def label(self):
        tree = self.tree.upper()
        if self.program == "scrivtree":
            return f"{tree} Scrivtree {' '.join(self.flags)}"
        if self.program == "scrivtree-old":
            return f"{tree} Scrivtree of {self.built_from} {' '.join(self.flags)}"
        if self.program == "floor":
            return f"{tree} ANSI floor"
        if self.program == "floor-wide":
            return f"{tree} wide floor"
        return f"{tree} cmd /c dir /s /b"

    def median_wall(self):
        return statistics.median(self.walls)

    def median_peak(self):
        return statistics.median(self.peaks)

    def median_cpu(self):
        return statistics.median(self.cpus)


def make_cases(counts, old_commit):
    def listing_lines(tree, recursive):
        folders = counts[tree]["folders"] if recursive else 1
        files = counts[tree]["files"]
        # Per section: title, underline, empty line, entries, two empty lines.
        return 5 * folders + (folders - 1 if recursive else 0) + files

    def entries(tree):
        return counts[tree]["folders"] - 1 + counts[tree]["files"]

    def scrivtree(key, tree, flags, program="scrivtree"):
        recursive = "-s" in flags
        sections = counts[tree]["folders"] if recursive else 1
        return Case(key, tree, program, flags, listing_lines(tree, recursive), sections,
                    old_commit if program == "scrivtree-old" else None)

    def floors(tree):
        return [Case(f"{tree}-floor", tree, "floor", [], entries(tree)),
                Case(f"{tree}-floor-wide", tree, "floor-wide", [], entries(tree))]

    def formats(tree, flags):
        """The text listing with -i, which has the CSV's and the page's columns, then the CSV
        and the page, each judged against it."""
        recursive = "-s" in flags
        # Without -s only the start folder's files: the trees run so have no sub-folder.
        listed = entries(tree) if recursive else counts[tree]["files"]
        sections = counts[tree]["folders"] if recursive else 1
        stem = "-".join([tree] + [flag.lstrip("-") for flag in flags])
        text = scrivtree(f"{stem}-i", tree, flags + ["-i"])
        # The CSV: a header row, then a row per entry.
        csv = Case(f"{stem}-csv", tree, "scrivtree", flags + ["-csv"], 1 + listed,
                   yardstick=text.key)
        html = Case(f"{stem}-html", tree, "scrivtree", flags + ["-html"], None, sections,
                    expected_entries=listed, yardstick=text.key)
        return [text, csv, html]

    return [
        scrivtree("empty-s-f", "empty", ["-s", "-f"]),
        scrivtree("one-s-f-old", "one", ["-s", "-f"], "scrivtree-old"),
        scrivtree("one-s-f", "one", ["-s", "-f"]),
        *floors("t1"),
        scrivtree("t1-s-f", "t1", ["-s", "-f"]),
        scrivtree("t1-s-f-u", "t1", ["-s", "-f", "-u"]),
        scrivtree("t1-s-f-i-e-p-pt-t", "t1", ["-s", "-f", "-i", "-e", "-p", "-pt", "-t"]),
        Case("t1-dir", "t1", "dir", [], entries("t1")),
        *formats("t1", ["-s", "-f"]),
        *floors("t2"),
        scrivtree("t2-f-sort-name", "t2", ["-f", "-sort", "name"]),
        scrivtree("t2-f-sort-name-u", "t2", ["-f", "-sort", "name", "-u"]),
        scrivtree("t2-f-sort-ext", "t2", ["-f", "-sort", "ext"]),
        scrivtree("t2-f-sort-size", "t2", ["-f", "-sort", "size"]),
        scrivtree("t2-f-sort-date", "t2", ["-f", "-sort", "date"]),
        *formats("t2", ["-f"]),
        *floors("t3"),
        scrivtree("t3-s-f-i", "t3", ["-s", "-f", "-i"]),
    ]


# The start-up pair: the earlier build and the one measured, the same run.
STARTUP_KEYS = ("one-s-f-old", "one-s-f")
FORMAT_KEYS = {"t1": ("t1-s-f-i", "t1-s-f-csv", "t1-s-f-html"),
               "t2": ("t2-f-i", "t2-f-csv", "t2-f-html")}


def pick_cases(cases, patterns):
    """The cases whose key matches one of the comma-separated shell patterns, with those they
    are judged against: a format's text listing, a -u case's run without it, the start-up pair
    together. Returns them in their usual order, and whether the folder list was picked."""
    wanted = [pattern for pattern in patterns.split(",") if pattern]
    by_key = {case.key: case for case in cases}
    picked = {case.key for case in cases
              if any(fnmatch.fnmatchcase(case.key, pattern) for pattern in wanted)}
    for key in list(picked):
        case = by_key[key]
        if case.yardstick:
            picked.add(case.yardstick)
        if case.utf8 and key[:-len("-u")] in by_key:
            picked.add(key[:-len("-u")])
        if key in STARTUP_KEYS:
            picked.update(STARTUP_KEYS)
    navigator = any(fnmatch.fnmatchcase(NAVIGATOR_KEY, pattern) for pattern in wanted)
    return [case for case in cases if case.key in picked], navigator


def round_units(cases):
    """Groups a round's cases into the units that rotate from round to round: each case on its
    own, but the start-up pair together, so that its two programs run side by side."""
    pair = [case for case in cases if case.key in STARTUP_KEYS]
    units = []
    for case in cases:
        if case.key not in STARTUP_KEYS:
            units.append([case])
        elif case is pair[0]:
            units.append(pair)
    return units


def wait_or_kill(process, seconds):
    """Waits for the process, killing its group after the given time; returns whether it ended
    by itself and the processor time (user and system) of the process and of those it waited
    for. The wait blocks rather than polls: Popen.wait with a timeout looks at the process after
    sleeps that grow to 50 ms, which rounded every time up to those steps."""
    killed = threading.Event()

    def kill():
        killed.set()
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    timer = threading.Timer(seconds, kill)
    timer.start()
    try:
        _, status, usage = os.wait4(process.pid, 0)
    finally:
        timer.cancel()
    process.returncode = os.waitstatus_to_exitcode(status)
    return not killed.is_set(), usage.ru_utime + usage.ru_stime


def cpu_seconds(pid):
    """Processor time a running process has had so far, in nanoseconds' precision."""
    try:
        with open(f"/proc/{pid}/schedstat") as f:
            return int(f.read().split()[0]) / 1e9
    except (OSError, ValueError, IndexError):
        return 0.0


def wine_servers(prefix):
    """Process ids of the Wine server of a prefix: it works in a folder named after the
    prefix's device and inode."""
    try:
        info = os.stat(prefix)
    except OSError:
        return []
    suffix = f"/server-{info.st_dev:x}-{info.st_ino:x}"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as f:
                name = f.read()
            if name.startswith("wineserver") and os.readlink(f"/proc/{entry}/cwd").endswith(suffix):
                found.append(int(entry))
        except OSError:
            continue
    return found


class Runner:
    def __init__(self, args):
        self.args = args
        self.trees = os.path.join(args.work_dir, "trees")
        self.out = os.path.join(args.work_dir, "out")
        os.makedirs(self.out, exist_ok=True)

    def output_path(self, case):
        return os.path.join(self.out, case.key + EXTENSIONS[case.format])

    def command(self, case):
        start = windows_path(os.path.join(self.trees, case.tree))
        output = windows_path(self.output_path(case))
        if case.program == "scrivtree":
            return [self.args.wine, self.args.exe, "-path", start, "-out", output] + case.flags
        if case.program == "scrivtree-old":
            return [self.args.wine, self.args.old_exe, "-path", start, "-out", output] + case.flags
        if case.program == "floor":
            return [self.args.wine, self.args.floor, start, output]
        if case.program == "floor-wide":
            return [self.args.wine, self.args.floor_wide, start, output]
        return [self.args.wine, "cmd", "/c", "dir", "/s", "/b", start, ">", output]

    def run(self, case):
        """One run under GNU time; returns wall seconds, peak resident set size in bytes and
        processor seconds: the run's own and those the prefix's Wine server spent meanwhile,
        which is serving the run (the prefix is the benchmark's alone)."""
        servers = wine_servers(os.environ["WINEPREFIX"])
        if self.args.cpu is not None:
            for server in servers:
                os.sched_setaffinity(server, {self.args.cpu})
        if os.path.exists(self.output_path(case)):
            os.remove(self.output_path(case))
        # Errors go to a file, not a pipe: Wine's desktop process, started by the run, inherits
        # the handle and holds a pipe open for a second after the run has ended.
        with tempfile.NamedTemporaryFile("r", prefix="time-", dir=self.out) as report, \
                tempfile.TemporaryFile(prefix="stderr-", dir=self.out) as errors:
            command = ["/usr/bin/time", "-v", "-o", report.name] + self.command(case)
            server_before = sum(cpu_seconds(server) for server in servers)
            began = time.perf_counter()
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=errors,
                                       start_new_session=True)
            ended, cpu = wait_or_kill(process, RUN_TIMEOUT_SECONDS)
            wall = time.perf_counter() - began
            cpu += sum(cpu_seconds(server) for server in servers) - server_before
            if not ended:
                raise SystemExit(f"measure: {case.label} ran longer than {RUN_TIMEOUT_SECONDS} s")
            fields = {}
            for line in report.read().splitlines():
                name, _, value = line.strip().rpartition(": ")
                fields[name] = value
            status = fields.get("Exit status")
            if process.returncode != 0 or status != "0":
                errors.seek(0)
                message = errors.read().decode(errors="replace").strip()
                raise SystemExit(f"measure: {case.label} failed (exit status {status}): {message}")
        return wall, int(fields["Maximum resident set size (kbytes)"]) * 1024, cpu

    def check(self, case):
        with open(self.output_path(case), "rb") as f:
            text = f.read()
        case.output_bytes = len(text)
        problems = {"text": self.text_problems, "csv": self.csv_problems,
                    "html": self.html_problems}[case.format](case, text)
        if problems:
            raise SystemExit(f"measure: {case.label}: {'; '.join(problems)}; "
                             f"see {self.output_path(case)}")

    @staticmethod
    def text_problems(case, text):
        lines = text.count(b"\n")
        problems = []
        if lines != case.expected_lines:
            problems.append(f"{lines} lines where {case.expected_lines} were expected")
        if text.count(b"\r\n") != lines or not text.endswith(b"\r\n"):
            problems.append("not every line ends with CR LF")
        if case.utf8 != text.startswith(UTF8_BOM):
            problems.append("the UTF-8 byte order mark " +
                            ("is missing" if case.utf8 else "where none belongs"))
        if case.expected_sections is not None:
            sections = sum(1 for line in text.split(b"\r\n") if line and line.strip(b"=") == b"")
            if sections != case.expected_sections:
                problems.append(f"{sections} sections where {case.expected_sections} were expected")
        return problems

    @staticmethod
    def csv_problems(case, text):
        lines = text.count(b"\n")
        problems = []
        if not text.startswith(UTF8_BOM):
            problems.append("the UTF-8 byte order mark is missing")
        if not text[len(UTF8_BOM):].startswith(CSV_HEADER + b"\r\n"):
            problems.append("the header row is not " + CSV_HEADER.decode())
        if lines != case.expected_lines:
            problems.append(f"{lines} lines where {case.expected_lines} were expected")
        if text.count(b"\r\n") != lines or not text.endswith(b"\r\n"):
            problems.append("not every line ends with CR LF")
        return problems

    @staticmethod
    def html_problems(case, text):
        problems = []
        if not text.startswith(HTML_START):
            problems.append("it does not start with " + HTML_START.decode())
        sections = text.count(b"<section ")
        if sections != case.expected_sections:
            problems.append(f"{sections} sections where {case.expected_sections} were expected")
        rows = text.count(b"<tr><td>")
        if rows != case.expected_entries:
            problems.append(f"{rows} entry rows where {case.expected_entries} were expected")
        return problems


class Navigator:
    """The dialog's folder list filled with T4, timed by bench/navigator.cpp against one
    enumeration of T4, through the project's Wine runner in a prefix with a display."""

    def __init__(self, args, counts):
        self.args = args
        self.folder = windows_path(os.path.join(args.work_dir, "trees", "t4"))
        self.subfolders = counts["t4"]["folders"] - 1
        # The folder's own components come first in the list.
        self.items = self.subfolders + len(self.folder.split("\\"))
        self.result = None

    def run(self, rounds):
        args = self.args
        env = dict(os.environ, SCRIVTREE_WINE_ROOT=args.display_wine_root,
                   SCRIVTREE_DISPLAY=args.display)
        env.pop("SCRIVTREE_NO_DISPLAY", None)
        if args.cpu is not None:
            arch = os.path.basename(os.environ["WINEPREFIX"])
            for server in wine_servers(os.path.join(args.display_wine_root, arch)):
                os.sched_setaffinity(server, {args.cpu})
        command = ["sh", os.path.join(args.repo, "scripts", "wine-run.sh"), args.navigator,
                   self.folder, str(rounds)]
        with tempfile.TemporaryFile(prefix="stdout-") as output, \
                tempfile.TemporaryFile(prefix="stderr-") as errors:
            # Files, not pipes, for the reason given in Runner.run.
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=output,
                                       stderr=errors, env=env, start_new_session=True)
            if not wait_or_kill(process, RUN_TIMEOUT_SECONDS)[0]:
                raise SystemExit(
                    f"measure: the folder list ran longer than {RUN_TIMEOUT_SECONDS} s")
            output.seek(0)
            errors.seek(0)
            lines = output.read().decode(errors="replace").splitlines()
            message = errors.read().decode(errors="replace").strip()
        result = None
        if lines and lines[-1].startswith("{"):
            result = json.loads(lines[-1])
        if result is None or process.returncode not in (0, 1):
            raise SystemExit(f"measure: the folder list failed (exit code {process.returncode}): "
                             f"{message}")
        problems = []
        if not result["list_ok"]:
            problems.append(result["problem"])
        if result["subfolders"] != self.subfolders:
            problems.append(f"{result['subfolders']} sub-folders enumerated where "
                            f"{self.subfolders} were made")
        if result["items"] != self.items:
            problems.append(f"{result['items']} items in the list where {self.items} were "
                            "expected")
        if problems:
            raise SystemExit(f"measure: the folder list of T4: {'; '.join(problems)}")
        self.result = result
        return result


def read_text(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def machine_facts(args):
    cpu = next((line.split(":", 1)[1].strip() for line in read_text("/proc/cpuinfo").splitlines()
                if line.startswith("model name")), "unknown")
    memory = next((int(line.split()[1]) * 1024 for line in read_text("/proc/meminfo").splitlines()
                   if line.startswith("MemTotal:")), 0)
    wine = subprocess.run([args.wine, "--version"], capture_output=True, text=True).stdout.strip()
    def digest(path):
        with open(path, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest()[:16]

    try:
        commit = subprocess.run(["git", "-C", args.repo, "rev-parse", "--short", "HEAD"],
                                capture_output=True, text=True).stdout.strip()
    except OSError:
        commit = ""
    return [
        ("Date (UTC)", datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M")),
        ("CPU", f"{cpu}, {os.cpu_count()} logical processors (nproc)"),
        ("RAM", f"{memory / 2**30:.1f} GiB"),
        ("System", f"{platform.system()} {platform.release()}"),
        ("Wine", wine),
        ("Build measured", args.build),
        ("Load average at the start", " ".join(read_text("/proc/loadavg").split()[:3])),
        ("Scrivtree.exe", f"SHA-256 {digest(args.exe)}, repository at {commit or 'no commit'}"),
        (f"Scrivtree.exe of {args.old_commit}", f"SHA-256 {digest(args.old_exe)}"),
    ]


def fmt_seconds(value):
    return f"{value:.3f}"


def fmt_mib(value):
    return f"{value / MIB:.1f}"


def result_rows(cases):
    """The Results table's rows: every case but the start-up pair, with its ratios to the
    floors of its tree when they ran."""
    ansi_floors = {case.tree: case for case in cases if case.program == "floor"}
    wide_floors = {case.tree: case for case in cases if case.program == "floor-wide"}

    def to_floor(case, floors):
        floor = floors.get(case.tree)
        if case.program in ("floor", "floor-wide", "scrivtree-old") or floor is None:
            return ""
        return (f"{case.median_wall() / floor.median_wall():.2f}x / "
                f"{case.median_cpu() / floor.median_cpu():.2f}x")

    rows = []
    for case in cases:
        if case.key in STARTUP_KEYS:
            continue
        walls = case.walls
        rows.append(f"| {case.label} | {fmt_seconds(case.median_wall())} | "
                    f"{fmt_seconds(min(walls))}-{fmt_seconds(max(walls))} | "
                    f"{fmt_seconds(case.median_cpu())} | {fmt_mib(case.median_peak())} | "
                    f"{to_floor(case, wide_floors)} | {to_floor(case, ansi_floors)} |")
    return rows


def format_comparisons(by_key):
    """The CSV and the page of each tree whose three format cases ran, each with the text
    listing with -i it is judged against and the ratios of medians to it: wall time, processor
    time, peak memory."""
    comparisons = []
    for keys in FORMAT_KEYS.values():
        if not all(key in by_key for key in keys):
            continue
        text = by_key[keys[0]]
        for case in (by_key[key] for key in keys[1:]):
            comparisons.append((text, case, case.median_wall() / text.median_wall(),
                                case.median_cpu() / text.median_cpu(),
                                case.median_peak() / text.median_peak()))
    return comparisons


def formats_section(by_key):
    """The Formats table and its verdict, or nothing when no tree had its three cases run."""
    comparisons = format_comparisons(by_key)
    if not comparisons:
        return ""

    def cells(case):
        return (f"{fmt_seconds(case.median_wall())} | "
                f"{fmt_seconds(min(case.walls))}-{fmt_seconds(max(case.walls))} | "
                f"{fmt_seconds(case.median_cpu())} | {fmt_mib(case.median_peak())} | "
                f"{fmt_mib(case.output_bytes)}")

    names = {"text": "text listing", "csv": "CSV", "html": "web page"}
    rows = []
    heading = None
    for text, case, wall, cpu, peak in comparisons:
        # Each tree's text listing heads its two formats.
        if text is not heading:
            heading = text
            rows.append(f"| {text.label} | {cells(text)} | | | |")
        rows.append(f"| {case.label} | {cells(case)} | {wall:.2f}x / {cpu:.2f}x | {peak:.2f}x | "
                    f"{'yes' if wall <= FORMAT_LIMIT else 'no'}, "
                    f"{'yes' if peak <= FORMAT_PEAK_LIMIT else 'no'} |")
    missed = [f"{case.tree.upper()} {names[case.format]}"
              for _, case, wall, _, peak in comparisons
              if wall > FORMAT_LIMIT or peak > FORMAT_PEAK_LIMIT]
    verdict = ("Every one is within both limits." if not missed
               else f"Outside a limit: {', '.join(missed)}.")
    table = "\n".join(rows)
    return f"""The CSV (`-csv`) and the web page (`-html`) against the text listing with `-i`, which
shows the same columns (name, size, date and time), on the same tree with the same options.
Ratios are of medians: wall time / processor time, and peak memory. The limits: wall time at
most {FORMAT_LIMIT:.2f} times the listing's, peak memory at most {FORMAT_PEAK_LIMIT:.2f} times
(the same, up to the few hundred KiB by which the figure moves between runs).

| Case | Median wall (s) | Range (s) | Median processor (s) | Peak memory (MiB) | Output (MiB) | Time to text `-i` | Peak to text `-i` | Within time, memory |
|---|---|---|---|---|---|---|---|---|
{table}

{verdict}
"""


def write_report(args, cases, navigator, counts, facts, elapsed):
    by_key = {case.key: case for case in cases}
    wide_floors = {case.tree: case for case in cases if case.program == "floor-wide"}
    dir_t1 = by_key["t1-dir"]
    rows = result_rows(cases)

    targets = []

    def target(what, measured, limit, met):
        targets.append(f"| {what} | {measured} | {limit} | {'met' if met else 'not met'} |")

    def time_target(what, case, yardstick, limit):
        ratio = case.median_wall() / yardstick.median_wall()
        cpu_ratio = case.median_cpu() / yardstick.median_cpu()
        target(what, f"{ratio:.2f}x (processor time {cpu_ratio:.2f}x)", f"<= {limit:.2f}x",
               ratio <= limit)
        return ratio

    def wide_floor_target(key, limit):
        case = by_key[key]
        time_target(f"{case.tree.upper()} `{' '.join(case.flags)}`, time to wide floor", case,
                    wide_floors[case.tree], limit)

    wide_floor_target("t1-s-f", T1_LIST_LIMIT)
    ratio = by_key["t1-s-f"].median_wall() / dir_t1.median_wall()
    target("T1 `-s -f`, time to `dir /s /b`", f"{ratio:.2f}x ({1 / ratio:.2f} times as fast)",
           "<= 0.50x (2 times as fast)", ratio <= 0.5)
    wide_floor_target("t1-s-f-i-e-p-pt-t", T1_ALL_OPTIONS_LIMIT)
    for key in ("t2-f-sort-name", "t2-f-sort-ext", "t2-f-sort-size", "t2-f-sort-date"):
        wide_floor_target(key, T2_SORT_LIMIT)
    for key in ("t1-s-f-u", "t2-f-sort-name-u"):
        case = by_key[key]
        plain = by_key[key[:-len("-u")]]
        time_target(f"{case.tree.upper()} `{' '.join(case.flags)}`, time to "
                    f"`{' '.join(plain.flags)}`", case, plain, UTF8_LIMIT)
    old, new = (by_key[key] for key in STARTUP_KEYS)
    startup_ratio = time_target(
        f"ONE `{' '.join(new.flags)}` (start-up), time to the build of {args.old_commit}", new,
        old, STARTUP_LIMIT)
    names = {"csv": "CSV", "html": "web page"}
    for text, case, *_ in format_comparisons(by_key):
        time_target(f"{case.tree.upper()} {names[case.format]} `{' '.join(case.flags)}`, time to "
                    f"`{' '.join(text.flags)}`", case, text, FORMAT_LIMIT)
    for text, case, _, _, peak in format_comparisons(by_key):
        target(f"{case.tree.upper()} {names[case.format]} `{' '.join(case.flags)}`, peak memory "
               f"to `{' '.join(text.flags)}`",
               f"{fmt_mib(case.median_peak())} MiB to {fmt_mib(text.median_peak())} MiB "
               f"({peak:.2f}x)", f"<= {FORMAT_PEAK_LIMIT:.2f}x", peak <= FORMAT_PEAK_LIMIT)
    baselines = PEAK_BEFORE_WIDE_WALK_MIB.get(args.arch, {})
    for case in cases:
        if case.program != "scrivtree" or case.format != "text" or case.tree not in baselines:
            continue
        before = baselines[case.tree]
        peak = case.median_peak() / MIB
        target(f"{case.tree.upper()} `{' '.join(case.flags)}`, peak memory",
               f"{peak:.1f} MiB ({(peak / before - 1) * 100:+.0f}%)",
               f"<= {before * PEAK_LIMIT:.1f} MiB ({before:.1f} +{(PEAK_LIMIT - 1) * 100:.0f}%)",
               peak <= before * PEAK_LIMIT)

    nav = navigator.result
    target("T4 folder list, fill time to one enumeration of the folder", f"{nav['ratio']:.2f}x",
           f"<= {NAVIGATOR_RATIO_LIMIT:.2f}x", nav["ratio"] <= NAVIGATOR_RATIO_LIMIT)

    def nav_row(what, key):
        values = nav[key]
        return (f"| {what} | {fmt_seconds(statistics.median(values))} | "
                f"{fmt_seconds(min(values))}-{fmt_seconds(max(values))} |")

    nav_rows = "\n".join([
        nav_row("One enumeration of T4 (the yardstick)", "enumerate_seconds"),
        nav_row("`FillFolderList` opening T4", "fill_seconds"),
        nav_row("The list's first paint after the fill (not in the ratio)", "paint_seconds"),
    ])

    startup_rows = "\n".join(
        f"| {case.label} | {len(case.walls)} | {fmt_seconds(case.median_wall())} | "
        f"{fmt_seconds(min(case.walls))}-{fmt_seconds(max(case.walls))} | "
        f"{fmt_seconds(case.median_cpu())} | {fmt_mib(case.median_peak())} |"
        for case in (old, new))

    empty = by_key["empty-s-f"]
    pinning = "not pinned" if args.cpu is None else f"processor {args.cpu}, `--cpu`"
    trees = "\n".join(
        f"| {name.upper()} | {counts[name]['folders']:,} | {counts[name]['files']:,} | {shape} |"
        for name, shape in (
            ("t1", "depth 4, 10 sub-folders and 10 files in every folder"),
            ("t2", "one folder"),
            ("t3", "a chain of folders; the deepest files' paths are 254 to 259 characters"),
            ("t4", "one folder of sub-folders only, for the dialog's folder list"),
            ("empty", "an empty folder"),
            ("one", "one folder with one file, for the start-up cost"),
        ))
    if args.arch == "win32":
        other = ("64-bit build", "benchmarks-win64.md",
                 "SCRIVTREE_NO_32BIT=1 bash bench/run.sh --report docs/benchmarks-win64.md")
    else:
        other = ("32-bit build", "benchmarks.md", "bash bench/run.sh")
    baseline_text = ", ".join(f"{name.upper()} {value:.1f} MiB"
                              for name, value in baselines.items()) or "none recorded"
    facts = facts + [("Load average at the end", " ".join(read_text("/proc/loadavg").split()[:3]))]
    facts_table = "\n".join(f"| {name} | {value} |" for name, value in facts)
    text = f"""# Benchmarks

Build measured: {args.build}. The {other[0]}'s results are in
[{other[1]}]({other[1]}) (`{other[2]}`). The CSV and the web page against the text listing,
measured on their own: [benchmarks-formats.md](benchmarks-formats.md).

Scrivtree's command-line mode timed on generated trees under Wine, against three yardsticks on
the same trees in the same Wine prefix:

- the wide floor, `bench/floor_wide.cpp`: the least work a listing of a tree can do, that is
  enumerate each folder once by its absolute `\\\\?\\` path with `FindFirstFileExW("*")`,
  `FindExInfoBasic` and `FIND_FIRST_EX_LARGE_FETCH`, without changing the current folder,
  convert each name to the ANSI code page (`WideCharToMultiByte(CP_ACP)`), write one line per
  entry through a 64 KiB buffer, then recurse depth first; no sorting, no formatting. The time
  targets are set against it;
- the ANSI floor, `bench/floor.cpp`, the yardstick before the wide walk, kept for the record:
  enter each folder by its whole path with `SetCurrentDirectoryA`, enumerate it once with
  `FindFirstFileA("*.*")`, write one line per entry through a 64 KiB stdio buffer, then recurse
  depth first;
- Wine's `cmd /c dir /s /b TREE > FILE` (T1 only).

Start-up is timed against Scrivtree built from commit {args.old_commit}, run side by side (see
"Start-up" below). The dialog's folder list is timed apart, on a folder of 100,000
sub-folders, against one enumeration of that folder (see "Folder list" below).

## Running

    bash bench/run.sh                      # full run, rewrites this file
    bash bench/run.sh --check-only --save-outputs DIR   # one checked run per case, no timing
    bash bench/run.sh --save-outputs DIR   # full run that also keeps Scrivtree's outputs
    bash bench/run.sh --exe PATH           # time another build of Scrivtree.exe
    bash bench/run.sh --rounds N --work-dir DIR --report FILE --cpu N|last|none --display :N
    SCRIVTREE_NO_32BIT=1 bash bench/run.sh --report docs/benchmarks-win64.md   # 64-bit build
    bash bench/run.sh --cases PATTERNS --report FILE   # some cases only, a short report

`--cases` takes comma-separated shell patterns of the cases' keys (`t1-s-f`, `t2-f-csv`, ...,
`t4-folder-list` for the folder list; the output files in the work dir's `out` are named after
them) and adds what the picked cases are judged against; for example
`SCRIVTREE_NO_32BIT=1 bash bench/run.sh --cases '*-csv,*-html' --report docs/benchmarks-formats.md`.

`run.sh` installs what is missing (through `scripts/install-deps.sh` when the repository has it,
otherwise with apt-get), builds Scrivtree and the folder list's benchmark (`bench/navigator.cpp`)
in `build/bench-win32` (`build/bench-win64` where the kernel runs no 32-bit program, or with
`SCRIVTREE_NO_32BIT=1`) and the two floors, builds Scrivtree of {args.old_commit} for the
start-up pair once under the work dir (from `git archive`, with the same toolchain file; later
runs reuse it), makes the trees once under the work dir (default `/tmp/scrivtree-bench`; they
are reused while the generator's version is unchanged), and runs `bench/measure.py`. To see that
an engine change keeps the output, save the outputs of both versions and compare them:
`cmp DIR1/t1-s-f.txt DIR2/t1-s-f.txt` and so on for every `*.txt` (or `diff -r DIR1 DIR2`).

## Method

- Trees (fixed seed, `bench/generate_trees.py`): every file has an extension and no name starts
  with a dot, so the default filter lists everything; names are 1 to 32 characters plus a mixed
  extension, with inner spaces and dots; sizes from 0 to 10 MB (sparse) and dates from 1995 to
  2024, with some shared sizes and dates so that the sorts meet ties.

| Tree | Folders | Files | Shape |
|---|---|---|---|
{trees}

- One round runs every case once, in an order that rotates from round to round; the start-up
  pair runs {STARTUP_REPEATS} times each a round, the two programs alternating. The first round
  is the warm-up: its outputs are checked (line count, CR LF endings, for Scrivtree the number
  of sections equals the number of folders listed, and with `-u`, and only then, the output
  starts with the UTF-8 byte order mark; a CSV starts with the byte order mark and the header
  row, has a line per entry and CR LF endings; a web page starts with `<!DOCTYPE html>` and
  has a `<section` per folder listed and a `<tr><td>` per entry) and its times are dropped.
  Then {args.rounds} timed rounds; the tables give medians and the range.
- Wall time is taken around `wine PROGRAM ...` and includes Wine's process start-up. The Wine
  server is kept alive (`wineserver -p`) so that start-up is steady, and so is Wine's desktop
  process (`bench/desktop_holder.cpp`), which Scrivtree's wait cursor needs and Windows always
  has: Wine starts it on first use, at a cost of about 50 ms of processor time beside the run,
  and ends it some seconds after its last user, so that without the holder a run would pay it
  or not depending on the run before. Scrivtree on an empty
  folder took **{fmt_seconds(empty.median_wall())} s** (peak {fmt_mib(empty.median_peak())} MiB).
- Processor time is the run's user and system time (the `wine` launcher and the processes it
  waited for, from `wait4`) plus the time the prefix's Wine server had on a processor meanwhile
  (`/proc/PID/schedstat`; the prefix is the benchmark's own, so the server serves the run). It
  moves much less than wall time when other programs load the machine, but leaves out waits;
  the targets are judged on wall time, and the processor time stands beside it in the tables.
  The load averages at the start and end of the run are under "Machine".
- Peak memory is GNU time's "Maximum resident set size": the largest resident set of the
  `wine` launcher and the processes it waited for. The Windows program runs as a child of the
  launcher script, so this is the Windows process's own peak; the Wine server and Wine's
  background services are not children and are not counted. (Checked with a program that
  touches 100 MB and 300 MB: the figure grew by those amounts over a base of about 8 MB.) The
  peak memory targets compare with Scrivtree's before the wide walk on this build:
  {baseline_text}.
- The programs, and the Wine server that answers their calls, run on one processor
  ({pinning}). In this virtual machine a call that wakes the server on the other
  processor costs more than the work it asks for, so unpinned times swing by a factor of two or
  three with the load of the other processor; pinned, the times measure the work.
- No X display for these cases: a message box would fail at once instead of blocking. `TZ` and
  `LANG` are fixed as in the tests.

## Results

Ratios are of medians, wall time / processor time.

| Case | Median wall (s) | Range (s) | Median processor (s) | Peak memory (MiB) | To wide floor | To ANSI floor |
|---|---|---|---|---|---|---|
{chr(10).join(rows)}

### Formats

{formats_section(by_key)}
## Start-up

A run on ONE, a folder of one file, costs little more than the program's start: loading, the
command line, opening the output. It is timed against the same run of Scrivtree built from
commit {args.old_commit}, in the same rounds: each round runs the pair {STARTUP_REPEATS} times,
the two programs in turn.

| Program | Runs | Median wall (s) | Range (s) | Median processor (s) | Peak memory (MiB) |
|---|---|---|---|---|---|
{startup_rows}

The run took **{startup_ratio:.2f} times** as long as the earlier build's (medians); the target
is at most {STARTUP_LIMIT:.2f} times.

## Folder list

The dialog's folder list, `FillFolderList` in `ui/folder_navigator.cpp`, opening T4, a folder of
{navigator.subfolders:,} sub-folders, timed by `bench/navigator.cpp`. The list is an owner-drawn
list box with the dialog's styles in a window of its own, on a private X display (Xvfb on
{args.display}) and in a Wine prefix of its own under the work dir, run through
`scripts/wine-run.sh`; the processor is the same as above. In each round the program first
enumerates T4 once as the wide floor does (`FindFirstFileExW` on its `\\\\?\\` path with
`FindExInfoBasic` and `FIND_FIRST_EX_LARGE_FETCH`, then `FindNextFileW`, counting the
sub-folders): the yardstick, the least that showing the folder can cost. Then it
shows T4's parent in the list and times `FillFolderList` opening T4, as when the user opens it:
enumerate, sort, and add the {nav['items']:,} items (the folder's components, then its
sub-folders). The first paint of the list after the fill is timed on its own. One warm-up round
and {nav['rounds']} timed rounds, in one process, timed inside it with
`QueryPerformanceCounter` (no process start-up). After the last round every item is checked:
each component with its text, indent and offset, then every sub-folder in order.

| Step | Median (s) | Range (s) |
|---|---|---|
{nav_rows}

The fill took **{nav['ratio']:.2f} times** as long as one enumeration (medians); the target is
at most {NAVIGATOR_RATIO_LIMIT:.2f} times.

## Targets

| Target | Measured | Limit | |
|---|---|---|---|
{chr(10).join(targets)}

## Machine

| | |
|---|---|
{facts_table}

The measurements, warm-up included, took {elapsed / 60:.1f} minutes.
"""
    with open(args.report, "w") as f:
        f.write(text)


def write_subset_report(args, cases, counts, facts, elapsed):
    """The short report of a run of some cases (--cases): what ran, how, the Results table of
    those cases and the Formats table when a tree's three format cases are among them."""
    by_key = {case.key: case for case in cases}
    formats = formats_section(by_key)
    # The cases of the Formats table are given there only.
    shown = {key for text, case, *_ in format_comparisons(by_key) for key in (text.key, case.key)}
    others = [case for case in cases if case.key not in shown]
    results_text = f"""## Results

Ratios are of medians, wall time / processor time.

| Case | Median wall (s) | Range (s) | Median processor (s) | Peak memory (MiB) | To wide floor | To ANSI floor |
|---|---|---|---|---|---|---|
{chr(10).join(result_rows(others))}

""" if result_rows(others) else ""
    title = "CSV and web page" if formats else "some of the cases"
    environment = "SCRIVTREE_NO_32BIT=1 " if os.environ.get("SCRIVTREE_NO_32BIT") == "1" else ""
    command = (f"{environment}bash bench/run.sh --cases '{args.cases}' --rounds {args.rounds} "
               f"--report {os.path.relpath(os.path.abspath(args.report), args.repo)}")
    keys = ", ".join(f"`{case.key}`" for case in cases)
    pinning = "not pinned" if args.cpu is None else f"processor {args.cpu}"
    t1, t2 = counts["t1"], counts["t2"]
    # The earlier build runs only in the start-up pair.
    facts = [(name, value) for name, value in facts
             if not name.startswith("Scrivtree.exe of") or STARTUP_KEYS[0] in by_key]
    facts = facts + [("Load average at the end", " ".join(read_text("/proc/loadavg").split()[:3]))]
    facts_table = "\n".join(f"| {name} | {value} |" for name, value in facts)
    formats_text = f"## Formats\n\n{formats}\n" if formats else ""
    text = f"""# Benchmarks: {title}

Build measured: {args.build}. A run of some cases only: {keys}. The full runs, which
describe the trees and the method at length, are in [benchmarks.md](benchmarks.md) (32-bit
build) and [benchmarks-win64.md](benchmarks-win64.md) (64-bit build).

## Running

    {command}

## Method

As in [benchmarks.md](benchmarks.md): the trees of `bench/generate_trees.py` (T1: {t1['folders']:,}
folders and {t1['files']:,} files, depth 4; T2: one folder of {t2['files']:,} files), a warm-up
round whose outputs are checked and whose times are dropped, then {args.rounds} timed rounds that
run every case once in an order that rotates from round to round. Wall time is taken around
`wine PROGRAM ...` (Wine's start-up included), processor time is the run's plus the Wine
server's meanwhile, peak memory is GNU time's maximum resident set of the Windows process; the
programs and the Wine server run on one processor ({pinning}), and the tables give medians and
the range.

{results_text}{formats_text}## Machine

| | |
|---|---|
{facts_table}

The measurements, warm-up included, took {elapsed / 60:.1f} minutes.
"""
    with open(args.report, "w") as f:
        f.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--floor", required=True, help="the ANSI floor")
    parser.add_argument("--floor-wide", required=True, help="the wide floor")
    parser.add_argument("--old-exe", required=True,
                        help="Scrivtree built from --old-commit, for the start-up pair")
    parser.add_argument("--old-commit", required=True)
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("--wine", required=True)
    parser.add_argument("--repo", required=True)
    parser.add_argument("--build", required=True, help="which Windows build is measured")
    parser.add_argument("--navigator", required=True, help="the folder list's benchmark program")
    parser.add_argument("--display", required=True, help="the X display the folder list uses")
    parser.add_argument("--display-wine-root", required=True,
                        help="Wine root (SCRIVTREE_WINE_ROOT) of the prefix with the display")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--report")
    parser.add_argument("--save-outputs")
    parser.add_argument("--check-only", action="store_true")
    parser.add_argument("--cases", help="comma-separated shell patterns of the keys of the cases "
                        f"to run ({NAVIGATOR_KEY} for the folder list), with those they are "
                        "judged against; the report is then a short one")
    parser.add_argument("--cpu", default="last",
                        help="processor that runs the programs and the Wine server: a number, "
                        "'last' or 'none' (no pinning)")
    args = parser.parse_args()
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")
    if args.cpu == "none":
        args.cpu = None
    elif args.cpu == "last":
        args.cpu = max(os.sched_getaffinity(0))
    else:
        args.cpu = int(args.cpu)
    if args.cpu is not None:
        # Inherited by every run and by what it starts.
        os.sched_setaffinity(0, {args.cpu})

    began = time.perf_counter()
    with open(os.path.join(args.work_dir, "trees", "manifest.json")) as f:
        counts = json.load(f)["trees"]
    cases = make_cases(counts, args.old_commit)
    run_navigator = True
    if args.cases is not None:
        all_cases = len(cases)
        cases, run_navigator = pick_cases(cases, args.cases)
        if not cases and not run_navigator:
            raise SystemExit(f"measure: no case matches {args.cases}")
        # Everything picked is a full run.
        if len(cases) == all_cases and run_navigator:
            args.cases = None
    runner = Runner(args)
    navigator = Navigator(args, counts)
    facts = machine_facts(args)

    print("measure: warm-up and output check", flush=True)
    # Every case is run and checked, so that one run names every case that fails.
    failures = []
    for case in cases:
        try:
            runner.run(case)
            runner.check(case)
        except SystemExit as failure:
            print(failure, file=sys.stderr, flush=True)
            failures.append(case.label)
    if args.save_outputs:
        os.makedirs(args.save_outputs, exist_ok=True)
        for case in cases:
            if case.program == "scrivtree" and os.path.exists(runner.output_path(case)):
                shutil.copyfile(runner.output_path(case), os.path.join(
                    args.save_outputs, os.path.basename(runner.output_path(case))))
        print(f"measure: Scrivtree's outputs saved in {args.save_outputs}")
    if run_navigator:
        try:
            result = navigator.run(1)
            print(f"measure: the folder list held {result['items']:,} items in order",
                  flush=True)
        except SystemExit as failure:
            print(failure, file=sys.stderr, flush=True)
            failures.append("T4 folder list")
    if failures:
        raise SystemExit(f"measure: {len(failures)} of {len(cases) + run_navigator} checks "
                         f"failed: {', '.join(failures)}")
    if args.check_only:
        print("measure: all outputs checked")
        return

    units = round_units(cases)
    for round_index in range(args.rounds if units else 0):
        shift = round_index % len(units)
        for unit in units[shift:] + units[:shift]:
            repeats = 1 if len(unit) == 1 else STARTUP_REPEATS
            for repeat in range(repeats):
                # Each program of a pair goes first as often as the other.
                for case in unit if repeat % 2 == 0 else reversed(unit):
                    wall, peak, cpu = runner.run(case)
                    case.walls.append(wall)
                    case.peaks.append(peak)
                    case.cpus.append(cpu)
        print(f"measure: round {round_index + 1} of {args.rounds} done", flush=True)
    if run_navigator:
        result = navigator.run(args.rounds)
        print("measure: the folder list done", flush=True)

    for case in cases:
        print(f"{case.label:44} {fmt_seconds(case.median_wall()):>8} s "
              f"{fmt_seconds(case.median_cpu()):>8} s CPU {fmt_mib(case.median_peak()):>7} MiB")
    for text, case, wall, cpu, peak in format_comparisons({case.key: case for case in cases}):
        print(f"{case.label + ' to ' + ' '.join(text.flags):44} {wall:.2f}x time "
              f"{cpu:.2f}x CPU {peak:.2f}x peak")
    if run_navigator:
        print(f"{'T4 folder list, one enumeration':44} "
              f"{fmt_seconds(result['enumerate_median']):>8} s")
        print(f"{'T4 folder list, FillFolderList':44} {fmt_seconds(result['fill_median']):>8} s "
              f"{result['ratio']:.2f}x")
    with open(os.path.join(runner.out, "results.json"), "w") as f:
        results = {case.key: {"wall_seconds": case.walls, "peak_bytes": case.peaks,
                              "cpu_seconds": case.cpus, "output_bytes": case.output_bytes}
                   for case in cases}
        if run_navigator:
            results[NAVIGATOR_KEY] = result
        json.dump(results, f, indent=1)
    if args.report:
        if args.cases is None:
            write_report(args, cases, navigator, counts, facts, time.perf_counter() - began)
        else:
            write_subset_report(args, cases, counts, facts, time.perf_counter() - began)
        print(f"measure: report written to {args.report}")


if __name__ == "__main__":
    sys.exit(main())
