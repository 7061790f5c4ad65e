// Path arithmetic of the dialog's current folder: its components as the folder list shows them,
// the moves up and down the tree, the order of sub-folder names, the proposed output name and
// the format its extension asks for.
// Pure text rules, no file system.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/list_job.h"
#include "engine/radix_sort.h"

// Longest folder path the dialog holds, in UTF-16 units as Windows counts a path. Paths are
// UTF-8.
constexpr size_t kMaxFolderPath = 259;

// One component of a folder path: where its first character is and how long it is.
struct PathComponent {
    size_t offset = 0;
    size_t length = 0;
};

// The pieces between backslashes, from the start of the path up to its end or to the first
// empty piece: C:\ gives C:, a trailing backslash adds nothing, a path that begins with a
// backslash (a network path) gives no component at all.
std::vector<PathComponent> SplitFolderPath(std::string_view path);

// Sub-folder names as the folder list takes them, in UTF-16 units (wchar_t on Windows): one
// after another in one store, each ended by a NUL, so that a folder of a hundred thousand
// sub-folders costs no allocation and no conversion per name.
template <typename Unit> struct FolderNames {
    std::basic_string<Unit> store;
    std::vector<size_t> starts;

    void Add(const Unit* name) {
        starts.push_back(store.size());
        store.append(name, std::char_traits<Unit>::length(name) + 1);
    }
    size_t Count() const { return starts.size(); }
    const Unit* Name(size_t index) const { return store.data() + starts[index]; }
};

// A UTF-16 unit's place in the order of code points, ASCII letters folded to lower case: the
// surrogates, halves of the characters beyond U+FFFF, come after U+E000 to U+FFFF.
constexpr unsigned long UnitRank(unsigned long unit) {
    if (unit >= 'A' && unit <= 'Z') {
        return unit + 32;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        return unit + 0x2000;
    }
    return unit >= 0xE000 && unit <= 0xFFFF ? unit - 0x800 : unit;
}

// Orders the names by code point, as their UTF-8 bytes compare, with the ASCII letters folded
// to lower case; a name that begins another comes first, and names that compare equal keep
// their order. 2010, _tmp, Alpha, beta. The first four units of each name, ranked, sort as one
// number, so that most comparisons read no name, and a big folder sorts by radix on it.
template <typename Unit> void SortSubfolderNames(FolderNames<Unit>& names) {
    struct Item {
        uint64_t key;
        size_t place;
        size_t start;
    };
    std::vector<Item> items(names.Count());
    for (size_t i = 0; i < items.size(); ++i) {
        const Unit* name = names.Name(i);
        uint64_t key = 0;
        bool ended = false;
        for (int unit = 0; unit < 4; ++unit) {
            ended = ended || name[unit] == 0;
            key = (key << 16) |
                  (ended ? 0 : UnitRank(static_cast<unsigned long>(name[unit]) & 0xFFFF));
        }
        items[i] = {key, i, names.starts[i]};
    }
    const auto less = [&names](const Item& a, const Item& b) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        const Unit* x = names.store.data() + a.start;
        const Unit* y = names.store.data() + b.start;
        for (; *x != 0 && UnitRank(*x) == UnitRank(*y); ++x, ++y) {
        }
        return UnitRank(*x) != UnitRank(*y) ? UnitRank(*x) < UnitRank(*y) : a.place < b.place;
    };
    if (items.size() < kRadixSortFrom) {
        std::sort(items.begin(), items.end(), less);
    } else {
        std::vector<Item> spare(items.size());
        RadixSortByKey(items.data(), spare.data(), items.size());
        SortTiedRuns(
            items.data(), items.size(), [](const Item& a, const Item& b) { return a.key == b.key; },
            less);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        names.starts[i] = items[i].start;
    }
}
// The path after opening the sub-folder name of folder; empty when it would be longer than
// kMaxFolderPath, so that such an open changes nothing.
std::string SubfolderPath(std::string_view folder, std::string_view name);

// The path after opening the component that starts at offset: cut at the first backslash from
// there, and a drive component keeps its root backslash (C:\Windows\System32 opening C: gives
// C:\, opening Windows gives C:\Windows).
std::string ComponentPath(std::string_view folder, size_t offset);

// The output name proposed for a listing of folder: its last component, or the volume label
// at a drive root, followed by the extension (".txt", ".csv", ...); shortened before the
// extension, between characters, to fit 259 UTF-16 units.
std::string ProposedOutputName(std::string_view folder, std::string_view volume_label,
                               std::string_view extension);

// The listing's format that the output file's extension asks for, case ignored: .csv a
// spreadsheet's CSV, .htm and .html a web page, any other (or none) the text listing.
ListingFormat OutputFormatOf(std::string_view output_path);

// The folder of a first argument (ending with a backslash) as the exact path the folder list
// reads it by: without its closing backslash (a drive's root keeps it), the drive letter in
// upper case, every name as given, so that "dot." stays "dot.". Empty when the argument is not
// an absolute path on a drive, or holds "." or ".." components or empty ones, which only the
// usual path rules resolve.
std::string ExactFolderPath(std::string_view argument);
