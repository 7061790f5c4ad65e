#include "engine/entry_order.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "engine/ascii.h"
#include "engine/list_job.h"
#include "engine/radix_sort.h"

int32_t FindExtOffset(std::string_view name) {
    const size_t dot = name.rfind('.');
    return static_cast<int32_t>(dot == std::string_view::npos ? name.size() : dot + 1);
}

// Records are carved from blocks of 64 KiB, one call to the heap for hundreds of records, where
// a folder of a million files would otherwise make a million. The blocks form a stack, and a
// folder's records go with a move of its top: nothing is done record by record.
struct EntryBlock {
    // The block carved before this one.
    EntryBlock* below;
    size_t size;
    size_t used;
};

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr size_t kBlockHeader = (sizeof(EntryBlock) + 7) & ~size_t{7};
EntryBlock* TopBlock = nullptr;
// The last block released, kept for the next one: a walk that goes back and forth across the end
// of a block does not go to the heap each time.
EntryBlock* SpareBlock = nullptr;

// Room for a record of size bytes, 8-aligned; nullptr when memory runs out. A record too big for
// a block gets a block of its own.
void* CarveRecord(size_t size) {
    size = (size + 7) & ~size_t{7};
    if (TopBlock == nullptr || TopBlock->size - TopBlock->used < size) {
        const size_t block_size = std::max(kBlockSize, kBlockHeader + size);
        EntryBlock* block = nullptr;
        if (SpareBlock != nullptr && SpareBlock->size >= block_size) {
            std::swap(block, SpareBlock);
        } else {
            block = static_cast<EntryBlock*>(std::malloc(block_size));
            if (block == nullptr) {
                return nullptr;
            }
            block->size = block_size;
        }
        block->below = TopBlock;
        block->used = kBlockHeader;
        TopBlock = block;
    }
    void* record = reinterpret_cast<char*>(TopBlock) + TopBlock->used;
    TopBlock->used += size;
    return record;
}

} // namespace

EntryMark MarkEntries() {
    return {TopBlock, TopBlock != nullptr ? TopBlock->used : 0};
}

void ReleaseEntries(EntryMark mark) {
    while (TopBlock != mark.block) {
        EntryBlock* released = TopBlock;
        TopBlock = released->below;
        std::free(SpareBlock);
        SpareBlock = released;
    }
    if (TopBlock != nullptr) {
        TopBlock->used = mark.used;
    } else {
        // Nothing is left to list: the memory goes back until the next run.
        std::free(SpareBlock);
        SpareBlock = nullptr;
    }
}

// Both names live right after the record, the wide one first for its alignment.
FolderEntry* NewEntry(std::string_view name, bool is_folder, uint64_t size, uint64_t last_write,
                      std::wstring_view real_name) {
    static_assert(sizeof(FolderEntry) % alignof(wchar_t) == 0);
    if (name.size() > UINT16_MAX || real_name.size() > UINT16_MAX) {
        return nullptr;
    }
    void* block =
        CarveRecord(sizeof(FolderEntry) + real_name.size() * sizeof(wchar_t) + name.size() + 1);
    if (block == nullptr) {
        return nullptr;
    }
    FolderEntry* entry = new (block) FolderEntry{};
    entry->real_name_length = static_cast<uint16_t>(real_name.size());
    entry->name_length = static_cast<uint16_t>(name.size());
    wchar_t* real_text = reinterpret_cast<wchar_t*>(entry + 1);
    real_name.copy(real_text, real_name.size());
    char* name_text = reinterpret_cast<char*>(real_text + real_name.size());
    name.copy(name_text, name.size());
    name_text[name.size()] = '\0';
    entry->is_folder = is_folder ? 1 : 0;
    entry->ext_offset = static_cast<uint16_t>(is_folder ? 0 : FindExtOffset(name));
    entry->size = size;
    entry->last_write = last_write;
    return entry;
}

// Negative, zero or positive as a stands before, level with or after b: folders before files,
// folders by name, files by the key.
static int CompareEntries(const FolderEntry& a, const FolderEntry& b, int32_t sort_mode) {
    if (a.is_folder != b.is_folder) {
        return a.is_folder ? -1 : 1;
    }
    if (a.is_folder) {
        return CompareNoCase(a.Name(), b.Name());
    }
    switch (sort_mode) {
    case ByName:
        return CompareNoCase(a.Name(), b.Name());
    case ByExtension: {
        const int by_extension = CompareNoCase(a.Extension(), b.Extension());
        return by_extension != 0 ? by_extension : CompareNoCase(a.Name(), b.Name());
    }
    case BySize:
        return a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
    case ByDate:
        return a.last_write < b.last_write ? -1 : a.last_write > b.last_write ? 1 : 0;
    default:
        return 0;
    }
}

static bool ComesAfter(const FolderEntry& a, const FolderEntry& b, int32_t sort_mode) {
    return CompareEntries(a, b, sort_mode) > 0;
}

// Merges two ordered lists; on equal keys the left list's record goes first, which keeps the
// sort stable.
static FolderEntry* Merge(FolderEntry* left, FolderEntry* right, int32_t sort_mode) {
    FolderEntry head{};
    FolderEntry* tail = &head;
    while (left != nullptr && right != nullptr) {
        FolderEntry** taken = ComesAfter(*left, *right, sort_mode) ? &right : &left;
        tail->next = *taken;
        tail = *taken;
        *taken = (*taken)->next;
    }
    tail->next = left != nullptr ? left : right;
    return head.next;
}

// Sorts the first count records of list and leaves list at the record after them. Each level
// of the recursion halves the run, so every record is merged log n times and the list is never
// walked for anything else.
static FolderEntry* SortRun(FolderEntry*& list, size_t count, int32_t sort_mode) {
    if (count == 1) {
        FolderEntry* single = list;
        list = list->next;
        single->next = nullptr;
        return single;
    }
    FolderEntry* left = SortRun(list, count / 2, sort_mode);
    FolderEntry* right = SortRun(list, count - count / 2, sort_mode);
    return Merge(left, right, sort_mode);
}

// A record's place in the list with as much of its sort key as fits in a number, so that most
// comparisons read no record: the whole key of sizes and dates, the first eight folded bytes of
// names and extensions, in order of their value. Small, so that sorting moves little memory.
struct SortItem {
    uint64_t key;
    // The index of the record in the list: it finds the record, and decides between equal keys,
    // which keeps the order stable without the memory of a stable sort.
    uint32_t place;
    // Whether the key holds the whole text, not just its start.
    uint32_t whole;
};

static uint64_t TextKey(std::string_view text) {
    uint64_t key = 0;
    for (size_t i = 0; i < 8; ++i) {
        const unsigned char byte =
            i < text.size() ? static_cast<unsigned char>(LowerAscii(text[i])) : 0;
        key = (key << 8) | byte;
    }
    return key;
}

// The order of one group, folders or files, by the keys of its items.
struct KeyOrder {
    FolderEntry* const* records;
    int32_t sort_mode;
    // The names' starts, by place, when the key is the extension: files of one extension are
    // many, and most of them differ there.
    uint64_t* name_keys;

    bool operator()(const SortItem& a, const SortItem& b) const {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        // Sizes and dates that tie are equal, and so are names held whole by their keys.
        const bool text = sort_mode == ByName || sort_mode == ByExtension;
        if (!text || (a.whole && b.whole && name_keys == nullptr)) {
            return a.place < b.place;
        }
        if (a.whole && b.whole && name_keys[a.place] != name_keys[b.place]) {
            return name_keys[a.place] < name_keys[b.place];
        }
        const int order = CompareEntries(*records[a.place], *records[b.place], sort_mode);
        return order != 0 ? order < 0 : a.place < b.place;
    }
};

static SortItem ItemOf(const FolderEntry& entry, uint32_t place, int32_t sort_mode,
                       uint64_t* name_keys) {
    SortItem item{0, place, 0};
    if (sort_mode == ByName) {
        item.key = TextKey(entry.Name());
        item.whole = entry.Name().size() <= 8;
    } else if (sort_mode == ByExtension) {
        item.key = TextKey(entry.Extension());
        item.whole = entry.Extension().size() <= 8;
        name_keys[place] = TextKey(entry.Name());
    } else if (sort_mode == BySize) {
        item.key = entry.size;
    } else if (sort_mode == ByDate) {
        item.key = entry.last_write;
    }
    return item;
}

// Trades each item's key for the one kept aside for its place.
static void TradeKeys(SortItem* items, size_t count, uint64_t* kept) {
    for (size_t i = 0; i < count; ++i) {
        std::swap(items[i].key, kept[items[i].place]);
    }
}

// Sorts one group, folders or files. A large group goes by radix on the keys, then each run of
// items whose keys tie is put in order by what lies beyond them.
static void SortGroup(SortItem* items, SortItem* spare, size_t count, const KeyOrder& order) {
    if (count < kRadixSortFrom || spare == nullptr) {
        std::sort(items, items + count, order);
        return;
    }
    uint64_t* name_keys = order.name_keys;
    if (name_keys != nullptr) {
        // By the names' starts first: the sort by extension keeps that order where the
        // extensions tie, and the runs left to compare are short.
        TradeKeys(items, count, name_keys);
        RadixSortByKey(items, spare, count);
        TradeKeys(items, count, name_keys);
    }
    RadixSortByKey(items, spare, count);
    if (order.sort_mode != ByName && order.sort_mode != ByExtension) {
        return;
    }
    SortTiedRuns(
        items, count,
        [name_keys](const SortItem& a, const SortItem& b) {
            return a.key == b.key &&
                   (name_keys == nullptr || name_keys[a.place] == name_keys[b.place]);
        },
        order);
}

// Sorts the records by their keys, folders and files apart, reading the records themselves
// only where two keys tie: a folder of a million files sorts without chasing a million pointers
// at every step. Returns false, having done nothing, when there is no memory to sort with.
static bool SortByKeys(FolderEntry*& head, size_t count, int32_t sort_mode) {
    const bool by_extension = sort_mode == ByExtension;
    if (count > UINT32_MAX) {
        return false;
    }
    std::unique_ptr<FolderEntry*[]> records(new (std::nothrow) FolderEntry*[count]);
    std::unique_ptr<SortItem[]> items(new (std::nothrow) SortItem[count]);
    std::unique_ptr<uint64_t[]> name_keys(by_extension ? new (std::nothrow) uint64_t[count]
                                                       : nullptr);
    if (!records || !items || (by_extension && !name_keys)) {
        return false;
    }
    // Without room for the radix sort, comparisons do it all.
    std::unique_ptr<SortItem[]> spare(count >= kRadixSortFrom ? new (std::nothrow) SortItem[count]
                                                              : nullptr);
    size_t folders = 0;
    size_t place = 0;
    for (FolderEntry* entry = head; entry != nullptr; entry = entry->next) {
        records[place++] = entry;
        folders += entry->is_folder;
    }
    size_t next_folder = 0;
    size_t next_file = folders;
    for (place = 0; place < count; ++place) {
        const FolderEntry& entry = *records[place];
        const uint32_t index = static_cast<uint32_t>(place);
        items[entry.is_folder ? next_folder++ : next_file++] =
            entry.is_folder ? ItemOf(entry, index, ByName, nullptr)
                            : ItemOf(entry, index, sort_mode, name_keys.get());
    }
    SortGroup(&items[0], spare.get(), folders, KeyOrder{records.get(), ByName, nullptr});
    if (sort_mode >= ByName && sort_mode <= ByDate) {
        SortGroup(&items[folders], spare.get(), count - folders,
                  KeyOrder{records.get(), sort_mode, name_keys.get()});
    }
    FolderEntry** link = &head;
    for (size_t i = 0; i < count; ++i) {
        FolderEntry* entry = records[items[i].place];
        *link = entry;
        link = &entry->next;
    }
    *link = nullptr;
    return true;
}

static size_t CountEntries(const FolderEntry* head) {
    size_t count = 0;
    for (const FolderEntry* entry = head; entry != nullptr; entry = entry->next) {
        ++count;
    }
    return count;
}

FolderEntry* SortEntries(FolderEntry* head, int32_t sort_mode) {
    const size_t count = CountEntries(head);
    if (count == 0 || SortByKeys(head, count, sort_mode)) {
        return head;
    }
    return SortRun(head, count, sort_mode);
}

FolderEntry* SortEntriesInPlace(FolderEntry* head, int32_t sort_mode) {
    const size_t count = CountEntries(head);
    return count == 0 ? nullptr : SortRun(head, count, sort_mode);
}
