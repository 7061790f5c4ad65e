#include "tests/wine/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

std::string TempRoot() {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    std::string root(temp, length);
    root += "scrivtree-tests";
    CreateDirectoryA(root.c_str(), nullptr);
    root += "\\" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
    return root;
}

// Removes a folder and all it holds, long paths included: hence the wide calls, on a path that
// begins with the long-path prefix. A link to a folder is removed itself, never followed.
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            const DWORD attributes = found.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(child);
            } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryW(child.c_str());
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

} // namespace

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') {
        return folder + name;
    }
    return folder + "\\" + name;
}

std::string MakeTestFolder(const std::string& name) {
    static const std::string root = TempRoot();
    const std::string path = Join(root, name);
    // A listing run leaves the current directory in the tree it listed, which would keep the
    // tree from being removed.
    SetCurrentDirectoryA(root.c_str());
    RemoveTree(L"\\\\?\\" + std::wstring(path.begin(), path.end()));
    MakeFolder(path);
    return path;
}

void MakeFolder(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
}

void WriteTextFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == content.size()) << path;
}

void MakeSizedFile(const std::string& path, uint64_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const BOOL ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(ok) << path;
}

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    std::string content;
    char block[65536];
    DWORD count = 0;
    while (ReadFile(file, block, sizeof block, &count, nullptr) && count > 0) {
        content.append(block, count);
    }
    CloseHandle(file);
    return content;
}

// The Unix path Wine maps a Windows path to; empty outside Wine.
static std::string UnixPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (to_unix == nullptr) {
        return {};
    }
    const std::wstring wide(path.begin(), path.end());
    char* unix_path = to_unix(wide.c_str());
    if (unix_path == nullptr) {
        return {};
    }
    std::string result = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    return result;
}

// Wine runs Unix programs too: ln makes the link that Windows' own calls would make as a
// reparse point of Wine's own kind.
bool MakeFolderLink(const std::string& link, const std::string& target) {
    const std::string unix_target = UnixPath(target);
    const std::string unix_folder = UnixPath(link.substr(0, link.rfind('\\')));
    if (unix_target.empty() || unix_folder.empty()) {
        return false;
    }
    // The tests' paths hold no blanks, so they go unquoted.
    std::string command = "Z:\\bin\\ln -s " + unix_target + " " + unix_folder + "/" +
                          link.substr(link.rfind('\\') + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // A Unix program gives no handle to wait on; the link shows when ln is done.
    for (int i = 0; i < 100 && !FileExists(link); ++i) {
        Sleep(20);
    }
    return FileExists(link);
}

std::string MakeFolderOfFiles(const std::string& name, int count) {
    const std::string folder = MakeTestFolder(name);
    for (int i = 0; i < count; ++i) {
        WriteTextFile(Join(folder, "file" + std::to_string(i) + ".txt"), "");
    }
    return folder;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetLocalLastWrite(const std::string& path, int year, int month, int day, int hour, int minute,
                       int second) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    FILETIME local_time;
    FILETIME utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &local_time));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local_time, &utc));
    HANDLE file =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    const BOOL ok = SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
    ASSERT_TRUE(ok) << path;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

MessageBoxWatcher::MessageBoxWatcher() : thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxWatcher::Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

// The box's text is read with the wide call, which crosses process boundaries reliably under
// Wine, and turned back into the ANSI code page the program wrote it in.
void MessageBoxWatcher::Watch() {
    while (!stop_) {
        HWND box = FindWindowA("#32770", "Scrivtree 1.4");
        if (box == nullptr) {
            Sleep(20);
            continue;
        }
        wchar_t wide[1024] = L"";
        HWND text = GetDlgItem(box, 0xFFFF);
        if (text != nullptr) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(text, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide),
                                SMTO_ABORTIFHUNG, 2000, &ignored);
        }
        char narrow[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            messages_.push_back(narrow);
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        while (!stop_ && IsWindow(box)) {
            Sleep(20);
        }
    }
}

std::string ScrivtreePath() {
    const char* unix_path = std::getenv("SCRIVTREE_EXE");
    if (unix_path == nullptr) {
        return "Scrivtree.exe";
    }
    std::string path = std::string("Z:") + unix_path;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

DWORD RunScrivtree(const std::string& arguments, const std::string& working_folder) {
    std::string command = "\"" + ScrivtreePath() + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        working_folder.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << command;
        return ~0u;
    }
    std::unique_ptr<void, HandleCloser> process_handle(process.hProcess);
    std::unique_ptr<void, HandleCloser> thread_handle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        ADD_FAILURE() << "program did not end: " << command;
        return ~0u;
    }
    DWORD exit_code = 0;
    GetExitCodeProcess(process.hProcess, &exit_code);
    return exit_code;
}
