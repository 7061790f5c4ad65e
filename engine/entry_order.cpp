#include "engine/entry_order.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/ascii.h"
#include "engine/list_job.h"

int32_t FindExtOffset(std::string_view name) {
    const size_t dot = name.rfind('.');
    return static_cast<int32_t>(dot == std::string_view::npos ? name.size() : dot + 1);
}

// Both names live in the record's own allocation, the wide one first for its alignment.
FolderEntry* NewEntry(std::string_view name, bool is_folder, uint64_t size, uint64_t last_write,
                      std::wstring_view real_name) {
    static_assert(sizeof(FolderEntry) % alignof(wchar_t) == 0);
    void* block =
        std::malloc(sizeof(FolderEntry) + real_name.size() * sizeof(wchar_t) + name.size() + 1);
    if (block == nullptr) {
        return nullptr;
    }
    FolderEntry* entry = new (block) FolderEntry{};
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

// True when a must stand after b: a file after a folder, folders by name, files by the key.
static bool ComesAfter(const FolderEntry& a, const FolderEntry& b, int32_t sort_mode) {
    if (a.is_folder != b.is_folder) {
        return !a.is_folder;
    }
    if (a.is_folder) {
        return CompareNoCase(a.Name(), b.Name()) > 0;
    }
    switch (sort_mode) {
    case ByName:
        return CompareNoCase(a.Name(), b.Name()) > 0;
    case ByExtension: {
        const int by_extension = CompareNoCase(a.Extension(), b.Extension());
        return by_extension > 0 || (by_extension == 0 && CompareNoCase(a.Name(), b.Name()) > 0);
    }
    case BySize:
        return a.size > b.size;
    case ByDate:
        return a.last_write > b.last_write;
    default:
        return false;
    }
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

// A merge sort on the list itself: n log n comparisons, no extra memory, and a recursion as
// deep as log n, so a folder of a million files sorts as readily as one of ten.
FolderEntry* SortEntries(FolderEntry* head, int32_t sort_mode) {
    size_t count = 0;
    for (const FolderEntry* entry = head; entry != nullptr; entry = entry->next) {
        ++count;
    }
    return count == 0 ? nullptr : SortRun(head, count, sort_mode);
}

void FreeEntries(FolderEntry* head) {
    while (head != nullptr) {
        FolderEntry* next = head->next;
        head->~FolderEntry();
        std::free(head);
        head = next;
    }
}
