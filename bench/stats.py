"""What every measurement of bench/measure.py reports with: medians and ranges, ratios, Markdown
tables and the facts of the machine."""

import datetime
import hashlib
import os
import platform
import random
import statistics
import subprocess

MIB = 1024 * 1024
median = statistics.median


def seconds(value):
    return f"{value:.3f}"


def mib(value):
    return f"{value / MIB:.1f}"


def value_range(values, scale=1.0, digits=3):
    return f"{min(values) * scale:.{digits}f}-{max(values) * scale:.{digits}f}"


def span(values, scale=1.0, digits=3):
    """The median and, in brackets, the range."""
    return f"{median(values) * scale:.{digits}f} ({value_range(values, scale, digits)})"


def ratio(values, yardsticks):
    """The ratio of the medians."""
    return median(values) / median(yardsticks)


def paired_ratio(values, yardsticks):
    """The median of the ratios paired by round, with its 95% bootstrap interval from a fixed
    seed: a round's runs follow each other within seconds, so that a change in the machine's load
    between rounds moves both sides of its ratio."""
    ratios = [value / yardstick for value, yardstick in zip(values, yardsticks)]
    rng = random.Random(1729)
    medians = sorted(median(rng.choices(ratios, k=len(ratios))) for _ in range(2000))
    return f"**{median(ratios):.3f}** ({medians[49]:.3f}-{medians[1949]:.3f})"


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    return "\n".join(lines + ["| " + " | ".join(cells) + " |" for cells in rows])


def read_text(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def load_average():
    return " ".join(read_text("/proc/loadavg").split()[:3])


def digest(path):
    with open(path, "rb") as f:
        return "SHA-256 " + hashlib.sha256(f.read()).hexdigest()[:16]


def machine_facts(wine, repo):
    """The facts that stay the same through a run, as table rows."""
    cpu = next((line.split(":", 1)[1].strip() for line in read_text("/proc/cpuinfo").splitlines()
                if line.startswith("model name")), "unknown")
    memory = next((int(line.split()[1]) * 1024 for line in read_text("/proc/meminfo").splitlines()
                   if line.startswith("MemTotal:")), 0)
    commit = subprocess.run(["git", "-C", repo, "describe", "--always", "--dirty"],
                            capture_output=True, text=True).stdout.strip()
    return [
        ["Date (UTC)", datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M")],
        ["CPU", f"{cpu}, {os.cpu_count()} logical processors (nproc)"],
        ["RAM", f"{memory / 2**30:.1f} GiB"],
        ["System", f"{platform.system()} {platform.release()}"],
        ["Wine", subprocess.run([wine, "--version"], capture_output=True,
                                text=True).stdout.strip()],
        ["Repository", commit or "no commit"],
        ["Load average at the start", load_average()],
    ]
