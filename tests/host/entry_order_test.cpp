// Entry records and the order of a folder's entries: folders by name, then files by the key,
// ASCII-only case folding, stability, and agreement with a plain exchange sort and with a
// library sort by keys written out in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/entry_order.h"
#include "engine/list_job.h"

namespace {

struct Item {
    std::string name;
    bool is_folder = false;
    uint64_t size = 0;
    uint64_t last_write = 0;
};

FolderEntry* MakeList(const std::vector<Item>& items) {
    FolderEntry* head = nullptr;
    FolderEntry** tail = &head;
    for (const Item& item : items) {
        *tail = NewEntry(item.name, item.is_folder, item.size, item.last_write);
        tail = &(*tail)->next;
    }
    return head;
}

// The names of the sorted list, and the list freed.
std::vector<std::string> SortedNames(const std::vector<Item>& items, int32_t sort_mode,
                                     FolderEntry* (*sort)(FolderEntry*, int32_t) = SortEntries) {
    const EntryMark mark = MarkEntries();
    FolderEntry* head = sort(MakeList(items), sort_mode);
    std::vector<std::string> names;
    for (const FolderEntry* entry = head; entry != nullptr; entry = entry->next) {
        names.emplace_back(entry->Name());
    }
    ReleaseEntries(mark);
    return names;
}

Item File(const std::string& name, uint64_t size = 0, uint64_t last_write = 0) {
    return {name, false, size, last_write};
}

Item Folder(const std::string& name) {
    return {name, true, 0, 0};
}

TEST(FolderEntry, StoresNameAsGivenAndExtension) {
    const struct {
        Item item;
        const char* name;
        int32_t ext_offset;
    } cases[] = {
        {File("archive.tar.gz"), "archive.tar.gz", 12},
        {File(".notes.txt"), ".notes.txt", 7},
        {File(".profile"), ".profile", 1},
        {File("README"), "README", 6},
        {File("data."), "data.", 5},
        {File("Mixed.Txt"), "Mixed.Txt", 6},
        {Folder("My Documents"), "My Documents", 0},
        {Folder("my.dir"), "my.dir", 0},
    };
    for (const auto& c : cases) {
        const EntryMark mark = MarkEntries();
        FolderEntry* entry = NewEntry(c.item.name, c.item.is_folder, 5ull << 30, 42);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->Name(), c.name);
        EXPECT_EQ(entry->NameText()[entry->name_length], '\0');
        EXPECT_EQ(entry->ext_offset, c.ext_offset) << c.name;
        EXPECT_EQ(entry->size, 5ull << 30);
        EXPECT_EQ(entry->next, nullptr);
        ReleaseEntries(mark);
    }
}

TEST(SortEntries, FoldersFirstByNameWhateverTheKey) {
    const std::vector<Item> items = {File("b.txt", 1, 1), Folder("zeta"),   File("a.txt", 2, 2),
                                     Folder("Alpha"),     Folder("_under"), Folder("9lives")};
    for (const int32_t mode : {0, 1, 2, 3, 4, 5}) {
        const std::vector<std::string> names = SortedNames(items, mode);
        ASSERT_EQ(names.size(), 6u);
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
                  (std::vector<std::string>{"9lives", "_under", "Alpha", "zeta"}))
            << "sort mode " << mode;
    }
}

TEST(SortEntries, EachKey) {
    const struct {
        int32_t mode;
        std::vector<Item> items;
        std::vector<std::string> expected;
    } cases[] = {
        // Letters compare as lower case: '_' (95) sorts before the lower-case letters but after
        // the upper-case ones; digits before letters; bytes from 128 after all ASCII.
        {ByName,
         {File("readme.txt"), File("\xe9t\xe9.txt"), File("Beta.txt"), File("_x.txt"),
          File("2.txt"), File("a"), File("ab")},
         {"2.txt", "_x.txt", "a", "ab", "Beta.txt", "readme.txt", "\xe9t\xe9.txt"}},
        // Empty extensions first; the extension is what follows the last dot; equal extensions
        // by whole name, case ignored.
        {ByExtension,
         {File("c.txt"), File("a.tar.gz"), File("b.TXT"), File("noext"), File("ends."),
          File("a.txt"), File(".notes.txt")},
         {"ends.", "noext", "a.tar.gz", ".notes.txt", "a.txt", "b.TXT", "c.txt"}},
        // Whole 64-bit sizes: 4 GiB sorts after 3 GiB, not as 0.
        {BySize,
         {File("four", 4ull << 30), File("three", 3ull << 30), File("one", 1), File("zero", 0)},
         {"zero", "one", "three", "four"}},
        {ByDate,
         {File("new", 0, 0x01d0000000000000ull), File("old", 0, 0x01c0000000000000ull),
          File("top", 0, 0xffffffffffffffffull)},
         {"old", "new", "top"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SortedNames(c.items, c.mode), c.expected) << "sort mode " << c.mode;
    }
}

TEST(SortEntries, EqualKeysKeepScanOrder) {
    const struct {
        int32_t mode;
        std::vector<Item> items;
        std::vector<std::string> expected;
    } cases[] = {
        {BySize, {File("b", 7), File("a", 7), File("c", 1), File("d", 7)}, {"c", "b", "a", "d"}},
        {ByDate, {File("b", 0, 9), File("a", 0, 9), File("c", 0, 3)}, {"c", "b", "a"}},
        {ByName, {File("X.txt"), File("x.txt"), File("a.txt")}, {"a.txt", "X.txt", "x.txt"}},
        {0, {File("c"), Folder("b"), File("a")}, {"b", "c", "a"}},
        {5, {File("c"), File("a"), File("b")}, {"c", "a", "b"}},
        {ByName, {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SortedNames(c.items, c.mode), c.expected) << "sort mode " << c.mode;
    }
}

std::string LowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The order a stable exchange sort on the list gives: walk the neighbours, swap those out of
// order, repeat until nothing moves. std::string compares bytes as unsigned values.
std::vector<std::string> ExchangeSorted(std::vector<Item> items, int32_t mode) {
    auto key = [](const std::string& text) { return LowerCase(text); };
    auto extension = [&](const Item& item) {
        const size_t dot = item.name.rfind('.');
        return key(dot == std::string::npos ? "" : item.name.substr(dot + 1));
    };
    auto after = [&](const Item& a, const Item& b) {
        if (a.is_folder != b.is_folder) {
            return !a.is_folder;
        }
        if (a.is_folder || mode == ByName) {
            return key(a.name) > key(b.name);
        }
        switch (mode) {
        case ByExtension:
            return extension(a) > extension(b) ||
                   (extension(a) == extension(b) && key(a.name) > key(b.name));
        case BySize:
            return a.size > b.size;
        case ByDate:
            return a.last_write > b.last_write;
        default:
            return false;
        }
    };
    for (bool moved = true; moved;) {
        moved = false;
        for (size_t i = 0; i + 1 < items.size(); ++i) {
            if (after(items[i], items[i + 1])) {
                std::swap(items[i], items[i + 1]);
                moved = true;
            }
        }
    }
    std::vector<std::string> names;
    for (const Item& item : items) {
        names.push_back(item.name);
    }
    return names;
}

// A folder's records stay whole while its sub-folders' come and go, across blocks and past a
// block's size; a name longer than any a folder holds gets no record.
TEST(EntryMark, ReleasesOnlyTheRecordsMadeSinceTheMark) {
    const EntryMark outer = MarkEntries();
    std::vector<FolderEntry*> kept;
    for (int i = 0; i < 3000; ++i) {
        kept.push_back(NewEntry("kept " + std::to_string(i), i % 2 == 0, 0, 0));
    }
    for (int round = 0; round < 3; ++round) {
        const EntryMark inner = MarkEntries();
        for (int i = 0; i < 2000; ++i) {
            ASSERT_NE(NewEntry(std::string(40, 'x'), false, 0, 0), nullptr);
        }
        ASSERT_NE(NewEntry(std::string(UINT16_MAX, 'y'), false, 0, 0), nullptr);
        EXPECT_EQ(NewEntry(std::string(UINT16_MAX + 1, 'z'), false, 0, 0), nullptr);
        ReleaseEntries(inner);
    }
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(kept[i]->Name(), "kept " + std::to_string(i));
    }
    ReleaseEntries(outer);
}

// Both sorts, the one by keys and the one in place; names and extensions long enough, and alike
// enough, that the first eight bytes often tie.
TEST(SortEntries, MatchesTheExchangeSortOnRandomLists) {
    std::mt19937 random(20261208);
    const std::string alphabet = "aAbB._z9\xe9@[";
    for (int round = 0; round < 800; ++round) {
        std::vector<Item> items(random() % 60);
        const std::string alike[] = {"", "aaaaaaaa", "n.aaaaaaaa"};
        for (Item& item : items) {
            item.name = alike[round % 3];
            const size_t length = 1 + random() % 5;
            for (size_t i = 0; i < length; ++i) {
                item.name += alphabet[random() % alphabet.size()];
            }
            item.is_folder = random() % 4 == 0;
            item.size = random() % 4;
            item.last_write = random() % 4;
        }
        const int32_t mode = static_cast<int32_t>(random() % 6);
        EXPECT_EQ(SortedNames(items, mode), ExchangeSorted(items, mode)) << "round " << round;
        EXPECT_EQ(SortedNames(items, mode, SortEntriesInPlace), ExchangeSorted(items, mode))
            << "round " << round;
    }
}

// The order written out as one key per entry and a library's stable sort: the group (folders
// first), then the texts and the number the mode compares, in that order.
std::vector<std::string> ReferenceSorted(std::vector<Item> items, int32_t mode) {
    struct Keyed {
        int group;
        std::string first;
        std::string second;
        uint64_t number;
        std::string name;
    };
    std::vector<Keyed> keyed;
    for (const Item& item : items) {
        const size_t dot = item.name.rfind('.');
        const std::string extension = dot == std::string::npos ? "" : item.name.substr(dot + 1);
        Keyed key{item.is_folder ? 0 : 1, "", "", 0, item.name};
        if (item.is_folder || mode == ByName) {
            key.first = LowerCase(item.name);
        } else if (mode == ByExtension) {
            key.first = LowerCase(extension);
            key.second = LowerCase(item.name);
        } else if (mode == BySize) {
            key.number = item.size;
        } else if (mode == ByDate) {
            key.number = item.last_write;
        }
        keyed.push_back(key);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return std::tie(a.group, a.first, a.second, a.number) <
               std::tie(b.group, b.first, b.second, b.number);
    });
    std::vector<std::string> names;
    for (const Keyed& key : keyed) {
        names.push_back(key.name);
    }
    return names;
}

// Folders of thousands, where the sort goes by radix and then by the texts beyond the keys.
TEST(SortEntries, LargeFoldersMatchAPlainSortByWrittenOutKeys) {
    std::mt19937 random(8122026);
    const std::string alphabet = "aB.9@[_Z\xe9";
    for (int32_t mode = ByName; mode <= ByDate; ++mode) {
        std::vector<Item> items(5000);
        for (Item& item : items) {
            item.name = random() % 2 == 0 ? "abcdefgh" : "";
            for (size_t i = 1 + random() % 6; i > 0; --i) {
                item.name += alphabet[random() % alphabet.size()];
            }
            item.is_folder = random() % 3 == 0;
            item.size = random() % 50 == 0 ? 5ull << 32 : random() % 100;
            item.last_write = random() % 50 == 0 ? 1ull << 60 : random() % 100;
        }
        const std::vector<std::string> expected = ReferenceSorted(items, mode);
        EXPECT_EQ(SortedNames(items, mode), expected) << "mode " << mode;
        EXPECT_EQ(SortedNames(items, mode, SortEntriesInPlace), expected) << "mode " << mode;
    }
}

} // namespace
