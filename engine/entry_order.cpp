#include "engine/entry_order.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "engine/ascii.h"
#include "engine/list_job.h"

int32_t FindExtOffset(std::string_view name) {
    const size_t dot = name.rfind('.');
    return static_cast<int32_t>(dot == std::string_view::npos ? name.size() : dot + 1);
}

// Records are carved from blocks of 64 KiB: one call to the heap for hundreds of records, where
// a folder of a million files would otherwise make a million, and as many to free them. A block
// goes back to the heap with its last record; the block being carved counts itself as one more.
struct EntryBlock {
    size_t records;
    size_t used;
};

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr size_t kBlockHeader = (sizeof(EntryBlock) + 7) & ~size_t{7};
EntryBlock* CarvedBlock = nullptr;

void ReleaseRecord(EntryBlock* block) {
    if (--block->records == 0) {
        std::free(block);
    }
}

EntryBlock* NewBlock(size_t size) {
    EntryBlock* block = static_cast<EntryBlock*>(std::malloc(size));
    if (block != nullptr) {
        block->records = 1;
        block->used = kBlockHeader;
    }
    return block;
}

// Room for a record of size bytes, 8-aligned, and the block it lies in; nullptr when memory runs
// out. A record too big for a block gets a block of its own.
void* CarveRecord(size_t size, EntryBlock*& block) {
    size = (size + 7) & ~size_t{7};
    if (size > kBlockSize - kBlockHeader) {
        block = NewBlock(kBlockHeader + size);
        return block != nullptr ? reinterpret_cast<char*>(block) + kBlockHeader : nullptr;
    }
    if (CarvedBlock == nullptr || kBlockSize - CarvedBlock->used < size) {
        EntryBlock* fresh = NewBlock(kBlockSize);
        if (fresh == nullptr) {
            return nullptr;
        }
        if (CarvedBlock != nullptr) {
            ReleaseRecord(CarvedBlock);
        }
        CarvedBlock = fresh;
    }
    block = CarvedBlock;
    ++block->records;
    void* record = reinterpret_cast<char*>(block) + block->used;
    block->used += size;
    return record;
}

} // namespace

// Both names live right after the record, the wide one first for its alignment.
FolderEntry* NewEntry(std::string_view name, bool is_folder, uint64_t size, uint64_t last_write,
                      std::wstring_view real_name) {
    static_assert(sizeof(FolderEntry) % alignof(wchar_t) == 0);
    EntryBlock* owner = nullptr;
    void* block = CarveRecord(
        sizeof(FolderEntry) + real_name.size() * sizeof(wchar_t) + name.size() + 1, owner);
    if (block == nullptr) {
        return nullptr;
    }
    FolderEntry* entry = new (block) FolderEntry{};
    entry->block = owner;
    entry->real_name = reinterpret_cast<wchar_t*>(entry + 1);
    entry->real_name_length =
        static_cast<int32_t>(real_name.copy(entry->real_name, real_name.size()));
    entry->name = reinterpret_cast<char*>(entry->real_name + real_name.size());
    name.copy(entry->name, name.size());
    entry->name[name.size()] = '\0';
    entry->name_length = static_cast<int32_t>(name.size());
    entry->is_folder = is_folder ? 1 : 0;
    entry->ext_offset = is_folder ? 0 : FindExtOffset(name);
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

// A record with as much of its sort key as fits in a number, so that most comparisons read no
// record: the whole key of sizes and dates, the first eight folded bytes of names and
// extensions, in order of their value.
struct SortItem {
    bool is_file;
    uint64_t key;
    // The whole name's start, after an extension's: files of one extension are many.
    uint64_t name_key;
    // Whether equal keys leave the texts to compare; sizes and dates that tie are equal.
    bool text;
    // Whether the key holds the whole text, not just its start.
    bool whole;
    FolderEntry* entry;
    // The place in the list, which decides between equal keys: the order stays stable without
    // the extra memory of a stable sort.
    size_t place;
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

static SortItem ItemOf(FolderEntry* entry, int32_t sort_mode) {
    SortItem item{!entry->is_folder, 0, 0, false, false, entry, 0};
    if (entry->is_folder || sort_mode == ByName) {
        item.key = TextKey(entry->Name());
        item.text = true;
    } else if (sort_mode == ByExtension) {
        item.key = TextKey(entry->Extension());
        item.name_key = TextKey(entry->Name());
        item.text = true;
        item.whole = entry->Extension().size() <= 8;
    } else if (sort_mode == BySize) {
        item.key = entry->size;
    } else if (sort_mode == ByDate) {
        item.key = entry->last_write;
    }
    return item;
}

// Sorts an array of the records by their keys, reading the records themselves only where two
// keys tie: a folder of a million files sorts without chasing a million pointers at every step.
// Equal keys keep their order. Returns false, having done nothing, when there is no memory for
// the array.
static bool SortByKeys(FolderEntry*& head, size_t count, int32_t sort_mode) {
    std::unique_ptr<SortItem[]> items(new (std::nothrow) SortItem[count]);
    if (!items) {
        return false;
    }
    size_t index = 0;
    for (FolderEntry* entry = head; entry != nullptr; entry = entry->next) {
        items[index] = ItemOf(entry, sort_mode);
        items[index].place = index;
        ++index;
    }
    std::sort(items.get(), items.get() + count, [sort_mode](const SortItem& a, const SortItem& b) {
        if (a.is_file != b.is_file) {
            return b.is_file;
        }
        if (a.key != b.key) {
            return a.key < b.key;
        }
        if (!a.text) {
            return a.place < b.place;
        }
        // Whole extensions that are equal: by the names' starts.
        if (a.whole && b.whole && a.name_key != b.name_key) {
            return a.name_key < b.name_key;
        }
        const int order = CompareEntries(*a.entry, *b.entry, sort_mode);
        return order != 0 ? order < 0 : a.place < b.place;
    });
    for (size_t i = 0; i + 1 < count; ++i) {
        items[i].entry->next = items[i + 1].entry;
    }
    items[count - 1].entry->next = nullptr;
    head = items[0].entry;
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

void FreeEntries(FolderEntry* head) {
    while (head != nullptr) {
        FolderEntry* next = head->next;
        EntryBlock* block = head->block;
        head->~FolderEntry();
        ReleaseRecord(block);
        head = next;
    }
}
