#!/usr/bin/env python3
"""Every measurement of the bench, started by bench/run.sh once it has built the programs, made
the trees, set up the Wine prefix in the environment (WINEPREFIX and the pinned locale) and
started the X display:

- the command line against the wide floor (and Wine's cmd /c dir on T1), its start-up against an
  earlier build, and its peak memory: one round runs every case once, the start-up pair
  STARTUP_REPEATS times, interleaved;
- the dialog's folder list against one enumeration of its folder (bench/navigator.cpp);
- a run from the dialog against the same job from the command line (bench/dialog_run.cpp).

The first round is the warm-up: its outputs are checked, so that a broken run is never timed.
The report is bench/report.md.in with its placeholders filled.
"""

import argparse
import ctypes
import fnmatch
import json
import os
import re
import shutil
import signal
import string
import struct
import subprocess
import sys
import tempfile
import threading
import time

import stats
from stats import median, mib, seconds, span, table, value_range

RUN_TIMEOUT_SECONDS = 600
# Limits, as ratios of medians: to the wide floor of the same tree, to the run without -u, to the
# earlier build's start-up, to one enumeration of the folder, and of the peak memory to the
# previous report's.
T1_LIST_LIMIT = 1.10
T1_ALL_OPTIONS_LIMIT = 1.20
T2_SORT_LIMIT = 1.15
UTF8_LIMIT = 1.05
STARTUP_LIMIT = 1.05
NAVIGATOR_RATIO_LIMIT = 1.33
PEAK_LIMIT = 1.10
# The CSV and the web page against the text listing with -i, which has their columns: time, and
# peak memory the same up to the few hundred KiB by which GNU time's figure moves between runs.
FORMAT_LIMIT = 1.10
FORMAT_PEAK_LIMIT = 1.02
# A start-up run lasts about 65 ms, at the mercy of a single scheduling hiccup: the median needs
# many.
STARTUP_REPEATS = 10
STARTUP_KEYS = ("one-s-f-old", "one-s-f")
UTF8_BOM = b"\xef\xbb\xbf"
CSV_HEADER = b"Folder,Name,Extension,Type,Size,Modified"
HTML_START = b"<!DOCTYPE html>"
FORMATS = {"text": ".txt", "-csv": ".csv", "-html": ".html"}
FORMAT_NAMES = {"-csv": "CSV", "-html": "web page"}
# The dialog run's jobs: the dialog's options as the registry keeps them, and the same job's
# flags; T4 only with --long.
DIALOG_JOBS = [("T1", 3, "-s -f"), ("T2", 2, "-f -sort name"), ("T4", 1, "-s")]
DIALOG_ENDS = {
    "to_close": "Wall time from the start to the output file closed",
    "to_box": "Wall time from the start to the summary box",
    "cpu_to_close": "Processor time of the bench's processes from the start to the output file "
                    "closed",
    "cpu_to_box": "Processor time of the bench's processes from the start to the summary box",
}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_or_kill(process, limit):
    """Waits for the process, killing its group after the limit; returns whether it ended by
    itself and the processor time of it and of those it waited for. wait4 blocks: Popen.wait with
    a timeout polls in sleeps that grow to 50 ms, which rounded every time up to those steps."""
    killed = threading.Event()

    def kill():
        killed.set()
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    timer = threading.Timer(limit, kill)
    timer.start()
    try:
        _, status, usage = os.wait4(process.pid, 0)
    finally:
        timer.cancel()
    process.returncode = os.waitstatus_to_exitcode(status)
    return not killed.is_set(), usage.ru_utime + usage.ru_stime


def run_program(command, what, env):
    """Runs a program to its end; returns its exit code and the JSON lines it printed. Output and
    errors go to files, not pipes: Wine's desktop process, started by the run, inherits the
    handles and holds a pipe open after the run has ended."""
    with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=output, stderr=errors,
                                   env=env, start_new_session=True)
        if not wait_or_kill(process, RUN_TIMEOUT_SECONDS)[0]:
            raise SystemExit(f"measure: {what} ran longer than {RUN_TIMEOUT_SECONDS} s")
        output.seek(0)
        errors.seek(0)
        lines = output.read().decode(errors="replace").splitlines()
        message = errors.read().decode(errors="replace").strip()
    records = [json.loads(line) for line in lines if line.startswith("{")]
    if not records:
        raise SystemExit(f"measure: {what} failed (exit code {process.returncode}): {message}")
    return process.returncode, records


def cpu_seconds(pid):
    """Processor time a running process has had so far, to the nanosecond."""
    try:
        return int(stats.read_text(f"/proc/{pid}/schedstat").split()[0]) / 1e9
    except (ValueError, IndexError):
        return 0.0


def processes_of_prefix(prefix, name=""):
    """Process ids of the prefix's Wine processes whose command starts with the name."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                environment = f.read().split(b"\0")
            with open(f"/proc/{entry}/comm") as f:
                command = f.read()
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environment and command.startswith(name):
            found.append(int(entry))
    return found


def pin(pids, cpu):
    for pid in pids if cpu is not None else []:
        try:
            os.sched_setaffinity(pid, {cpu})
        except OSError:
            pass


class Case:
    def __init__(self, key, label, tree, program, flags, lines, sections=None):
        self.key, self.label, self.tree, self.program, self.flags = key, label, tree, program, flags
        self.lines, self.sections = lines, sections
        self.walls, self.peaks, self.cpus = [], [], []
        self.format = next((flag for flag in flags if flag in FORMATS), "text")
        # The keys of the cases it is judged against, run with it when --cases picks it: the
        # start-up pair together, a -u case with the same run without, a format with the text
        # listing with -i.
        self.yardsticks = set(STARTUP_KEYS) if key in STARTUP_KEYS else \
            {key[:-2]} if key.endswith("-u") else \
            {key.rsplit("-", 1)[0] + "-i"} if self.format != "text" else set()
        # Size of the output the warm-up checked.
        self.output_bytes = 0


def make_cases(counts, old_commit):
    def scrivtree(tree, flags, program="scrivtree"):
        folders = counts[tree]["folders"] if "-s" in flags else 1
        # Per section: title, underline, empty line, entries, two empty lines between sections.
        lines = 5 * folders + (folders - 1) + counts[tree]["files"]
        key = "-".join([tree] + [flag.lstrip("-") for flag in flags])
        old = program == "scrivtree-old"
        label = f"{tree.upper()} Scrivtree {f'of {old_commit} ' if old else ''}{' '.join(flags)}"
        return Case(key + ("-old" if old else ""), label, tree, program, flags, lines, folders)

    def formats(tree, flags):
        """The text listing with -i, then the CSV (a header row, then a row per entry) and the
        web page (a section per folder and a row per entry)."""
        text, csv, html = (scrivtree(tree, flags + [flag]) for flag in ("-i", "-csv", "-html"))
        entries = counts[tree]["folders"] - 1 + counts[tree]["files"] if "-s" in flags else \
            counts[tree]["files"]
        csv.lines, html.lines = 1 + entries, entries
        return [text, csv, html]

    def other(tree, program):
        entries = counts[tree]["folders"] - 1 + counts[tree]["files"]
        label = tree.upper() + (" wide floor" if program == "floor-wide" else " cmd /c dir /s /b")
        return Case(f"{tree}-{program}", label, tree, program, [], entries)

    return [
        scrivtree("empty", ["-s", "-f"]),
        scrivtree("one", ["-s", "-f"], "scrivtree-old"),
        scrivtree("one", ["-s", "-f"]),
        other("t1", "floor-wide"),
        scrivtree("t1", ["-s", "-f"]),
        scrivtree("t1", ["-s", "-f", "-u"]),
        scrivtree("t1", ["-s", "-f", "-i", "-e", "-p", "-pt", "-t"]),
        other("t1", "dir"),
        *formats("t1", ["-s", "-f"]),
        other("t2", "floor-wide"),
        *(scrivtree("t2", ["-f", "-sort", by] + u) for by, u in
          (("name", []), ("name", ["-u"]), ("ext", []), ("size", []), ("date", []))),
        *formats("t2", ["-f"]),
        other("t3", "floor-wide"),
        scrivtree("t3", ["-s", "-f", "-i"]),
    ]


def pick(names, patterns):
    """The names that match one of the comma-separated shell patterns; all without patterns."""
    return [name for name in names if patterns is None or
            any(fnmatch.fnmatchcase(name, pattern) for pattern in patterns.split(","))]


class CommandLine:
    """The command-line cases, each a run of `wine PROGRAM` under GNU time in the prefix without
    a display, where a message box fails at once instead of waiting."""

    def __init__(self, args, counts):
        self.args = args
        cases = make_cases(counts, args.old_commit)
        picked = set(pick([case.key for case in cases], args.cases))
        picked.update(*(case.yardsticks for case in cases if case.key in picked))
        self.cases = [case for case in cases if case.key in picked]
        self.out = os.path.join(args.work_dir, "out")
        os.makedirs(self.out, exist_ok=True)

    def output(self, case):
        return os.path.join(self.out, case.key + FORMATS[case.format])

    def command(self, case):
        start = windows_path(os.path.join(self.args.trees, case.tree))
        output = windows_path(self.output(case))
        if case.program == "dir":
            return ["cmd", "/c", "dir", "/s", "/b", start, ">", output]
        if case.program == "floor-wide":
            return [self.args.floor_wide, start, output]
        exe = self.args.exe if case.program == "scrivtree" else self.args.old_exe
        return [exe, "-path", start, "-out", output] + case.flags

    def run(self, case):
        """One run; returns wall seconds, peak resident set size in bytes and processor seconds:
        the run's own and those the prefix's Wine server spent meanwhile serving it."""
        servers = processes_of_prefix(os.environ["WINEPREFIX"], "wineserver")
        pin(servers, self.args.cpu)
        if os.path.exists(self.output(case)):
            os.remove(self.output(case))
        with tempfile.NamedTemporaryFile("r", dir=self.out) as report, \
                tempfile.TemporaryFile(dir=self.out) as errors:
            command = ["/usr/bin/time", "-v", "-o", report.name, self.args.wine] + \
                self.command(case)
            server_before = sum(map(cpu_seconds, servers))
            began = time.perf_counter()
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=errors,
                                       start_new_session=True)
            ended, cpu = wait_or_kill(process, RUN_TIMEOUT_SECONDS)
            wall = time.perf_counter() - began
            cpu += sum(map(cpu_seconds, servers)) - server_before
            if not ended:
                raise SystemExit(f"measure: {case.label} ran longer than {RUN_TIMEOUT_SECONDS} s")
            fields = dict(line.strip().rpartition(": ")[::2] for line in report.read().splitlines())
            if process.returncode != 0 or fields.get("Exit status") != "0":
                errors.seek(0)
                raise SystemExit(f"measure: {case.label} failed: "
                                 f"{errors.read().decode(errors='replace').strip()}")
        return wall, int(fields["Maximum resident set size (kbytes)"]) * 1024, cpu

    def check(self, case):
        with open(self.output(case), "rb") as f:
            text = f.read()
        case.output_bytes = len(text)
        lines, problems = text.count(b"\n"), []
        if case.format == "-html":
            if not text.startswith(HTML_START):
                problems.append(f"it does not start with {HTML_START.decode()}")
            for tag, expected in ((b"<section ", case.sections), (b"<tr><td>", case.lines)):
                if text.count(tag) != expected:
                    problems.append(f"{text.count(tag)} {tag.decode()} where {expected} were "
                                    "expected")
        else:
            if lines != case.lines:
                problems.append(f"{lines} lines where {case.lines} were expected")
            if text.count(b"\r\n") != lines or not text.endswith(b"\r\n"):
                problems.append("not every line ends with CR LF")
            utf8 = "-u" in case.flags or case.format == "-csv"
            if utf8 != text.startswith(UTF8_BOM):
                problems.append("the UTF-8 byte order mark " +
                                ("is missing" if utf8 else "where none belongs"))
        if case.format == "-csv" and not text[len(UTF8_BOM):].startswith(CSV_HEADER + b"\r\n"):
            problems.append(f"the header row is not {CSV_HEADER.decode()}")
        if case.format == "text" and case.sections is not None:
            sections = sum(1 for line in text.split(b"\r\n") if line and line.strip(b"=") == b"")
            if sections != case.sections:
                problems.append(f"{sections} sections where {case.sections} were expected")
        if problems:
            raise SystemExit(f"measure: {case.label}: {'; '.join(problems)}; "
                             f"see {self.output(case)}")

    def warm_up(self, failures):
        for case in self.cases:
            try:
                self.run(case)
                self.check(case)
            except SystemExit as failure:
                print(failure, file=sys.stderr, flush=True)
                failures.append(case.label)
        if self.args.save_outputs:
            os.makedirs(self.args.save_outputs, exist_ok=True)
            for case in self.cases:
                if case.program == "scrivtree" and os.path.exists(self.output(case)):
                    shutil.copy(self.output(case), self.args.save_outputs)

    def measure(self, rounds):
        """Rounds in an order that turns from round to round; the start-up pair is one unit, its
        two programs in turn, each going first as often as the other."""
        units = [[case] for case in self.cases if case.key not in STARTUP_KEYS]
        pair = [case for case in self.cases if case.key in STARTUP_KEYS]
        units[1:1] = [pair] if pair else []
        for index in range(rounds if units else 0):
            shift = index % len(units)
            for unit in units[shift:] + units[:shift]:
                for repeat in range(1 if len(unit) == 1 else STARTUP_REPEATS):
                    for case in unit if repeat % 2 == 0 else reversed(unit):
                        wall, peak, cpu = self.run(case)
                        case.walls.append(wall)
                        case.peaks.append(peak)
                        case.cpus.append(cpu)
            print(f"measure: command line, round {index + 1} of {rounds} done", flush=True)


def display_env(args):
    env = dict(os.environ, SCRIVTREE_WINE_ROOT=args.display_wine_root,
               SCRIVTREE_DISPLAY=args.display)
    env.pop("SCRIVTREE_NO_DISPLAY", None)
    return env


def display_prefix(args):
    return os.path.join(args.display_wine_root, args.arch)


class Navigator:
    """The dialog's folder list filled with T4, timed by bench/navigator.cpp, through the
    project's Wine runner in the prefix with the display."""

    def __init__(self, args, counts):
        self.args = args
        self.folder = windows_path(os.path.join(args.trees, "t4"))
        self.subfolders = counts["t4"]["folders"] - 1
        # The folder's own components come first in the list.
        self.items = self.subfolders + len(self.folder.split("\\"))

    def run(self, rounds):
        pin(processes_of_prefix(display_prefix(self.args), "wineserver"), self.args.cpu)
        code, records = run_program(
            ["sh", os.path.join(self.args.repo, "scripts", "wine-run.sh"), self.args.navigator,
             self.folder, str(rounds)], "the folder list", display_env(self.args))
        result = records[-1]
        problems = [] if result["list_ok"] else [result["problem"]]
        if result["subfolders"] != self.subfolders:
            problems.append(f"{result['subfolders']} sub-folders where {self.subfolders} were made")
        if result["items"] != self.items:
            problems.append(f"{result['items']} items where {self.items} were expected")
        if problems or code not in (0, 1):
            raise SystemExit(f"measure: the folder list of T4: {'; '.join(problems)}")
        result["ratio"] = stats.ratio(result["fill_seconds"], result["enumerate_seconds"])
        return result


class DialogRun:
    """A run from the dialog against the same job from the command line, timed by
    bench/dialog_run.cpp in the prefix with the display. A watcher outside Wine stamps each close
    of an output file on CLOCK_MONOTONIC_RAW, the clock of Wine's QueryPerformanceCounter, and so
    adds to the driver's times when the listing was written whole. Where this user can make one,
    a control group holds every process of the bench but the watcher, and counts their processor
    time."""

    def __init__(self, args, counts):
        self.args = args
        self.counts = counts
        self.out = os.path.join(args.work_dir, "dialog-out")
        os.makedirs(self.out, exist_ok=True)
        self.group, self.clock = self.make_group()
        self.closes = {}
        libc = ctypes.CDLL(None, use_errno=True)
        descriptor = libc.inotify_init1(os.O_CLOEXEC)
        close_write = 0x8
        if descriptor < 0 or libc.inotify_add_watch(descriptor, self.out.encode(), close_write) < 0:
            raise SystemExit(f"measure: cannot watch {self.out}")
        threading.Thread(target=self.watch, args=(descriptor,), daemon=True).start()

    @staticmethod
    def make_group():
        """A control group (cgroup v1 cpuacct, else v2) and its processor time file; none where
        this user cannot make one."""
        cgroups = stats.read_text("/proc/self/cgroup")
        if os.path.exists("/sys/fs/cgroup/cpuacct/cpuacct.usage"):
            found = re.search(r"^\d+:(?:[^:]*,)?cpuacct(?:,[^:]*)?:(.*)$", cgroups, re.M)
            home, clock = "/sys/fs/cgroup/cpuacct" + found.group(1), "cpuacct.usage"
        else:
            mounts = [line.split() for line in stats.read_text("/proc/mounts").splitlines()]
            mount = next((fields[1] for fields in mounts if fields[2] == "cgroup2"), None)
            found = re.search(r"^0::(.*)$", cgroups, re.M)
            if mount is None or found is None:
                return None, None
            home, clock = mount + found.group(1), "cpu.stat"
        group = os.path.join(home.rstrip("/"), f"scrivtree-bench-{os.getpid()}")
        try:
            os.mkdir(group)
        except OSError:
            return None, None
        return group, os.path.join(group, clock)

    @staticmethod
    def move(pids, group):
        for pid in pids:
            try:
                with open(os.path.join(group, "cgroup.procs"), "w") as f:
                    f.write(str(pid))
            except OSError:
                pass

    def adopt(self, pids, cpu):
        pin(pids, cpu)
        if self.group:
            self.move(pids, self.group)

    def release_group(self):
        """Gives the group's processes back to the group above and removes it."""
        for _ in range(3 if self.group else 0):
            self.move(stats.read_text(os.path.join(self.group, "cgroup.procs")).split(),
                      os.path.dirname(self.group))
            try:
                return os.rmdir(self.group)
            except OSError:
                time.sleep(1)

    def read_clock(self):
        """Processor time of the group in seconds: cpuacct.usage holds nanoseconds, cpu.stat a
        line "usage_usec N"; -1 without a group."""
        if not self.clock:
            return -1.0
        text = stats.read_text(self.clock)
        found = re.search(r"^usage_usec (\d+)", text, re.M)
        return int(found.group(1)) / 1e6 if found else int(text) / 1e9

    def watch(self, descriptor):
        while True:
            events = os.read(descriptor, 65536)
            now = time.clock_gettime(time.CLOCK_MONOTONIC_RAW)
            used = self.read_clock()
            offset = 0
            while offset < len(events):
                length = struct.unpack_from("iIII", events, offset)[3]
                name = events[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
                self.closes.setdefault(name, []).append((now, used))
                offset += 16 + length

    def run(self, rounds):
        args = self.args
        x_server = stats.read_text(f"/tmp/.X{args.display[1:]}-lock").strip()
        if x_server and args.display_cpu is not None:
            pin([int(x_server)], args.display_cpu)
        elif x_server:
            self.adopt([int(x_server)], args.cpu)
        self.adopt(processes_of_prefix(display_prefix(args)), args.cpu)
        jobs = DIALOG_JOBS if args.long else DIALOG_JOBS[:2]
        # The driver's shell joins the group, and with it everything the driver starts.
        command = ["sh", "-c", 'echo $$ >"$0"; exec "$@"',
                   os.path.join(self.group, "cgroup.procs") if self.group else "/dev/null",
                   "sh", os.path.join(args.repo, "scripts", "wine-run.sh"), args.dialog_run,
                   "--extra-titles", str(args.extra_titles)]
        if self.clock:
            command += ["--cpu-clock", windows_path(self.clock)]
        command += [windows_path(args.exe), windows_path(os.path.join(args.trees, "one")),
                    windows_path(self.out), str(rounds), str(args.dialog_runs)]
        for name, options, flags in jobs:
            command += [name, windows_path(os.path.join(args.trees, name.lower())), str(options),
                        flags]
        code, records = run_program(command, "the dialog run", display_env(args))
        if code != 0:
            raise SystemExit(f"measure: the dialog run failed (exit code {code})")
        result, runs = records[-1], records[:-1]
        flags = {name: flags for name, _, flags in jobs}
        for run in runs:
            counts = self.counts["one" if run["kind"].endswith("-one") else run["case"].lower()]
            # Without -f the files are not listed, nor counted.
            files = counts["files"] if "-f" in flags[run["case"]].split() else 0
            expected = f"{files} file(s) of {counts['folders']} folder(s)"
            if run["summary"] != expected:
                raise SystemExit(f"measure: dialog run, {run['case']} {run['kind']}: the summary "
                                 f"says {run['summary']!r}, not {expected!r}")
        for name, _, _ in jobs:
            for one in ("", "-one"):
                command_output, dialog_output = (
                    stats.read_text(os.path.join(self.out, f"{name}-{kind}{one}.txt"))
                    for kind in ("command", "dialog"))
                if not command_output or command_output != dialog_output:
                    raise SystemExit(f"measure: dialog run, {name}{one}: the dialog's listing is "
                                     "not the command line's")
        for run in runs:
            run["output"] = f"{run['case']}-{run['kind']}.txt"
            # The one close of the run's output between its start and its box.
            found = [close for close in self.closes.get(run["output"], [])
                     if run["began"] < close[0] < run["box"]]
            if len(found) != 1:
                raise SystemExit(f"measure: dialog run: {len(found)} closes of {run['output']} "
                                 f"in round {run['round']}")
            run["to_box"] = run["box"] - run["began"]
            run["to_close"] = found[0][0] - run["began"]
            if run["began_cpu"] >= 0:
                run["cpu_to_box"] = run["box_cpu"] - run["began_cpu"]
                run["cpu_to_close"] = found[0][1] - run["began_cpu"]
        result["runs"] = runs
        result["jobs"] = [(name, flags) for name, _, flags in jobs]
        return result


def dialog_tables(result):
    """The dialog run's tables: the dialog's time against the command line's less start-up, per
    end of the span, and the fixed costs."""
    runs = [run for run in result["runs"] if run["round"] > 0]

    def times(job, kind, key, go=None):
        """One time a round, in round order: go 1 is a dialog's first Go, 2 the mean of the
        later ones."""
        by_round = {}
        for run in runs:
            if run["case"] == job and run["kind"] == kind and \
                    (go is None or (run["go"] == 1) == (go == 1)):
                by_round.setdefault(run["round"], []).append(run[key])
        return [sum(values) / len(values) for _, values in sorted(by_round.items())]

    parts = [f"{result['rounds']} rounds, {result['dialog_runs']} Go per dialog, "
             f"{result['extra_titles']} extra titles a Go, {result['seconds']:.0f} s; a box is "
             f"stamped {span(result['hook_delay'], 1000, 2)} ms after the call that shows it; "
             f"{result['missed_events']} boxes found without their event."]
    for key, title in DIALOG_ENDS.items():
        if key not in runs[0]:
            continue
        rows = []
        for job, flags in result["jobs"]:
            command = times(job, "command", key)
            start_up = times(job, "command-one", key)
            net = [whole - one for whole, one in zip(command, start_up)]
            first, later = times(job, "dialog", key, 1), times(job, "dialog", key, 2)
            # A dialog clicked once has no later Go.
            rows.append([f"{job} `{flags}`", span(command), span(start_up), span(net),
                         span(first), stats.paired_ratio(first, net)] +
                        ([span(later), stats.paired_ratio(later, net)] if later else ["", ""]))
        parts.append(f"{title} (s): median (range) over the rounds; ratios, the dialog's time "
                     "over the command line's less start-up, paired by round, with their 95% "
                     "bootstrap interval.\n\n" + table(
                         ["Tree, job", "Command line", "Command line on one file",
                          "Command line less start-up", "Dialog, first Go", "Ratio",
                          "Dialog, later Go", "Ratio"], rows))
    fixed = []
    for job, flags in result["jobs"]:
        after = {kind: [run["to_box"] - run["to_close"] for run in runs
                        if run["case"] == job and run["kind"].startswith(kind)]
                 for kind in ("command", "dialog")}
        fixed.append([f"{job} `{flags}`", span(times(job, "dialog-one", "to_close"), 1000, 1),
                      span(times(job, "dialog-one", "to_box"), 1000, 1),
                      span(after["command"], 1000, 1), span(after["dialog"], 1000, 1)])
    parts.append("Fixed costs, wall time (ms): median (range).\n\n" + table(
        ["Tree, job", "Dialog on one file, Go to output closed", "Dialog on one file, Go to box",
         "Command line, output closed to box", "Dialog, output closed to box"], fixed))
    return "\n\n".join(parts)


def previous_peaks(path):
    """Peak memory (MiB) by case from the results table of an earlier report of this bench."""
    peaks, section = {}, ""
    for line in stats.read_text(path).splitlines():
        cells = [cell.strip() for cell in line.strip("| ").split("|")]
        section = line if line.startswith("## ") else section
        if section == "## Results" and len(cells) >= 5 and " Scrivtree -" in cells[0]:
            peaks[cells[0]] = float(cells[4])
    return peaks


def write_report(args, commands, nav, dialog, counts, facts, elapsed):
    by_key = {case.key: case for case in commands.cases}
    floors = {case.tree: case for case in commands.cases if case.program == "floor-wide"}
    rows, targets = [], []

    def target(what, measured, limit, met):
        targets.append([what, measured, limit, "met" if met else "not met"])

    def time_target(key, yardstick, limit, what=None):
        case, yardstick = by_key.get(key), by_key.get(yardstick)
        if case is None or yardstick is None:
            return None
        wall = stats.ratio(case.walls, yardstick.walls)
        cpu = stats.ratio(case.cpus, yardstick.cpus)
        what = what or f", time to `{' '.join(yardstick.flags)}`"
        target(f"{case.tree.upper()} `{' '.join(case.flags)}`{what}",
               f"{wall:.2f}x (processor time {cpu:.2f}x)", f"<= {limit:.2f}x", wall <= limit)
        return wall

    for case in commands.cases:
        # The start-up pair and the formats have tables of their own.
        if case.key in STARTUP_KEYS or case.format != "text":
            continue
        floor = floors.get(case.tree) if case.program in ("scrivtree", "dir") else None
        rows.append([case.label, seconds(median(case.walls)), value_range(case.walls),
                     seconds(median(case.cpus)), mib(median(case.peaks)),
                     f"{stats.ratio(case.walls, floor.walls):.2f}x / "
                     f"{stats.ratio(case.cpus, floor.cpus):.2f}x" if floor else ""])
    for key, limit in (("t1-s-f", T1_LIST_LIMIT), ("t1-s-f-i-e-p-pt-t", T1_ALL_OPTIONS_LIMIT),
                       ("t2-f-sort-name", T2_SORT_LIMIT), ("t2-f-sort-ext", T2_SORT_LIMIT),
                       ("t2-f-sort-size", T2_SORT_LIMIT), ("t2-f-sort-date", T2_SORT_LIMIT)):
        time_target(key, f"{key[:2]}-floor-wide", limit, ", time to wide floor")
        if key == "t1-s-f" and "t1-dir" in by_key and key in by_key:
            to_dir = stats.ratio(by_key[key].walls, by_key["t1-dir"].walls)
            target("T1 `-s -f`, time to `dir /s /b`",
                   f"{to_dir:.2f}x ({1 / to_dir:.2f} times as fast)",
                   "<= 0.50x (2 times as fast)", to_dir <= 0.5)
    time_target("t1-s-f-u", "t1-s-f", UTF8_LIMIT)
    time_target("t2-f-sort-name-u", "t2-f-sort-name", UTF8_LIMIT)
    startup_ratio = time_target(STARTUP_KEYS[1], STARTUP_KEYS[0], STARTUP_LIMIT,
                                f" (start-up), time to the build of {args.old_commit}")
    formats = []
    for case in commands.cases:
        text = by_key.get(next(iter(case.yardsticks), "")) if case.format != "text" else None
        if text is None:
            continue
        wall = time_target(case.key, text.key, FORMAT_LIMIT,
                           f" ({FORMAT_NAMES[case.format]}), time to `{' '.join(text.flags)}`")
        peak = stats.ratio(case.peaks, text.peaks)
        target(f"{case.tree.upper()} `{' '.join(case.flags)}` ({FORMAT_NAMES[case.format]}), peak "
               f"memory to `{' '.join(text.flags)}`", f"{mib(median(case.peaks))} MiB to "
               f"{mib(median(text.peaks))} MiB ({peak:.2f}x)", f"<= {FORMAT_PEAK_LIMIT:.2f}x",
               peak <= FORMAT_PEAK_LIMIT)
        # Each tree's text listing heads its formats.
        for row, ratios in ((text, ["", ""]), (case, [
                f"{wall:.2f}x / {stats.ratio(case.cpus, text.cpus):.2f}x", f"{peak:.2f}x"])):
            if row is case or not any(cells[0] == text.label for cells in formats):
                formats.append([row.label, seconds(median(row.walls)), value_range(row.walls),
                                seconds(median(row.cpus)), mib(median(row.peaks)),
                                mib(row.output_bytes)] + ratios)
    before = previous_peaks(args.baseline) if args.baseline else {}
    for case in commands.cases:
        if case.program == "scrivtree" and case.format == "text" and case.label in before:
            peak, was = median(case.peaks) / stats.MIB, before[case.label]
            target(f"{case.tree.upper()} `{' '.join(case.flags)}`, peak memory",
                   f"{peak:.1f} MiB ({(peak / was - 1) * 100:+.0f}%)",
                   f"<= {was * PEAK_LIMIT:.1f} MiB ({was:.1f} +{(PEAK_LIMIT - 1) * 100:.0f}%)",
                   peak <= was * PEAK_LIMIT)
    if nav:
        target("T4 folder list, fill time to one enumeration of the folder",
               f"{nav['ratio']:.2f}x", f"<= {NAVIGATOR_RATIO_LIMIT:.2f}x",
               nav["ratio"] <= NAVIGATOR_RATIO_LIMIT)

    shapes = {"t1": "depth 4, 10 sub-folders and 10 files in every folder", "t2": "one folder",
              "t3": "a chain of folders; the deepest files' paths are 254 to 259 characters",
              "t4": "one folder of sub-folders only, for the dialog's folder list",
              "empty": "an empty folder", "one": "one folder with one file, for the start-up"}
    other = ("64-bit build", "benchmarks-win64.md", "SCRIVTREE_NO_32BIT=1 bash bench/run.sh") \
        if args.arch == "win32" else ("32-bit build", "benchmarks.md", "bash bench/run.sh")
    empty = by_key.get("empty-s-f")
    facts += [["Build measured", args.build], ["Scrivtree.exe", stats.digest(args.exe)],
              [f"Scrivtree.exe of {args.old_commit}", stats.digest(args.old_exe)],
              ["Load average at the end", stats.load_average()]]
    fields = {
        "build": args.build, "other_build": other[0], "other_report": other[1],
        "other_command": other[2], "old_commit": args.old_commit, "rounds": args.rounds,
        "startup_repeats": STARTUP_REPEATS, "display": args.display,
        "cases": "all" if args.cases is None else f"`--cases '{args.cases}'`",
        "pinning": "not pinned" if args.cpu is None else f"processor {args.cpu}, `--cpu`",
        "baseline": ("held to that of this report's previous run" if args.baseline == args.report
                     else f"held to that of `{os.path.relpath(args.baseline, args.repo)}`")
        if before else "alone: there was no earlier report to hold it to",
        "trees": table(["Tree", "Folders", "Files", "Shape"], [
            [name.upper(), f"{counts[name]['folders']:,}", f"{counts[name]['files']:,}", shape]
            for name, shape in shapes.items()]),
        "targets": table(["Target", "Measured", "Limit", ""], targets),
        "machine": table(["", ""], facts), "minutes": f"{elapsed / 60:.1f}",
    }
    if rows:
        fields["results"] = table(["Case", "Median wall (s)", "Range (s)", "Median processor (s)",
                                   "Peak memory (MiB)", "To wide floor"], rows)
    if formats:
        fields.update(format_limit=f"{FORMAT_LIMIT:.2f}",
                      format_peak_limit=f"{FORMAT_PEAK_LIMIT:.2f}",
                      formats=table(["Case", "Median wall (s)", "Range (s)", "Median processor (s)",
                                     "Peak memory (MiB)", "Output (MiB)", "Time to text `-i`",
                                     "Peak to text `-i`"], formats))
    if empty:
        fields.update(empty_wall=seconds(median(empty.walls)), empty_peak=mib(median(empty.peaks)))
    if startup_ratio:
        fields.update(startup_ratio=f"{startup_ratio:.2f}", startup_limit=f"{STARTUP_LIMIT:.2f}",
                      startup=table(["Program", "Runs", "Median wall (s)", "Range (s)",
                                     "Median processor (s)", "Peak memory (MiB)"], [
                          [case.label, str(len(case.walls)), seconds(median(case.walls)),
                           value_range(case.walls), seconds(median(case.cpus)),
                           mib(median(case.peaks))]
                          for case in (by_key[key] for key in STARTUP_KEYS)]))
    if nav:
        fields.update(
            subfolders=f"{counts['t4']['folders'] - 1:,}", items=f"{nav['items']:,}",
            navigator_ratio=f"{nav['ratio']:.2f}", navigator_limit=f"{NAVIGATOR_RATIO_LIMIT:.2f}",
            navigator=table(["Step", "Median (s)", "Range (s)"], [
                [what, seconds(median(nav[key])), value_range(nav[key])] for what, key in (
                    ("One enumeration of T4 (the yardstick)", "enumerate_seconds"),
                    ("`FillFolderList` opening T4", "fill_seconds"),
                    ("The list's first paint after the fill (not in the ratio)",
                     "paint_seconds"))]))
    if dialog:
        fields["dialog"] = dialog_tables(dialog)
    # A part of the template between "<!-- if NAME -->" and "<!-- end -->" is kept when the
    # report has the field NAME, that is when its measurement ran.
    with open(os.path.join(args.repo, "bench", "report.md.in")) as f:
        text = re.sub(r"<!-- if (\w+) -->\n(.*?)<!-- end -->\n",
                      lambda part: part.group(2) if part.group(1) in fields else "", f.read(),
                      flags=re.S)
    with open(args.report, "w") as f:
        f.write(string.Template(text).substitute(fields))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("work-dir", "trees", "exe", "floor-wide", "old-exe", "old-commit", "wine", "repo",
                 "build", "navigator", "dialog-run", "display", "display-wine-root"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--dialog-runs", type=int, default=2)
    parser.add_argument("--extra-titles", type=int, default=0)
    parser.add_argument("--long", action="store_true")
    parser.add_argument("--report")
    parser.add_argument("--baseline")
    parser.add_argument("--save-outputs")
    parser.add_argument("--check-only", action="store_true")
    parser.add_argument("--cpu", default="last")
    parser.add_argument("--display-cpu", type=int)
    parser.add_argument("--cases")
    args = parser.parse_args()
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")
    args.cpu = {"none": None, "last": max(os.sched_getaffinity(0))}.get(args.cpu, args.cpu)
    if args.cpu is not None:
        args.cpu = int(args.cpu)
        # Inherited by every run and by what it starts.
        os.sched_setaffinity(0, {args.cpu})

    began = time.perf_counter()
    with open(os.path.join(args.trees, "manifest.json")) as f:
        counts = json.load(f)["trees"]
    facts = stats.machine_facts(args.wine, args.repo)
    commands = CommandLine(args, counts)
    navigator = Navigator(args, counts) if pick(["t4-folder-list"], args.cases) else None
    dialog = DialogRun(args, counts) if pick(["dialog-run"], args.cases) else None
    if not (commands.cases or navigator or dialog):
        raise SystemExit(f"measure: nothing matches --cases {args.cases}")
    try:
        print("measure: warm-up and output check", flush=True)
        # Every part is run and checked, so that one run names every case that fails.
        failures = []
        commands.warm_up(failures)
        for what, part, rounds in (("T4 folder list", navigator, 1), ("dialog run", dialog, 0)):
            try:
                part and part.run(rounds)
            except SystemExit as failure:
                print(failure, file=sys.stderr, flush=True)
                failures.append(what)
        if failures:
            raise SystemExit(f"measure: {len(failures)} checks failed: {', '.join(failures)}")
        print("measure: all outputs checked", flush=True)
        if args.check_only:
            return
        commands.measure(args.rounds)
        nav = navigator and navigator.run(args.rounds)
        dialog_result = dialog and dialog.run(args.rounds)
    finally:
        dialog and dialog.release_group()
    with open(os.path.join(commands.out, "results.json"), "w") as f:
        results = {case.key: {"wall_seconds": case.walls, "peak_bytes": case.peaks,
                              "cpu_seconds": case.cpus, "output_bytes": case.output_bytes}
                   for case in commands.cases}
        json.dump(dict(results, **{"t4-folder-list": nav, "dialog-run": dialog_result}), f)
    if args.report:
        write_report(args, commands, nav, dialog_result, counts, facts, time.perf_counter() - began)
        print(f"measure: report written to {args.report}")


if __name__ == "__main__":
    sys.exit(main())
