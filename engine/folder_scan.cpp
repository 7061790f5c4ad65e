#include "engine/folder_scan.h"

#include <windows.h>

#include "engine/run_state.h"
#include "platform/utf8.h"
#include "platform/folder_search.h"
#include "platform/wide_text.h"

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

// The name as the listing writes it: UTF-8, or the code page's conversion, which is what the
// ANSI functions would have given.
std::string_view WrittenName(const wchar_t* name, char (&buffer)[MAX_PATH * kMaxUtf8PerUtf16Unit]) {
    // Most names are ASCII, which every code page and UTF-8 write as it is.
    size_t length = 0;
    while (name[length] != L'\0' && name[length] < 0x80) {
        buffer[length] = static_cast<char>(name[length]);
        ++length;
    }
    if (name[length] == L'\0') {
        return {buffer, length};
    }
    length += wcslen(name + length);
    return {buffer, EncodeForListing(name, length, ActiveJob->utf8_output != 0, buffer)};
}

} // namespace

// One enumeration gathers both groups; sub-folders and files are kept apart and joined at the
// end, which gives the same list as reading the folder twice.
FolderEntry* ScanFolder(const std::wstring& path, bool& out_of_memory) {
    out_of_memory = false;
    if (!ActiveJob->include_subfolders && !ActiveJob->include_files) {
        return nullptr;
    }
    WIN32_FIND_DATAW found;
    const FindHandle find = FindFirstEntry(EveryEntry(path).c_str(), found);
    if (!find) {
        return nullptr;
    }
    EntryChain folders;
    EntryChain files;
    char name[MAX_PATH * kMaxUtf8PerUtf16Unit];
    do {
        if (StopRequested()) {
            break;
        }
        const bool is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Sub-folders whose names begin with '.' are left out, and with them "." and "..".
        const bool listed = is_folder ? ActiveJob->include_subfolders && found.cFileName[0] != L'.'
                                      : ActiveJob->include_files;
        if (!listed) {
            continue;
        }
        const std::string_view written = WrittenName(found.cFileName, name);
        if (!is_folder && !MatchFilter(ActiveFilter, written)) {
            continue;
        }
        FolderEntry* entry = NewEntry(
            written, is_folder, JoinHalves(found.nFileSizeHigh, found.nFileSizeLow),
            JoinHalves(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime),
            is_folder ? std::wstring_view(found.cFileName) : std::wstring_view());
        if (entry == nullptr) {
            out_of_memory = true;
            break;
        }
        entry->is_link = is_folder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        (is_folder ? folders : files).Append(entry);
    } while (FindNextFileW(find.get(), &found));
    if (folders.head == nullptr) {
        return files.head;
    }
    folders.tail->next = files.head;
    return folders.head;
}
