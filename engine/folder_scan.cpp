#include "engine/folder_scan.h"

#include <windows.h>

#include "engine/run_state.h"

namespace {

// A list under construction, appended at its end.
struct EntryChain {
    FolderEntry* head = nullptr;
    FolderEntry* tail = nullptr;

    void Append(FolderEntry* entry) {
        (tail != nullptr ? tail->next : head) = entry;
        tail = entry;
    }
};

uint64_t JoinHalves(DWORD high, DWORD low) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

// Whether the enumerated item is listed, by the job's options and the filter.
bool IsListed(const WIN32_FIND_DATAA& found, bool is_folder) {
    if (is_folder) {
        return ActiveJob->include_subfolders && found.cFileName[0] != '.';
    }
    return ActiveJob->include_files && MatchFilter(ActiveFilter, found.cFileName);
}

} // namespace

// One enumeration gathers both groups; sub-folders and files are kept apart and joined at the
// end, which gives the same list as reading the folder twice.
FolderEntry* ScanFolder(const char* path, bool& out_of_memory) {
    out_of_memory = false;
    if (!SetCurrentDirectoryA(path)) {
        return nullptr;
    }
    if (!ActiveJob->include_subfolders && !ActiveJob->include_files) {
        return nullptr;
    }
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*.*", &found);
    if (find == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    EntryChain folders;
    EntryChain files;
    do {
        const bool is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!IsListed(found, is_folder)) {
            continue;
        }
        FolderEntry* entry = NewEntry(
            found.cFileName, is_folder, JoinHalves(found.nFileSizeHigh, found.nFileSizeLow),
            JoinHalves(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime));
        if (entry == nullptr) {
            out_of_memory = true;
            break;
        }
        entry->is_link = is_folder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        (is_folder ? folders : files).Append(entry);
        ++(is_folder ? FolderCount : FileCount);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    if (folders.head == nullptr) {
        return files.head;
    }
    folders.tail->next = files.head;
    return folders.head;
}
