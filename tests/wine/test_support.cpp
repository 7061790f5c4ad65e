#include "tests/wine/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "res/resource.h"
#include "tests/wine/foreign_window_text.h"

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

// The Unix path Wine maps a Windows path to; empty outside Wine.
std::string UnixPath(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (to_unix == nullptr) {
        return {};
    }
    char* unix_path = to_unix(path.c_str());
    if (unix_path == nullptr) {
        return {};
    }
    std::string result = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    return result;
}

// Runs a Unix program through Wine and waits, up to 30 seconds, until done() holds: a Unix
// program gives no handle to wait on.
template <typename Done> bool RunUnixProgram(std::string command, Done done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 1500 && !done(); ++i) {
        Sleep(20);
    }
    return done();
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
                // A link that a test made is a Unix one, which Wine does not remove; left
                // behind, it would keep its folder, and the next test of that name would fail.
                if (!RemoveDirectoryW(child.c_str())) {
                    RunUnixProgram("Z:\\bin\\rm -f " + UnixPath(child), [&child] {
                        return GetFileAttributesW(child.c_str()) == INVALID_FILE_ATTRIBUTES;
                    });
                }
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

namespace {

// The test program's own folder of test folders, removed when every test has passed; after a
// failure it stays, to be looked into.
class TestFolders : public testing::Environment {
  public:
    const std::string& Root() {
        if (root_.empty()) {
            root_ = TempRoot();
        }
        return root_;
    }
    void TearDown() override {
        if (!root_.empty() && testing::UnitTest::GetInstance()->failed_test_count() == 0) {
            // Not from inside: a listing run may have left the current directory there.
            SetCurrentDirectoryA((root_ + "\\..").c_str());
            RemoveTree(L"\\\\?\\" + FromAnsi(root_));
        }
    }

  private:
    std::string root_;
};

TestFolders* const TheTestFolders =
    static_cast<TestFolders*>(testing::AddGlobalTestEnvironment(new TestFolders));

} // namespace

std::string MakeTestFolder(const std::string& name) {
    const std::string& root = TheTestFolders->Root();
    const std::string path = Join(root, name);
    // A listing run leaves the current directory in the tree it listed, which would keep the
    // tree from being removed.
    SetCurrentDirectoryA(root.c_str());
    RemoveTree(L"\\\\?\\" + std::wstring(path.begin(), path.end()));
    MakeFolder(path);
    return path;
}

void MakeFolder(const std::string& path) {
    MakeFolder(FromAnsi(path));
}

void MakeFolder(const std::wstring& path) {
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << path;
}

void WriteTextFile(const std::string& path, const std::string& content) {
    WriteTextFile(FromAnsi(path), content);
}

void WriteTextFile(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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

std::optional<std::string> ReadFileIfPresent(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
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

std::string ReadWholeFile(const std::string& path) {
    std::optional<std::string> content = ReadFileIfPresent(path);
    if (!content) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    return *content;
}

// Wine runs Unix programs too: ln makes the link that Windows' own calls would make as a
// reparse point of Wine's own kind.
bool MakeFolderLink(const std::string& link, const std::string& target) {
    const std::string unix_target = UnixPath(FromAnsi(target));
    const std::string unix_folder = UnixPath(FromAnsi(link.substr(0, link.rfind('\\'))));
    if (unix_target.empty() || unix_folder.empty()) {
        return false;
    }
    // The tests' paths hold no blanks, so they go unquoted.
    return RunUnixProgram("Z:\\bin\\ln -s " + unix_target + " " + unix_folder + "/" +
                              link.substr(link.rfind('\\') + 1),
                          [&link] { return FileExists(link); });
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
    SetLocalLastWrite(FromAnsi(path), year, month, day, hour, minute, second);
}

void SetLocalLastWrite(const std::wstring& path, int year, int month, int day, int hour, int minute,
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
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
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

static std::string Narrow(const std::wstring& text, UINT code_page) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::string narrow(
        WideCharToMultiByte(code_page, 0, text.data(), size, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(code_page, 0, text.data(), size, narrow.data(),
                        static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

std::string ToAnsi(const std::wstring& text) {
    return Narrow(text, CP_ACP);
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string ToUtf8(const std::wstring& text) {
    return Narrow(text, CP_UTF8);
}

std::wstring LongPath(const std::string& path) {
    return L"\\\\?\\" + FromAnsi(path);
}

std::string ReadWindowText(HWND window) {
    return ToAnsi(ForeignWindowText(window));
}

std::string ReadShownText(HWND window) {
    const std::wstring text = SettledWindowText(window);
    if (text.empty()) {
        ADD_FAILURE() << "a window that was shown had no text within 30 s";
        return "(no text within 30 s)";
    }
    return ToAnsi(text);
}

bool operator==(const ShownMessage& a, const ShownMessage& b) {
    return a.text == b.text && a.buttons == b.buttons && a.icon == b.icon;
}

std::ostream& operator<<(std::ostream& out, const ShownMessage& message) {
    static const char* const icons[] = {"no icon", "error", "warning", "information", "question"};
    out << "\"" << message.text << "\" (" << icons[static_cast<int>(message.icon)] << "; buttons";
    for (int id : message.buttons) {
        out << " " << id;
    }
    return out << ")";
}

namespace {

// The test programs are console programs, linked without the drawing library; the few drawing
// calls that read an icon off the screen are looked up in gdi32, which user32 has loaded.
template <typename Function> Function GdiFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), name)));
}
#define GDI(name) GdiFunction<decltype(&name)>(#name)

// The 32-bit pixels of a width x height picture: the screen's at (x, y) when icon is null,
// otherwise the icon drawn at its own size on the background pixel.
std::vector<DWORD> Pixels(int width, int height, int x, int y, HICON icon, DWORD background) {
    HDC screen = GetDC(nullptr);
    HDC memory = GDI(CreateCompatibleDC)(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = GDI(CreateDIBSection)(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<DWORD> pixels;
    if (bitmap != nullptr) {
        HGDIOBJ previous = GDI(SelectObject)(memory, bitmap);
        DWORD* first = static_cast<DWORD*>(bits);
        if (icon == nullptr) {
            GDI(BitBlt)(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
        } else {
            std::fill(first, first + width * height, background);
            DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        }
        GDI(GdiFlush)();
        pixels.assign(first, first + width * height);
        GDI(SelectObject)(memory, previous);
        GDI(DeleteObject)(bitmap);
    }
    GDI(DeleteDC)(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Which standard icon the box's icon control shows on the screen: each one is drawn on the
// background of the control's corner and compared. The box may not be painted at first, hence
// the tries, for up to 10 s.
BoxIcon IconOf(HWND box) {
    HWND control = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr && control == nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char class_name[16] = "";
        GetClassNameA(child, class_name, sizeof class_name);
        if (lstrcmpiA(class_name, "Static") == 0 &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            control = child;
        }
    }
    if (control == nullptr) {
        return BoxIcon::None;
    }
    const std::pair<BoxIcon, LPCSTR> icons[] = {{BoxIcon::Error, IDI_ERROR},
                                                {BoxIcon::Warning, IDI_WARNING},
                                                {BoxIcon::Information, IDI_INFORMATION},
                                                {BoxIcon::Question, IDI_QUESTION}};
    RECT rect;
    GetWindowRect(control, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    for (int attempt = 0; attempt < 500 && width > 0 && height > 0; ++attempt) {
        const std::vector<DWORD> shown = Pixels(width, height, rect.left, rect.top, nullptr, 0);
        for (const auto& [kind, id] : icons) {
            if (!shown.empty() &&
                Pixels(width, height, 0, 0, LoadIconA(nullptr, id), shown[0]) == shown) {
                return kind;
            }
        }
        Sleep(20);
    }
    return BoxIcon::None;
}

std::vector<int> ButtonsOf(HWND box) {
    std::vector<int> ids;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char class_name[16] = "";
        GetClassNameA(child, class_name, sizeof class_name);
        if (lstrcmpiA(class_name, "Button") == 0 && IsWindowVisible(child)) {
            ids.push_back(GetDlgCtrlID(child));
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// A shown message box of the program: a top-level dialog titled like the program, without the
// folder list that marks the main dialog. Its text may not be readable yet.
HWND FindMessageBox() {
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", SCRIVTREE_PROGRAM_TITLE);
         window != nullptr;
         window = FindWindowExA(nullptr, window, "#32770", SCRIVTREE_PROGRAM_TITLE)) {
        if (IsWindowVisible(window) && GetDlgItem(window, IDC_FOLDER_LIST) == nullptr) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

std::vector<DWORD> ScreenPixels(const RECT& area) {
    return Pixels(area.right - area.left, area.bottom - area.top, area.left, area.top, nullptr, 0);
}

MessageBoxWatcher::MessageBoxWatcher(std::vector<int> answers)
    : answers_(std::move(answers)), thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxWatcher::Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> texts;
    for (const ShownMessage& shown : shown_) {
        texts.push_back(shown.text);
    }
    return texts;
}

std::vector<ShownMessage> MessageBoxWatcher::Shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
}

void MessageBoxWatcher::Watch() {
    while (!stop_) {
        HWND box = FindMessageBox();
        if (box == nullptr) {
            Sleep(20);
            continue;
        }
        ShownMessage shown{ReadShownText(GetDlgItem(box, 0xFFFF)), ButtonsOf(box), IconOf(box)};
        int answer = IDOK;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (shown_.size() < answers_.size()) {
                answer = answers_[shown_.size()];
            }
            shown_.push_back(std::move(shown));
        }
        PostMessageA(box, WM_COMMAND, answer, 0);
        while (!stop_ && IsWindow(box)) {
            Sleep(20);
        }
    }
}

std::optional<std::string> BuiltFilePath(const char* variable) {
    const char* unix_path = std::getenv(variable);
    if (unix_path == nullptr) {
        return std::nullopt;
    }
    std::string path = std::string("Z:") + unix_path;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string ScrivtreePath() {
    return BuiltFilePath("SCRIVTREE_EXE").value_or("Scrivtree.exe");
}

std::string Summary(int files, int folders, const std::string& output) {
    return std::to_string(files) + " file(s) of " + std::to_string(folders) +
           " folder(s) are successfully\nwritten to \"" + output + "\"";
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
