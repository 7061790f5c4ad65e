#!/usr/bin/env python3
"""The Linux side of bench/dialog_run.sh.

    dialog_run.py watch FOLDER LOG CLOCK|none
        log every file closed after writing in FOLDER, with the time and the processor time of
        the bench's accounting group (CLOCK, its cpuacct.usage or cpu.stat)
    dialog_run.py report WORK_DIR BUILD...
        print the tables of each build's runs kept in WORK_DIR, and the facts of the machine
        with those of the measurement that dialog_run.sh keeps in WORK_DIR/facts

The watcher stamps each close with CLOCK_MONOTONIC_RAW, the clock of Wine's
QueryPerformanceCounter, so the closes line up with the bench's own times: the output file is
closed when the listing is written whole, just before the summary box is asked for.
"""

import ctypes
import hashlib
import json
import os
import random
import statistics
import struct
import subprocess
import sys
import time

IN_CLOSE_WRITE = 0x8
EXPECTED_SUMMARIES = {"T1": "111110 file(s) of 11111 folder(s)",
                      "T2": "200000 file(s) of 1 folder(s)",
                      "T4": "0 file(s) of 100001 folder(s)"}
JOBS = {"T1": "T1 `-s -f`", "T2": "T2 `-f -sort name`", "T4": "T4 `-s`"}
BUILDS = {"win32": "32-bit", "win64": "64-bit"}
median = statistics.median


def read_clock(clock):
    """Processor time in seconds from a cgroup v1 cpuacct.usage (nanoseconds) or a cgroup v2
    cpu.stat (a line "usage_usec N"); -1 without one."""
    if clock == "none":
        return -1.0
    with open(clock) as f:
        text = f.read()
    for line in text.splitlines():
        if line.startswith("usage_usec "):
            return int(line.split()[1]) / 1e6
    return int(text) / 1e9


def watch(folder, log, clock):
    libc = ctypes.CDLL(None, use_errno=True)
    descriptor = libc.inotify_init1(os.O_CLOEXEC)
    if descriptor < 0 or libc.inotify_add_watch(descriptor, folder.encode(), IN_CLOSE_WRITE) < 0:
        sys.exit(f"dialog_run.py: cannot watch {folder}: {os.strerror(ctypes.get_errno())}")
    read_clock(clock)
    with open(log, "w", buffering=1) as out:
        out.write("ready\n")
        while True:
            events = os.read(descriptor, 65536)
            now = time.clock_gettime(time.CLOCK_MONOTONIC_RAW)
            used = read_clock(clock)
            offset = 0
            while offset < len(events):
                _, _, _, length = struct.unpack_from("iIII", events, offset)
                name = events[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
                out.write(f"{now:.7f} {used:.7f} {name}\n")
                offset += 16 + length


def read_closes(log):
    closes = {}
    with open(log) as lines:
        for line in lines:
            fields = line.split(maxsplit=2)
            if len(fields) == 3:
                closes.setdefault(fields[2].rstrip("\n"), []).append(
                    (float(fields[0]), float(fields[1])))
    return closes


def span(values, scale=1.0, digits=3):
    values = [value * scale for value in values]
    return f"{median(values):.{digits}f} ({min(values):.{digits}f}-{max(values):.{digits}f})"


def ratio(dialog, command):
    """The median over the rounds of each round's ratio, with its 95% bootstrap interval (from
    a fixed seed): a round's runs follow each other within seconds, so that a change in the
    machine's load between rounds moves both sides of its ratio."""
    ratios = [d / c for d, c in zip(dialog, command)]
    rng = random.Random(1729)
    medians = sorted(median(rng.choices(ratios, k=len(ratios))) for _ in range(2000))
    return f"**{median(ratios):.3f}** ({medians[49]:.3f}-{medians[1949]:.3f})"


def load(work_dir, build):
    """The build's timed runs, each with its times to the box and to the output's close, in
    seconds of the clock and of the processor."""
    result = json.load(open(f"{work_dir}/results-{build}.json"))
    closes = read_closes(f"{work_dir}/closes-{build}.log")
    for name, summary in result["summaries"].items():
        if summary != EXPECTED_SUMMARIES.get(name):
            sys.exit(f"dialog_run.py: {build} {name}: the summary says {summary!r}")
    runs = []
    for run in result["runs"]:
        # The one close of the run's output between its start and its box.
        found = [close for close in closes.get(run["output"], [])
                 if run["began"] < close[0] < run["box"]]
        if len(found) != 1:
            sys.exit(f"dialog_run.py: {build}: {len(found)} closes of {run['output']} in the run "
                     f"of round {run['round']}")
        run["to_box"] = run["box"] - run["began"]
        run["to_close"] = found[0][0] - run["began"]
        if run["began_cpu"] >= 0:
            run["cpu_to_box"] = run["box_cpu"] - run["began_cpu"]
            run["cpu_to_close"] = found[0][1] - run["began_cpu"]
        if run["round"] > 0:
            runs.append(run)
    return result, runs


def times(runs, case, kind, key, go=None):
    """One time a round, in round order: go 1 is a dialog's first Go, 2 the mean of its later
    ones."""
    by_round = {}
    for run in runs:
        if run["case"] == case and run["kind"] == kind and \
                (go is None or (run["go"] == 1) == (go == 1)):
            by_round.setdefault(run["round"], []).append(run[key])
    return [statistics.fmean(by_round[round]) for round in sorted(by_round)]


def table(header, rows):
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for cells in rows:
        print("| " + " | ".join(cells) + " |")
    print()


ENDS = {
    "to_close": "Wall time from the start to the output file closed",
    "to_box": "Wall time from the start to the summary box",
    "cpu_to_close": "Processor time of the bench's processes from the start to the output file "
                    "closed",
    "cpu_to_box": "Processor time of the bench's processes from the start to the summary box",
}


def report(work_dir, builds):
    rows = {key: [] for key in ENDS}
    fixed = []
    for build in builds:
        result, runs = load(work_dir, build)
        if result["missed_events"]:
            print(f"warning: {build}: {result['missed_events']} boxes found without their event")
        program = result["program"].replace("\\", "/")[2:]
        with open(program, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()[:16]
        print(f"{build}: {program} (SHA-256 {digest}), {result['rounds']} rounds, "
              f"{result['dialog_runs']} Go per dialog, "
              f"{result.get('extra_titles', 0)} extra titles a Go, "
              f"{result['seconds']:.0f} s; a box is stamped "
              f"{span(result['hook_delay'], 1000, 2)} ms after the call that shows it")
        for case in result["summaries"]:
            label = [BUILDS[build], JOBS[case]]
            for key in ENDS:
                if key not in runs[0]:
                    continue
                command = times(runs, case, "command", key)
                start_up = times(runs, case, "command-one", key)
                net = [whole - one for whole, one in zip(command, start_up)]
                first = times(runs, case, "dialog", key, 1)
                later = times(runs, case, "dialog", key, 2)
                rows[key].append(label + [span(command), span(start_up), span(net), span(first),
                                          ratio(first, net), span(later), ratio(later, net)])
            box_after = {kind: [run["to_box"] - run["to_close"] for run in runs
                                if run["case"] == case and run["kind"].startswith(kind)]
                         for kind in ("command", "dialog")}
            fixed.append(label + [
                span(times(runs, case, "dialog-one", "to_close"), 1000, 1),
                span(times(runs, case, "dialog-one", "to_box"), 1000, 1),
                span(box_after["command"], 1000, 1), span(box_after["dialog"], 1000, 1)])
    for key, title in ENDS.items():
        if rows[key]:
            print(f"\n{title} (s): median (range) over the rounds; ratios, the dialog's time over "
                  "the command line's less start-up, paired by round, with their 95% bootstrap "
                  "interval\n")
            table(["Build", "Tree, job", "Command line", "Command line on one file",
                   "Command line less start-up", "Dialog, first Go", "Ratio",
                   "Dialog, later Go", "Ratio"], rows[key])
    print("Fixed costs, wall time (ms): median (range)\n")
    table(["Build", "Tree, job", "Dialog on one file, Go to output closed",
           "Dialog on one file, Go to box", "Command line, output closed to box",
           "Dialog, output closed to box"], fixed)


def machine(work_dir):
    def output(*command):
        try:
            return subprocess.run(command, capture_output=True, text=True).stdout.strip()
        except OSError:
            return ""

    try:
        with open(f"{work_dir}/facts") as f:
            date, load_start, load_end, commit = f.read().splitlines()[:4]
    except (OSError, ValueError):
        date = load_start = load_end = commit = "?"
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), "?")
    memory = next(int(line.split()[1]) for line in open("/proc/meminfo")
                  if line.startswith("MemTotal"))
    table(["", ""], [
        ["Measured (UTC)", date],
        ["CPU", f"{cpu}, {os.cpu_count()} logical processors"],
        ["RAM", f"{memory / 1024 / 1024:.1f} GiB"],
        ["System", f"{os.uname().sysname} {os.uname().release}"],
        ["Wine", output("/usr/lib/wine/wine64", "--version")],
        ["Repository", commit],
        ["Load average at the start", load_start],
        ["Load average at the end", load_end],
    ])


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "watch":
        watch(*sys.argv[2:5])
    elif len(sys.argv) >= 4 and sys.argv[1] == "report":
        report(sys.argv[2], sys.argv[3:])
        machine(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
