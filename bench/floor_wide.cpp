// The least work a listing of a tree can do on Windows through the wide functions: enumerate
// each folder once by its absolute \\?\ path (no current folder to change), with the basic
// information and large fetches, convert each name to the ANSI code page and write one line
// per entry through a 64 KiB buffer; nothing sorted or formatted. The listing program's times
// and memory are measured against it.
//
// Usage: floor_wide.exe START_FOLDER OUTPUT_FILE (START_FOLDER an absolute path)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

HANDLE Output = INVALID_HANDLE_VALUE;
char Buffer[64 * 1024];
DWORD Used = 0;
bool WriteFailed = false;

// Room for the longest name (MAX_PATH UTF-16 units, two bytes each at most in a double-byte
// code page) and its line end, so that a name is converted straight into the buffer.
constexpr DWORD kLineRoom = MAX_PATH * 2 + 2;

void Flush() {
    DWORD written = 0;
    if (Used != 0 && (!WriteFile(Output, Buffer, Used, &written, nullptr) || written != Used)) {
        WriteFailed = true;
    }
    Used = 0;
}

void WriteLine(const wchar_t* name) {
    if (sizeof Buffer - Used < kLineRoom) {
        Flush();
    }
    const int length = WideCharToMultiByte(CP_ACP, 0, name, static_cast<int>(std::wcslen(name)),
                                           Buffer + Used, kLineRoom - 2, nullptr, nullptr);
    Used += static_cast<DWORD>(length);
    Buffer[Used++] = '\r';
    Buffer[Used++] = '\n';
}

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Lists the folder whose \\?\ path ends with a backslash, then its sub-folders depth first.
// The path grows in place and is given back as it came.
void Walk(std::wstring& path) {
    const size_t length = path.size();
    path += L'*';
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    path.resize(length);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<std::wstring> subfolders;
    do {
        if (IsDotEntry(found.cFileName)) {
            continue;
        }
        WriteLine(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            subfolders.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    for (const std::wstring& name : subfolders) {
        path += name;
        path += L'\\';
        Walk(path);
        path.resize(length);
    }
}

// The start folder as a \\?\ path ending with a backslash: made whole first, since such a path
// takes no relative parts or forward slashes.
bool LongPath(const wchar_t* folder, std::wstring& path) {
    const DWORD size = GetFullPathNameW(folder, 0, nullptr, nullptr);
    if (size == 0) {
        return false;
    }
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(folder, size, &full[0], nullptr);
    if (length == 0 || length >= size) {
        return false;
    }
    full.resize(length);
    if (full.compare(0, 4, L"\\\\?\\") == 0) {
        path = full;
    } else if (full.compare(0, 2, L"\\\\") == 0) {
        path = L"\\\\?\\UNC\\" + full.substr(2);
    } else {
        path = L"\\\\?\\" + full;
    }
    if (path.back() != L'\\') {
        path += L'\\';
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: floor_wide START_FOLDER OUTPUT_FILE\n");
        return 2;
    }
    std::wstring path;
    if (!LongPath(argv[1], path)) {
        std::fprintf(stderr, "floor_wide: %ls is no folder path\n", argv[1]);
        return 1;
    }
    Output = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (Output == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "floor_wide: cannot create %ls\n", argv[2]);
        return 1;
    }
    Walk(path);
    Flush();
    return CloseHandle(Output) && !WriteFailed ? 0 : 1;
}
