// The entries of one folder: a singly linked list of records, each sized to its name, and the
// order in which a folder's section lists them (sub-folders by name, then files by the sort key).
#pragma once

#include <cstdint>
#include <string_view>

struct FolderEntry {
    FolderEntry* next;
    uint8_t is_folder;
    // A folder that is a link (junction or symbolic link) to another place: listed, not entered.
    uint8_t is_link;
    // Files: index just after the last '.' of the name, or the name's length when it has none.
    // Folders: 0.
    int32_t ext_offset;
    // The whole size in bytes; files of 4 GiB and more keep every bit.
    uint64_t size;
    // Last-write time as the file system gives it: UTC, 100-nanosecond units since 1601.
    uint64_t last_write;
    int32_t name_length;
    // The name as the file system gives it, stored in the same allocation right after the
    // record, NUL-terminated. Folders are shown upper-cased, but entered by this name: on a file
    // system that tells case apart, the upper-cased name would have to be searched for, or name
    // another folder.
    char* name;

    std::string_view Name() const { return {name, static_cast<size_t>(name_length)}; }
    std::string_view Extension() const { return Name().substr(static_cast<size_t>(ext_offset)); }
};

// Index just after the last '.' of name, or the length of name when it holds none.
int32_t FindExtOffset(std::string_view name);

// A new record for one item, not yet linked; nullptr when memory runs out. The caller owns it
// until it is part of a list given to FreeEntries.
FolderEntry* NewEntry(std::string_view name, bool is_folder, uint64_t size, uint64_t last_write);

// Orders the list: folders first by name, then files by sort_mode (ByName, ByExtension, BySize,
// ByDate; any other value keeps their order). Equal keys keep their order. Returns the new head.
FolderEntry* SortEntries(FolderEntry* head, int32_t sort_mode);

// Releases every record of the list.
void FreeEntries(FolderEntry* head);
