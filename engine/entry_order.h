// The entries of one folder: a singly linked list of records, each sized to its names, and the
// order in which a folder's section lists them (sub-folders by name, then files by the sort key).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct EntryBlock;

// A record is small, and its names follow it in the same block, so that a folder of a million
// files takes little memory and a pass over its records in any order touches few cache lines.
struct FolderEntry {
    FolderEntry* next;
    // The whole size in bytes; files of 4 GiB and more keep every bit.
    uint64_t size;
    // Last-write time as the file system gives it: UTC, 100-nanosecond units since 1601.
    uint64_t last_write;
    // Bytes of the written name, and UTF-16 units of the real name.
    uint16_t name_length;
    uint16_t real_name_length;
    // Files: index just after the last '.' of the name, or the name's length when it has none.
    // Folders: 0.
    uint16_t ext_offset;
    uint8_t is_folder;
    // A folder that is a link (junction or symbolic link) to another place: listed, not entered.
    uint8_t is_link;

    // Folders: the exact name the file system has, by which the folder is entered. The written
    // name may have lost characters to the code page, and an upper-cased name would name
    // another folder, or none, where case is told apart. Empty for files.
    std::wstring_view RealName() const { return {RealText(), real_name_length}; }
    // The name as the listing writes it (in the output's encoding), followed by a NUL; sorted
    // and matched by the filter as written. Folders are shown upper-cased.
    std::string_view Name() const { return {NameText(), name_length}; }
    std::string_view Extension() const { return Name().substr(ext_offset); }

    const wchar_t* RealText() const { return reinterpret_cast<const wchar_t*>(this + 1); }
    const char* NameText() const {
        return reinterpret_cast<const char*>(RealText() + real_name_length);
    }
};

// Index just after the last '.' of name, or the length of name when it holds none.
int32_t FindExtOffset(std::string_view name);

// Where the next record will be made. Records live on a stack: those made after a mark are
// released together by ReleaseEntries, the newest marks first, as the walk finishes a folder
// before the folder that holds it.
struct EntryMark {
    EntryBlock* block;
    size_t used;
};

EntryMark MarkEntries();

// Releases every record made since the mark; no later mark may be released after it.
void ReleaseEntries(EntryMark mark);

// A new record for one item, not yet linked, holding copies of both names; nullptr when memory
// runs out or a name is longer than any a folder holds (65,535 bytes or units). It lives until
// a mark taken before it is released.
FolderEntry* NewEntry(std::string_view name, bool is_folder, uint64_t size, uint64_t last_write,
                      std::wstring_view real_name = {});

// Orders the list: folders first by name, then files by sort_mode (ByName, ByExtension, BySize,
// ByDate; any other value keeps their order). Equal keys keep their order. Returns the new head.
FolderEntry* SortEntries(FolderEntry* head, int32_t sort_mode);

// The same order by a merge sort of the list itself, which needs no memory: what SortEntries
// does when it cannot have the array it sorts by.
FolderEntry* SortEntriesInPlace(FolderEntry* head, int32_t sort_mode);
