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

FolderEntry* NewEntry(std::string_view name, bool is_folder, uint64_t size, uint64_t last_write) {
    void* block = std::malloc(sizeof(FolderEntry) + name.size() + 1);
    if (block == nullptr) {
        return nullptr;
    }
    FolderEntry* entry = new (block) FolderEntry{};
    entry->name = reinterpret_cast<char*>(entry + 1);
    for (size_t i = 0; i < name.size(); ++i) {
        entry->name[i] = is_folder ? UpperAscii(name[i]) : name[i];
    }
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

// A bottom-up merge sort on the list itself: n log n comparisons, no recursion and no extra
// memory, so a folder of a million files sorts as readily as one of ten.
FolderEntry* SortEntries(FolderEntry* head, int32_t sort_mode) {
    size_t count = 0;
    for (const FolderEntry* entry = head; entry != nullptr; entry = entry->next) {
        ++count;
    }
    for (size_t run = 1; run < count; run *= 2) {
        FolderEntry merged{};
        FolderEntry* tail = &merged;
        FolderEntry* rest = head;
        while (rest != nullptr) {
            FolderEntry* left = rest;
            FolderEntry* left_end = left;
            for (size_t i = 1; i < run && left_end->next != nullptr; ++i) {
                left_end = left_end->next;
            }
            FolderEntry* right = left_end->next;
            left_end->next = nullptr;
            FolderEntry* right_end = right;
            for (size_t i = 1; i < run && right_end != nullptr && right_end->next != nullptr; ++i) {
                right_end = right_end->next;
            }
            rest = right_end != nullptr ? right_end->next : nullptr;
            if (right_end != nullptr) {
                right_end->next = nullptr;
            }
            tail->next = Merge(left, right, sort_mode);
            while (tail->next != nullptr) {
                tail = tail->next;
            }
        }
        head = merged.next;
    }
    return head;
}

void FreeEntries(FolderEntry* head) {
    while (head != nullptr) {
        FolderEntry* next = head->next;
        head->~FolderEntry();
        std::free(head);
        head = next;
    }
}
