#!/usr/bin/env python3
"""The measurements of Scrivtree's bench, run by bench/run.sh once it has built the programs,
made the trees, set up the Wine prefix (WINEPREFIX and the pinned locale are in the environment)
and started the X display:

- the command line against the wide floor (and Wine's cmd /c dir on T1), its CSV and web page
  against its text listing, its start-up against an earlier build, and its peak memory;
- the dialog's folder list against one enumeration of its folder (bench/navigator.cpp);
- a run from the dialog against the same job from the command line (bench/dialog_run.cpp).

The first round is the warm-up: every output is checked, so that a broken run is never timed.
The report is bench/report.md.in with its fields filled in.
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
from stats import median, mib, seconds, span, table

RUN_TIMEOUT_SECONDS = 600
# A start-up run lasts about 65 ms, at the mercy of a single scheduling hiccup: the median needs
# many.
STARTUP_REPEATS = 10
# The command-line cases in the order of a round: a tree and Scrivtree's flags, or another
# program: the wide floor, Wine's dir, or the earlier build ("old") with the flags after it.
CASES = [("empty", "-s -f"), ("one", "old -s -f"), ("one", "-s -f"), ("t1", "floor-wide"),
         ("t1", "-s -f"), ("t1", "-s -f -u"), ("t1", "-s -f -i -e -p -pt -t"), ("t1", "dir"),
         ("t1", "-s -f -i"), ("t1", "-s -f -csv"), ("t1", "-s -f -html"), ("t2", "floor-wide"),
         *(("t2", "-f -sort " + by) for by in ("name", "name -u", "ext", "size", "date")),
         ("t2", "-f -i"), ("t2", "-f -csv"), ("t2", "-f -html"), ("t3", "floor-wide"),
         ("t3", "-s -f -i")]
FORMATS = [f"{prefix}-{kind}" for prefix in ("t1-s-f", "t2-f") for kind in ("csv", "html")]
# Targets: the case, the case it is held to, and the limit of the ratio of their medians. The
# CSV and the page have the columns of the text listing with -i, and its peak memory up to the
# few hundred KiB by which GNU time's figure moves between runs.
TIME_TARGETS = [("t1-s-f", "t1-floor-wide", 1.10), ("t1-s-f", "t1-dir", 0.50),
                ("t1-s-f-i-e-p-pt-t", "t1-floor-wide", 1.20),
                *((f"t2-f-sort-{by}", "t2-floor-wide", 1.15)
                  for by in ("name", "ext", "size", "date")),
                ("t1-s-f-u", "t1-s-f", 1.05), ("t2-f-sort-name-u", "t2-f-sort-name", 1.05),
                ("one-s-f", "one-s-f-old", 1.05),
                *((key, key.rsplit("-", 1)[0] + "-i", 1.10) for key in FORMATS)]
PEAK_TARGETS = [(key, key.rsplit("-", 1)[0] + "-i", 1.02) for key in FORMATS]
# Peak memory held to the previous report's, and the folder list's fill to one enumeration.
PEAK_LIMIT = 1.10
NAVIGATOR_LIMIT = 1.33
BOM = b"\xef\xbb\xbf"
EXTENSIONS = {"text": ".txt", "-csv": ".csv", "-html": ".html"}
# The dialog run's jobs: the dialog's options as the registry keeps them, and the same job's
# flags; T4 only with --long.
DIALOG_JOBS = [("T1", 3, "-s -f"), ("T2", 2, "-f -sort name"), ("T4", 1, "-s")]
DIALOG_ENDS = {"to_close": "wall, to output closed", "to_box": "wall, to summary box",
               "cpu_to_close": "processor, to output closed",
               "cpu_to_box": "processor, to summary box"}


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_or_kill(process, what):
    """Waits for the process, killing its group after the time-out; returns the processor time of
    it and of those it waited for. wait4 blocks: Popen.wait with a timeout polls in sleeps that
    grow to 50 ms, which rounded every time up to those steps."""
    timer = threading.Timer(RUN_TIMEOUT_SECONDS, os.killpg, (process.pid, signal.SIGKILL))
    began = time.monotonic()
    timer.start()
    _, status, usage = os.wait4(process.pid, 0)
    timer.cancel()
    if time.monotonic() - began >= RUN_TIMEOUT_SECONDS:
        raise SystemExit(f"measure: {what} ran longer than {RUN_TIMEOUT_SECONDS} s")
    process.returncode = os.waitstatus_to_exitcode(status)
    return usage.ru_utime + usage.ru_stime


def run_program(command, what, env):
    """Runs a program to its end; returns its exit code and the JSON lines it printed. Output goes
    to files, not pipes: Wine's desktop process, started by the run, inherits the handles and
    would hold a pipe open after the run."""
    with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=output, stderr=errors,
                                   env=env, start_new_session=True)
        wait_or_kill(process, what)
        output.seek(0)
        errors.seek(0)
        records = [json.loads(line) for line in output.read().decode(errors="replace").splitlines()
                   if line.startswith("{")]
        if not records:
            raise SystemExit(f"measure: {what} failed (exit code {process.returncode}): "
                             f"{errors.read().decode(errors='replace').strip()}")
    return process.returncode, records


def cpu_seconds(pid):
    """Processor time a running process has had so far."""
    return int((stats.read_text(f"/proc/{pid}/schedstat").split() or [0])[0]) / 1e9


def processes_of_prefix(prefix, name=""):
    """Process ids of the prefix's Wine processes whose command starts with the name."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                mine = f"WINEPREFIX={prefix}".encode() in f.read().split(b"\0")
            if mine and stats.read_text(f"/proc/{pid}/comm").startswith(name):
                found.append(int(pid))
        except OSError:
            pass
    return found


def pin(pids, cpu):
    for pid in pids if cpu is not None else []:
        try:
            os.sched_setaffinity(pid, {cpu})
        except OSError:
            pass


def pick(names, patterns):
    """The names that match one of the comma-separated shell patterns; all without patterns."""
    return [name for name in names if patterns is None or
            any(fnmatch.fnmatchcase(name, pattern) for pattern in patterns.split(","))]


class Case:
    def __init__(self, tree, what, counts, old_commit):
        words = what.split()
        self.tree, self.program = tree, words[0] if words[0][0] != "-" else "scrivtree"
        self.flags = words if self.program == "scrivtree" else words[1:]
        self.format = next((flag for flag in self.flags if flag in EXTENSIONS), "text")
        folders, files = counts[tree]["folders"], counts[tree]["files"]
        if self.program in ("floor-wide", "dir"):
            self.key, self.sections, self.lines = f"{tree}-{what}", None, folders - 1 + files
            self.label = tree.upper() + (" wide floor" if what == "floor-wide" else
                                         " cmd /c dir /s /b")
        else:
            self.key = "-".join([tree] + [flag.lstrip("-") for flag in self.flags] +
                                (["old"] if self.program == "old" else []))
            old = f"of {old_commit} " if self.program == "old" else ""
            self.label = f"{tree.upper()} Scrivtree {old}{' '.join(self.flags)}"
            # Without -s a single folder; the trees listed that way have but one.
            self.sections = folders if "-s" in self.flags else 1
            entries = self.sections - 1 + files
            # A section: its title, underline and empty line, its entries, and two empty lines
            # before the next. A CSV has a header row, a page a table row per entry.
            self.lines = {"text": 6 * self.sections - 1 + files, "-csv": 1 + entries,
                          "-html": entries}[self.format]
        self.walls, self.peaks, self.cpus, self.output_bytes = [], [], [], 0

    def yardstick(self, keys):
        """The case its row is compared with: a format with the text listing with -i, the
        start-up with the earlier build, the others with the wide floor of their tree."""
        key = self.key.rsplit("-", 1)[0] + "-i" if self.format != "text" else \
            self.key + "-old" if self.key + "-old" in keys else f"{self.tree}-floor-wide"
        return key if key in keys and key != self.key else None


class CommandLine:
    """The command-line cases, each a run of `wine PROGRAM` under GNU time in the prefix without a
    display, where a message box fails at once instead of waiting."""

    def __init__(self, args, counts):
        self.args = args
        cases = [Case(tree, what, counts, args.old_commit) for tree, what in CASES]
        keys = [case.key for case in cases]
        picked = set(pick(keys, args.cases))
        for case in [case for case in cases if case.key in picked]:
            picked.add(case.yardstick(keys))
            picked.update(held for key, held, _ in TIME_TARGETS + PEAK_TARGETS if key == case.key)
        self.cases = [case for case in cases if case.key in picked]
        self.out = os.path.join(args.work_dir, "out")
        os.makedirs(self.out, exist_ok=True)

    def output(self, case):
        return os.path.join(self.out, case.key + EXTENSIONS[case.format])

    def run(self, case):
        """One run; returns wall seconds, peak resident set size in bytes and processor seconds:
        the run's own and those the prefix's Wine server spent meanwhile serving it."""
        args, output = self.args, self.output(case)
        servers = processes_of_prefix(os.environ["WINEPREFIX"], "wineserver")
        pin(servers, args.cpu)
        if os.path.exists(output):
            os.remove(output)
        start = win(os.path.join(args.trees, case.tree))
        command = {"floor-wide": [args.floor_wide, start, win(output)],
                   "dir": ["cmd", "/c", "dir", "/s", "/b", start, ">", win(output)]}.get(
            case.program, [args.old_exe if case.program == "old" else args.exe, "-path", start,
                           "-out", win(output)] + case.flags)
        with tempfile.NamedTemporaryFile("r") as report, tempfile.TemporaryFile() as errors:
            server_before = sum(map(cpu_seconds, servers))
            began = time.perf_counter()
            process = subprocess.Popen(["/usr/bin/time", "-v", "-o", report.name, args.wine] +
                                       command, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=errors,
                                       start_new_session=True)
            cpu = wait_or_kill(process, case.label)
            wall = time.perf_counter() - began
            cpu += sum(map(cpu_seconds, servers)) - server_before
            fields = dict(line.strip().rpartition(": ")[::2] for line in report.read().splitlines())
            if process.returncode != 0 or fields.get("Exit status") != "0":
                errors.seek(0)
                raise SystemExit(f"measure: {case.label} failed: "
                                 f"{errors.read().decode(errors='replace').strip()}")
        return wall, int(fields["Maximum resident set size (kbytes)"]) * 1024, cpu

    def check(self, case):
        with open(self.output(case), "rb") as f:
            text = f.read()
        case.output_bytes, problems = len(text), []

        def expect(what, found, wanted):
            if found != wanted:
                problems.append(f"{found} {what} where {wanted} were expected")

        if case.format == "-html":
            expect("<!DOCTYPE html> starts", int(text.startswith(b"<!DOCTYPE html>")), 1)
            expect("<section>s", text.count(b"<section "), case.sections)
            expect("<tr><td>s", text.count(b"<tr><td>"), case.lines)
        else:
            expect("lines", text.count(b"\n"), case.lines)
            expect("lines ending in CR LF",
                   text.count(b"\r\n") if text.endswith(b"\r\n") else 0, case.lines)
            expect("byte order marks", int(text.startswith(BOM)),
                   int("-u" in case.flags or case.format == "-csv"))
        if case.format == "-csv":
            expect("header rows", int(text.startswith(
                BOM + b"Folder,Name,Extension,Type,Size,Modified\r\n")), 1)
        if case.format == "text" and case.sections is not None:
            expect("sections", sum(1 for line in text.split(b"\r\n")
                                   if line and line.strip(b"=") == b""), case.sections)
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
            if self.args.save_outputs and case.program == "scrivtree" and \
                    os.path.exists(self.output(case)):
                os.makedirs(self.args.save_outputs, exist_ok=True)
                shutil.copy(self.output(case), self.args.save_outputs)

    def measure(self, rounds):
        """Rounds in an order that turns from round to round; the start-up pair is one unit, its
        two programs in turn, each going first as often as the other."""
        units = [[case] for case in self.cases if case.tree != "one"]
        pair = [case for case in self.cases if case.tree == "one"]
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


def wine_run(args, *command):
    return ["sh", os.path.join(args.repo, "scripts", "wine-run.sh"), *command]


def folder_list(args, counts, rounds):
    """The dialog's folder list filled with T4, timed by bench/navigator.cpp in the prefix with
    the display, and every item checked."""
    pin(processes_of_prefix(os.path.join(args.display_wine_root, args.arch), "wineserver"),
        args.cpu)
    folder = win(os.path.join(args.trees, "t4"))
    code, records = run_program(wine_run(args, args.navigator, folder, str(rounds)),
                                "the folder list", display_env(args))
    result = records[-1]
    # The folder's own components come first in the list.
    expected = (counts["t4"]["folders"] - 1, counts["t4"]["folders"] - 1 + len(folder.split("\\")))
    problems = [] if result["list_ok"] else [result["problem"]]
    if (result["subfolders"], result["items"]) != expected:
        problems.append(f"{result['subfolders']} sub-folders and {result['items']} items where "
                        f"{expected[0]} and {expected[1]} were expected")
    if problems or code not in (0, 1):
        raise SystemExit(f"measure: the folder list of T4: {'; '.join(problems)}")
    result["ratio"] = stats.ratio(result["fill_seconds"], result["enumerate_seconds"])
    return result


def control_group():
    """A control group of cgroup v1 cpuacct, else of v2, and the file of its processor time; none
    where this user cannot make one."""
    cgroups = stats.read_text("/proc/self/cgroup")
    v1 = re.search(r"^\d+:(?:[^:]*,)?cpuacct(?:,[^:]*)?:(.*)$", cgroups, re.M)
    if v1 and os.path.exists("/sys/fs/cgroup/cpuacct/cpuacct.usage"):
        home, clock = "/sys/fs/cgroup/cpuacct" + v1.group(1), "cpuacct.usage"
    else:
        mounts = [line.split() for line in stats.read_text("/proc/mounts").splitlines()]
        mount = next((fields[1] for fields in mounts if fields[2] == "cgroup2"), None)
        v2 = re.search(r"^0::(.*)$", cgroups, re.M)
        if mount is None or v2 is None:
            return None, None
        home, clock = mount + v2.group(1), "cpu.stat"
    group = os.path.join(home.rstrip("/"), f"scrivtree-bench-{os.getpid()}")
    try:
        os.mkdir(group)
    except OSError:
        return None, None
    return group, os.path.join(group, clock)


def move(pids, group):
    for pid in pids:
        try:
            with open(os.path.join(group, "cgroup.procs"), "w") as f:
                f.write(str(pid))
        except OSError:
            pass


class DialogRun:
    """A run from the dialog against the same job from the command line, timed by
    bench/dialog_run.cpp in the prefix with the display. A watcher outside Wine stamps each close
    of an output file on CLOCK_MONOTONIC_RAW, the clock of Wine's QueryPerformanceCounter, and so
    adds when the listing was written whole. Where this user can make one, a control group holds
    every process of the bench but the watcher, and counts their processor time."""

    def __init__(self, args, counts):
        self.args, self.counts, self.closes = args, counts, {}
        self.out = os.path.join(args.work_dir, "dialog-out")
        os.makedirs(self.out, exist_ok=True)
        self.group, self.clock = control_group()
        libc = ctypes.CDLL(None, use_errno=True)
        descriptor = libc.inotify_init1(os.O_CLOEXEC)
        close_write = 0x8
        if descriptor < 0 or libc.inotify_add_watch(descriptor, self.out.encode(), close_write) < 0:
            raise SystemExit(f"measure: cannot watch {self.out}")
        threading.Thread(target=self.watch, args=(descriptor,), daemon=True).start()

    def release_group(self):
        """Gives the group's processes back to the group above and removes it."""
        for _ in range(3 if self.group else 0):
            move(stats.read_text(os.path.join(self.group, "cgroup.procs")).split(),
                 os.path.dirname(self.group))
            try:
                return os.rmdir(self.group)
            except OSError:
                time.sleep(1)

    def read_clock(self):
        """The group's processor time in seconds: cpuacct.usage holds nanoseconds, cpu.stat a line
        "usage_usec N"; -1 without a group."""
        text = stats.read_text(self.clock) if self.clock else "-1000000000"
        found = re.search(r"^usage_usec (\d+)", text, re.M)
        return int(found.group(1)) / 1e6 if found else int(text) / 1e9

    def watch(self, descriptor):
        while True:
            events = os.read(descriptor, 65536)
            now, used, offset = time.clock_gettime(time.CLOCK_MONOTONIC_RAW), self.read_clock(), 0
            while offset < len(events):
                length = struct.unpack_from("iIII", events, offset)[3]
                name = events[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
                self.closes.setdefault(name, []).append((now, used))
                offset += 16 + length

    def run(self, rounds):
        args = self.args
        x_server = [int(pid) for pid in stats.read_text(f"/tmp/.X{args.display[1:]}-lock").split()]
        # The X server joins the bench's processes unless it has a processor of its own.
        pin(x_server, args.display_cpu)
        joining = processes_of_prefix(os.path.join(args.display_wine_root, args.arch)) + \
            (x_server if args.display_cpu is None else [])
        pin(joining, args.cpu)
        move(joining if self.group else [], self.group)
        jobs = DIALOG_JOBS if args.long else DIALOG_JOBS[:2]
        # The driver's shell joins the group, and with it everything the driver starts.
        command = ["sh", "-c", 'echo $$ >"$0"; exec "$@"',
                   os.path.join(self.group, "cgroup.procs") if self.group else "/dev/null",
                   *wine_run(args, args.dialog_run, win(self.clock) if self.clock else "-",
                             str(args.extra_titles), win(args.exe),
                             win(os.path.join(args.trees, "one")), win(self.out), str(rounds),
                             str(args.dialog_runs))]
        for name, options, flags in jobs:
            command += [name, win(os.path.join(args.trees, name.lower())), str(options), flags]
        code, records = run_program(command, "the dialog run", display_env(args))
        if code != 0:
            raise SystemExit(f"measure: the dialog run failed (exit code {code})")
        result, runs = records[-1], records[:-1]
        flags = {name: flags for name, _, flags in jobs}
        for name, one in ((name, one) for name, _, _ in jobs for one in ("", "-one")):
            listings = {stats.read_text(os.path.join(self.out, f"{name}-{kind}{one}.txt"))
                        for kind in ("command", "dialog")}
            if len(listings) != 1 or "" in listings:
                raise SystemExit(f"measure: dialog run, {name}{one}: the dialog's listing is not "
                                 "the command line's")
        for run in runs:
            counts = self.counts["one" if run["kind"].endswith("-one") else run["case"].lower()]
            # Without -f the files are not listed, nor counted.
            files = counts["files"] if "-f" in flags[run["case"]].split() else 0
            expected = f"{files} file(s) of {counts['folders']} folder(s)"
            if run["summary"] != expected:
                raise SystemExit(f"measure: dialog run, {run['case']} {run['kind']}: the summary "
                                 f"says {run['summary']!r}, not {expected!r}")
            # The one close of the run's output between its start and its box.
            found = [close for close in self.closes.get(f"{run['case']}-{run['kind']}.txt", [])
                     if run["began"] < close[0] < run["box"]]
            if len(found) != 1:
                raise SystemExit(f"measure: dialog run: {len(found)} closes of the output of "
                                 f"{run['case']} {run['kind']} in round {run['round']}")
            run.update(to_box=run["box"] - run["began"], to_close=found[0][0] - run["began"])
            if run["began_cpu"] >= 0:
                run.update(cpu_to_box=run["box_cpu"] - run["began_cpu"],
                           cpu_to_close=found[0][1] - run["began_cpu"])
        result.update(runs=runs, jobs=[(name, flags) for name, _, flags in jobs])
        return result


def dialog_tables(result):
    """The dialog's time against the command line's less start-up, for each clock and end of the
    span, and the fixed costs."""
    runs = [run for run in result["runs"] if run["round"] > 0]

    def times(job, kind, key, go=None):
        """One time a round, in round order: go 1 is a dialog's first Go, 2 the mean of the later
        ones."""
        by_round = {}
        for run in runs:
            if run["case"] == job and run["kind"] == kind and go in (None, min(run["go"], 2)):
                by_round.setdefault(run["round"], []).append(run[key])
        return [sum(values) / len(values) for _, values in sorted(by_round.items())]

    rows, fixed = [], []
    for job, flags in result["jobs"]:
        for key in (key for key in DIALOG_ENDS if key in runs[0]):
            command, start_up = times(job, "command", key), times(job, "command-one", key)
            net = [whole - one for whole, one in zip(command, start_up)]
            first, later = times(job, "dialog", key, 1), times(job, "dialog", key, 2)
            # A dialog clicked once has no later Go.
            rows.append([f"{job} `{flags}`", DIALOG_ENDS[key], span(command), span(start_up),
                         span(net), span(first), stats.paired_ratio(first, net)] +
                        ([span(later), stats.paired_ratio(later, net)] if later else ["", ""]))
        after = [span([run["to_box"] - run["to_close"] for run in runs if run["case"] == job and
                       run["kind"].startswith(kind)], 1000, 1) for kind in ("command", "dialog")]
        fixed.append([f"{job} `{flags}`", span(times(job, "dialog-one", "to_close"), 1000, 1),
                      span(times(job, "dialog-one", "to_box"), 1000, 1)] + after)
    return "\n\n".join([
        f"{result['rounds']} rounds, {result['dialog_runs']} Go per dialog, "
        f"{result['extra_titles']} extra titles a Go, {result['seconds']:.0f} s; a box is stamped "
        f"{span(result['hook_delay'], 1000, 2)} ms after the call that shows it; "
        f"{result['missed_events']} boxes found without their event.",
        "Times (s): median (range) over the rounds; ratios, the dialog's time over the command "
        "line's less start-up, paired by round, with their 95% bootstrap interval.",
        table(["Tree, job", "Clock, end", "Command line", "Command line on one file",
               "Command line less start-up", "Dialog, first Go", "Ratio", "Dialog, later Go",
               "Ratio"], rows),
        "Fixed costs, wall time (ms): median (range).",
        table(["Tree, job", "Dialog on one file, Go to output closed",
               "Dialog on one file, Go to box", "Command line, output closed to box",
               "Dialog, output closed to box"], fixed)])


def previous_peaks(path):
    """Peak memory (MiB) by case from the results table of an earlier report."""
    peaks, section = {}, ""
    for line in stats.read_text(path).splitlines():
        cells = [cell.strip() for cell in line.strip("| ").split("|")]
        section = line if line.startswith("## ") else section
        if section == "## Results" and len(cells) >= 5 and " Scrivtree -" in cells[0]:
            peaks[cells[0]] = float(cells[4])
    return peaks


def write_report(args, commands, nav, dialog, counts, facts, elapsed):
    by_key = {case.key: case for case in commands.cases}
    before = previous_peaks(args.baseline) if args.baseline else {}
    rows, targets = [], []
    for case in commands.cases:
        other = by_key.get(case.yardstick(by_key))
        rows.append([case.label, seconds(median(case.walls)), stats.value_range(case.walls),
                     seconds(median(case.cpus)), mib(median(case.peaks)), mib(case.output_bytes),
                     str(len(case.walls)), other.label if other else "",
                     " / ".join(f"{stats.ratio(getattr(case, kind), getattr(other, kind)):.2f}x"
                                for kind in ("walls", "cpus", "peaks")) if other else ""])
    for kind, pairs in (("time", TIME_TARGETS), ("peak memory", PEAK_TARGETS)):
        for key, held, limit in pairs:
            if not {key, held} <= by_key.keys():
                continue
            case, other = by_key[key], by_key[held]
            if kind == "time":
                ratio, cpu = (stats.ratio(case.walls, other.walls),
                              stats.ratio(case.cpus, other.cpus))
                measured = f"{ratio:.2f}x (processor time {cpu:.2f}x)"
            else:
                ratio = stats.ratio(case.peaks, other.peaks)
                measured = f"{ratio:.2f}x"
            targets.append([f"{case.label}, {kind} to {other.label}", measured,
                            f"<= {limit:.2f}x", ratio <= limit])
    for case in commands.cases:
        was = before.get(case.label) if case.format == "text" else None
        if was is not None:
            peak = median(case.peaks) / stats.MIB
            targets.append([f"{case.label}, peak memory",
                            f"{peak:.1f} MiB ({(peak / was - 1) * 100:+.0f}%)",
                            f"<= {was * PEAK_LIMIT:.1f} MiB ({was:.1f} "
                            f"+{(PEAK_LIMIT - 1) * 100:.0f}%)", peak <= was * PEAK_LIMIT])
    if nav:
        targets.append(["T4 folder list, fill time to one enumeration of the folder",
                        f"{nav['ratio']:.2f}x", f"<= {NAVIGATOR_LIMIT:.2f}x",
                        nav["ratio"] <= NAVIGATOR_LIMIT])

    shapes = {"t1": "depth 4, 10 sub-folders and 10 files in every folder", "t2": "one folder",
              "t3": "a chain of folders; the deepest files' paths are 254 to 259 characters",
              "t4": "one folder of sub-folders only, for the dialog's folder list",
              "empty": "an empty folder", "one": "one folder with one file, for the start-up"}
    other = ("64-bit build", "benchmarks-win64.md", "SCRIVTREE_NO_32BIT=1 bash bench/run.sh") \
        if args.arch == "win32" else ("32-bit build", "benchmarks.md", "bash bench/run.sh")
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
        "targets": table(["Target", "Measured", "Limit", ""],
                         [cells[:3] + ["met" if cells[3] else "not met"] for cells in targets]),
        "machine": table(["", ""], facts), "minutes": f"{elapsed / 60:.1f}",
    }
    if rows:
        fields["results"] = table(["Case", "Median wall (s)", "Range (s)",
                                   "Median processor (s)", "Peak memory (MiB)", "Output (MiB)",
                                   "Runs", "Compared with", "Wall / processor / peak to it"], rows)
    if nav:
        fields.update(subfolders=f"{counts['t4']['folders'] - 1:,}", items=f"{nav['items']:,}",
                      navigator=table(["Step", "Median (s)", "Range (s)"], [
                          [what, seconds(median(nav[key])), stats.value_range(nav[key])]
                          for what, key in (
                              ("One enumeration of T4 (the yardstick)", "enumerate_seconds"),
                              ("`FillFolderList` opening T4", "fill_seconds"),
                              ("The list's first paint after the fill (not in the ratio)",
                               "paint_seconds"))]))
    if dialog:
        fields["dialog"] = dialog_tables(dialog)
    # A part of the template between "<!-- if NAME -->" and "<!-- end -->" is kept when the
    # report has the field NAME, that is when its measurement ran.
    text = re.sub(r"<!-- if (\w+) -->\n(.*?)<!-- end -->\n",
                  lambda part: part.group(2) if part.group(1) in fields else "",
                  stats.read_text(os.path.join(args.repo, "bench", "report.md.in")), flags=re.S)
    with open(args.report, "w") as f:
        f.write(string.Template(text).substitute(fields))


def parse_arguments():
    parser = argparse.ArgumentParser(
        prog="bash bench/run.sh", description="Times Scrivtree under Wine; see "
        "docs/benchmarks.md. A full run rewrites docs/benchmarks.md (docs/benchmarks-win64.md "
        "for the 64-bit build) unless --report names another file.")
    add = parser.add_argument
    add("--rounds", type=int, default=7, help="timed rounds after the warm-up (7)")
    add("--check-only", action="store_true", help="run and check each case once, no timing")
    add("--cases", help="comma-separated shell patterns of the cases' keys (t1-s-f, "
        "t4-folder-list, dialog-run, ...): those only, with the cases they are compared with; no "
        "report unless --report names one")
    add("--report", help="the report to write")
    add("--baseline", help="the report whose peak memory this run is held to (the report)")
    add("--save-outputs", help="a folder to copy Scrivtree's outputs into")
    add("--cpu", default="last", help="the processor every run is pinned to: N, last or none")
    add("--display", default=":96", help="the X display of the folder list and the dialog")
    add("--display-cpu", type=int, help="a processor of its own for the X server")
    add("--dialog-runs", type=int, default=2, help="Go clicks per dialog (2)")
    add("--long", action="store_true", help="the dialog run on T4 too")
    add("--extra-titles", type=int, default=0, help="progress-timer messages posted behind "
        "every Go of the dialog run, to price one change of the title (0)")
    add("--exe", help="the Scrivtree.exe to time (one built from this repository)")
    add("--work-dir", default="/tmp/scrivtree-bench", help="programs, prefixes, outputs")
    add("--trees", help="trees made earlier by bench/generate_trees.py, when of its version")
    add("--check-arguments", action="store_true", help=argparse.SUPPRESS)
    # Given by bench/run.sh.
    for name in ("floor-wide", "old-exe", "old-commit", "wine", "repo", "arch", "navigator",
                 "dialog-run", "display-wine-root"):
        add("--" + name, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.rounds < 1 or args.dialog_runs < 1:
        parser.error("--rounds and --dialog-runs must be at least 1")
    if args.cpu not in ("none", "last") and not args.cpu.isdigit():
        parser.error("--cpu takes a processor's number, last or none")
    if args.check_arguments:
        sys.exit(0)
    args.cpu = {"none": None, "last": max(os.sched_getaffinity(0))}.get(args.cpu, args.cpu)
    args.cpu = None if args.cpu is None else int(args.cpu)
    if args.report is None and args.cases is None:
        args.report = os.path.join(args.repo, "docs", "benchmarks-win64.md"
                                   if args.arch == "win64" else "benchmarks.md")
    args.baseline = args.baseline or args.report
    args.build = "32-bit (i686), the program users get" if args.arch == "win32" else \
        "64-bit (x86_64)" + (", with 32-bit programs switched off (SCRIVTREE_NO_32BIT=1)"
                             if os.environ.get("SCRIVTREE_NO_32BIT") == "1" else "")
    return args


def main():
    args = parse_arguments()
    if args.cpu is not None:
        # Inherited by every run and by what it starts.
        os.sched_setaffinity(0, {args.cpu})
    began = time.perf_counter()
    with open(os.path.join(args.trees, "manifest.json")) as f:
        counts = json.load(f)["trees"]
    facts = stats.machine_facts(args.wine, args.repo)
    commands = CommandLine(args, counts)
    navigator = bool(pick(["t4-folder-list"], args.cases))
    dialog = DialogRun(args, counts) if pick(["dialog-run"], args.cases) else None
    if not (commands.cases or navigator or dialog):
        raise SystemExit(f"measure: nothing matches --cases {args.cases}")
    try:
        print("measure: warm-up and output check", flush=True)
        # Every part is run and checked, so that one run names every case that fails.
        failures = []
        commands.warm_up(failures)
        parts = []
        if navigator:
            parts.append(("T4 folder list", lambda: folder_list(args, counts, 1)))
        if dialog:
            parts.append(("dialog run", lambda: dialog.run(0)))
        for what, part in parts:
            try:
                part()
            except SystemExit as failure:
                print(failure, file=sys.stderr, flush=True)
                failures.append(what)
        if failures:
            raise SystemExit(f"measure: {len(failures)} checks failed: {', '.join(failures)}")
        print("measure: all outputs checked", flush=True)
        if args.check_only:
            return
        commands.measure(args.rounds)
        nav = navigator and folder_list(args, counts, args.rounds)
        dialog_result = dialog and dialog.run(args.rounds)
    finally:
        dialog and dialog.release_group()
    with open(os.path.join(commands.out, "results.json"), "w") as f:
        json.dump({**{case.key: {"wall_seconds": case.walls, "peak_bytes": case.peaks,
                                 "cpu_seconds": case.cpus, "output_bytes": case.output_bytes}
                      for case in commands.cases},
                   "t4-folder-list": nav, "dialog-run": dialog_result}, f)
    if args.report:
        write_report(args, commands, nav, dialog_result, counts, facts, time.perf_counter() - began)
        print(f"measure: report written to {args.report}")


if __name__ == "__main__":
    sys.exit(main())
