#!/usr/bin/env python3
"""Makes the benchmark's folder trees from a fixed seed and records their counts.

Usage: generate_trees.py TREES_DIR

TREES_DIR/manifest.json names the generator version and the folder and file counts of each
tree. When it already holds the current version the trees are kept as they are; otherwise they
are made afresh in a temporary folder and moved into place, so that an interrupted run never
leaves trees that look finished.

Every file name has an extension and no name starts with a dot, so that the default filter
lists every file and the expected line counts follow from the counts alone. Names are unique
within a folder without regard to case, as Windows sees them. Files are empty or sparse, which
keeps the generation fast while the sizes still vary.
"""

import json
import os
import random
import shutil
import sys

VERSION = 3
SEED = 1729

# T1: a full tree, ten sub-folders and ten files in every folder down to depth 4.
T1_DEPTH = 4
T1_FANOUT = 10
T1_FILES = 10
# T2: one flat folder.
T2_FILES = 200_000
# T3: a chain of folders whose deepest file paths come within a few characters of 259.
T3_FILES_PER_LEVEL = 40
# T4: one folder of sub-folders only, for the dialog's folder list.
T4_FOLDERS = 100_000
WINDOWS_PATH_LIMIT = 259

EXTENSIONS = [
    "txt", "TXT", "c", "cpp", "h", "hpp", "md", "json", "log", "dat", "bin", "jpg", "JPEG",
    "png", "gif", "html", "css", "js", "py", "xml", "zip", "gz", "tar.gz", "bak", "doc", "pdf",
    "x", "config", "manifest", "7z",
]
NAME_CHARS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-"
# 1995-01-01 to 2024-12-31, whole seconds, in Unix time.
TIME_FIRST = 788_918_400
TIME_LAST = 1_735_603_200
# A handful of shared times and sizes give the date and size orders ties to keep stable.
SHARED_TIMES = [1_000_000_000, 1_234_567_890, 1_500_000_000]
SHARED_SIZES = [0, 0, 0, 1, 512, 4096]


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Maker:
    def __init__(self, seed):
        self.rng = random.Random(seed)

    def stem(self, low, high):
        rng = self.rng
        length = rng.randint(low, high)
        chars = [rng.choice(NAME_CHARS) for _ in range(length)]
        # Inner spaces and dots, never at either end.
        for _ in range(length // 8):
            at = rng.randint(1, length - 2) if length > 2 else 0
            if 0 < at < length - 1:
                chars[at] = rng.choice(" .")
        return "".join(chars)

    def unique(self, taken, make):
        while True:
            name = make()
            if name.lower() not in taken:
                taken.add(name.lower())
                return name

    def file_name(self, taken, low=1, high=32):
        return self.unique(taken, lambda: self.stem(low, high) + "." + self.rng.choice(EXTENSIONS))

    def fitting_name(self, room):
        extension = self.rng.choice([e for e in EXTENSIONS if len(e) + 2 <= room])
        return self.stem(1, min(32, room - 1 - len(extension))) + "." + extension

    def folder_name(self, taken):
        return self.unique(taken, lambda: self.stem(3, 16))

    def mtime_ns(self):
        rng = self.rng
        if rng.random() < 0.1:
            return rng.choice(SHARED_TIMES) * 1_000_000_000
        return rng.randint(TIME_FIRST, TIME_LAST) * 1_000_000_000 + rng.randrange(10_000_000) * 100

    def size(self):
        rng = self.rng
        if rng.random() < 0.2:
            return rng.choice(SHARED_SIZES)
        return int(10 ** rng.uniform(0, 7))

    def write_file(self, folder, name):
        fd = os.open(os.path.join(folder, name), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        try:
            size = self.size()
            if size:
                os.ftruncate(fd, size)
            stamp = self.mtime_ns()
            os.utime(fd, ns=(stamp, stamp))
        finally:
            os.close(fd)

    def stamp_folder(self, folder):
        stamp = self.mtime_ns()
        os.utime(folder, ns=(stamp, stamp))


def make_t1(maker, root):
    folders = 0
    files = 0

    def fill(folder, depth):
        nonlocal folders, files
        folders += 1
        taken = set()
        subfolders = []
        if depth < T1_DEPTH:
            for _ in range(T1_FANOUT):
                sub = os.path.join(folder, maker.folder_name(taken))
                os.mkdir(sub)
                subfolders.append(sub)
        for _ in range(T1_FILES):
            maker.write_file(folder, maker.file_name(taken))
            files += 1
        for sub in subfolders:
            fill(sub, depth + 1)
        maker.stamp_folder(folder)

    os.mkdir(root)
    fill(root, 0)
    return folders, files


def make_t2(maker, root):
    os.mkdir(root)
    taken = set()
    for _ in range(T2_FILES):
        maker.write_file(root, maker.file_name(taken))
    maker.stamp_folder(root)
    return 1, T2_FILES


def make_t3(maker, root, final_root):
    """Chain of folders under final_root (where the tree ends up) as deep as the limit allows.

    The deepest folder's path stays 12 characters short of the limit, so that its files can
    take the last characters: their full paths run from 259 down.
    """
    base = len(windows_path(final_root))
    deepest = WINDOWS_PATH_LIMIT - 12
    if base + 2 > deepest:
        raise SystemExit(f"generate_trees: {final_root} is too long a path for the deep tree")
    levels = []
    length = base
    while length + 1 + 12 <= deepest:
        levels.append(12)
        length += 1 + 12
    if deepest - length - 1 >= 1:
        levels.append(deepest - length - 1)
    os.mkdir(root)
    folder = root
    folder_length = base
    folders = 1
    files = 0
    chain = [root]
    for depth in range(len(levels) + 1):
        taken = set()
        next_name = None
        if depth < len(levels):
            next_name = maker.unique(taken, lambda: maker.stem(levels[depth], levels[depth]))
        for index in range(T3_FILES_PER_LEVEL):
            room = WINDOWS_PATH_LIMIT - folder_length - 1
            if depth == len(levels) and index < 6:
                # Full paths of exactly 259, 258, ... characters.
                stem = room - index - len(".txt")
                name = maker.unique(taken, lambda: maker.stem(stem, stem) + ".txt")
            else:
                name = maker.unique(taken, lambda: maker.fitting_name(room))
            maker.write_file(folder, name)
            files += 1
        if next_name is not None:
            folder = os.path.join(folder, next_name)
            folder_length += 1 + len(next_name)
            os.mkdir(folder)
            chain.append(folder)
            folders += 1
    for path in reversed(chain):
        maker.stamp_folder(path)
    return folders, files


def make_t4(maker, root):
    """Sub-folders with mixed-case names, made in the generator's order, which is not the
    list's: sorting them is real work."""
    os.mkdir(root)
    taken = set()
    for _ in range(T4_FOLDERS):
        os.mkdir(os.path.join(root, maker.folder_name(taken)))
    maker.stamp_folder(root)
    return 1 + T4_FOLDERS, 0


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: generate_trees.py TREES_DIR")
    trees = os.path.abspath(sys.argv[1])
    manifest_path = os.path.join(trees, "manifest.json")
    try:
        with open(manifest_path) as f:
            if json.load(f).get("version") == VERSION:
                print(f"generate_trees: reusing the trees in {trees}")
                return
    except (OSError, ValueError):
        pass

    if os.path.exists(trees):
        shutil.rmtree(trees)
    building = trees + ".building"
    if os.path.exists(building):
        shutil.rmtree(building)
    os.makedirs(building)
    maker = Maker(SEED)
    counts = {}
    for name, make in (("t1", make_t1), ("t2", make_t2)):
        print(f"generate_trees: making {name}", flush=True)
        folders, files = make(maker, os.path.join(building, name))
        counts[name] = {"folders": folders, "files": files}
    print("generate_trees: making t3", flush=True)
    folders, files = make_t3(maker, os.path.join(building, "t3"), os.path.join(trees, "t3"))
    counts["t3"] = {"folders": folders, "files": files}
    # Made after the others, so that they come out as before it was added.
    print("generate_trees: making t4", flush=True)
    folders, files = make_t4(maker, os.path.join(building, "t4"))
    counts["t4"] = {"folders": folders, "files": files}
    os.mkdir(os.path.join(building, "empty"))
    counts["empty"] = {"folders": 1, "files": 0}
    # One folder with one file: a run whose time is almost all start-up.
    os.mkdir(os.path.join(building, "one"))
    maker.write_file(os.path.join(building, "one"), "one.txt")
    counts["one"] = {"folders": 1, "files": 1}
    with open(os.path.join(building, "manifest.json"), "w") as f:
        json.dump({"version": VERSION, "seed": SEED, "trees": counts}, f, indent=2)
    os.rename(building, trees)
    print(f"generate_trees: made {json.dumps(counts)}")


if __name__ == "__main__":
    main()
