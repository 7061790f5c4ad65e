// The dialog's folder list on one big folder: how long FillFolderList takes to show it, against
// one wide enumeration of the same folder, the least that showing it can cost. The list is an
// owner-drawn list box like the dialog's, in a window of its own, so it needs a display.
//
// Usage: navigator_bench.exe FOLDER [ROUNDS]
//
// A warm-up round, then ROUNDS timed ones (default 7); each times the enumeration, then the
// fill after the list has shown FOLDER's parent, as when the user opens FOLDER. Prints one JSON
// line. Exit code 0 when the list held every sub-folder in order, 1 when not, 2 on a setup
// failure.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/ascii.h"
#include "platform/folder_search.h"
#include "platform/wide_text.h"
#include "ui/current_folder.h"
#include "ui/folder_navigator.h"
#include "ui/folder_path.h"

namespace {

bool IsListedSubfolder(const WIN32_FIND_DATAW& found) {
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && found.cFileName[0] != L'.';
}

// Reads every entry of the folder the fastest way there is, by its exact path with large
// fetches, handing each sub-folder the list shows (names that begin with a dot are not shown)
// to take.
template <typename Take> void ReadSubfolders(const std::string& folder, Take take) {
    WIN32_FIND_DATAW found;
    const FindHandle find = FindFirstEntry(EveryEntry(ExactPath(Widen(folder))).c_str(), found);
    if (!find) {
        return;
    }
    do {
        if (IsListedSubfolder(found)) {
            take(found.cFileName);
        }
    } while (FindNextFileW(find.get(), &found));
}

// The yardstick: one enumeration of the folder, counting the sub-folders the list shows.
size_t CountSubfolders(const std::string& folder) {
    size_t count = 0;
    ReadSubfolders(folder, [&count](const wchar_t*) { ++count; });
    return count;
}

// The sub-folders in the list's order, made apart from the code measured: by bytes with ASCII
// letters folded, equal names in the file system's order.
std::vector<std::string> ExpectedSubfolders(const std::string& folder) {
    std::vector<std::string> names;
    ReadSubfolders(folder, [&names](const wchar_t* name) { names.push_back(Utf8FromWide(name)); });
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareNoCase(a, b) < 0;
    });
    return names;
}

// What is wrong with the list as it shows folder; empty when nothing is.
std::string CheckList(HWND list, const std::string& folder) {
    const std::vector<PathComponent> components = SplitFolderPath(folder);
    const std::vector<std::string> names = ExpectedSubfolders(folder);
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (count != static_cast<int>(components.size() + names.size())) {
        return std::to_string(count) + " items for " + std::to_string(components.size()) +
               " components and " + std::to_string(names.size()) + " sub-folders";
    }
    for (int item = 0; item < count; ++item) {
        const size_t index = static_cast<size_t>(item);
        const bool component = index < components.size();
        const std::string expected_text =
            component ? folder.substr(components[index].offset, components[index].length)
                      : names[index - components.size()];
        const size_t level = component ? index : components.size();
        const LRESULT expected_data =
            MAKELONG(component ? components[index].offset : SubfolderMark, level * kIndentPerLevel);
        const LRESULT data = SendMessageA(list, LB_GETITEMDATA, item, 0);
        const std::string text = FolderItemText(list, item);
        if (text != expected_text || data != expected_data) {
            char line[600];
            snprintf(line, sizeof line, "item %d is \"%s\" (0x%08lX), not \"%s\" (0x%08lX)", item,
                     text.c_str(), static_cast<unsigned long>(data), expected_text.c_str(),
                     static_cast<unsigned long>(expected_data));
            return line;
        }
    }
    return {};
}

// Lets the list paint whatever is pending, so that it is not counted in the next fill.
void ProcessPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DRAWITEM) {
        const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        DrawFolderItem(item, item.hwndItem);
        return TRUE;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// A shown window holding a list box with the dialog's styles, wide as the dialog's is; nullptr
// when none can be made.
HWND CreateFolderList() {
    WNDCLASSW host_class = {};
    host_class.lpfnWndProc = HostProc;
    host_class.hInstance = GetModuleHandleW(nullptr);
    host_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    host_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    host_class.lpszClassName = L"NavigatorBenchHost";
    if (RegisterClassW(&host_class) == 0) {
        return nullptr;
    }
    HWND host = CreateWindowExW(0, host_class.lpszClassName, L"Folder list", WS_OVERLAPPEDWINDOW, 0,
                                0, 360, 480, nullptr, nullptr, host_class.hInstance, nullptr);
    if (host == nullptr) {
        return nullptr;
    }
    HWND list = CreateWindowExW(
        0, L"ListBox", L"",
        WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
            LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
        8, 8, 320, 420, host, reinterpret_cast<HMENU>(1000), host_class.hInstance, nullptr);
    if (list == nullptr) {
        return nullptr;
    }
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    ShowWindow(host, SW_SHOWNOACTIVATE);
    UpdateWindow(host);
    ProcessPendingMessages();
    return list;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && atoi(argv[2]) < 1)) {
        fprintf(stderr, "usage: navigator_bench FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc == 3 ? atoi(argv[2]) : 7;
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(argv[1], sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        fprintf(stderr, "navigator_bench: bad folder %s\n", argv[1]);
        return 2;
    }
    std::string folder = full;
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    const std::vector<PathComponent> components = SplitFolderPath(folder);
    if (components.size() < 2) {
        fprintf(stderr, "navigator_bench: %s has no parent folder\n", folder.c_str());
        return 2;
    }
    const std::string parent = ComponentPath(folder, components[components.size() - 2].offset);
    HWND list = CreateFolderList();
    if (list == nullptr) {
        fprintf(stderr,
                "navigator_bench: no window for the list (error %lu); is there a display?\n",
                GetLastError());
        return 2;
    }

    std::vector<double> enumerate_seconds;
    std::vector<double> fill_seconds;
    std::vector<double> paint_seconds;
    size_t subfolders = 0;
    for (int round = 0; round <= rounds; ++round) {
        const double enumerate_began = Seconds();
        subfolders = CountSubfolders(folder);
        const double enumerated = Seconds();

        CurrentFolder = parent;
        FillFolderList(list);
        ProcessPendingMessages();
        CurrentFolder = folder;
        const double fill_began = Seconds();
        FillFolderList(list);
        const double filled = Seconds();
        UpdateWindow(list);
        const double painted = Seconds();
        if (round > 0) {
            enumerate_seconds.push_back(enumerated - enumerate_began);
            fill_seconds.push_back(filled - fill_began);
            paint_seconds.push_back(painted - filled);
        }
    }

    const std::string problem = CheckList(list, folder);
    printf("{\"folder\": %s, \"subfolders\": %lu, \"items\": %ld, \"rounds\": %d, "
           "\"enumerate_seconds\": %s, \"fill_seconds\": %s, \"paint_seconds\": %s, "
           "\"list_ok\": %s, \"problem\": %s}\n",
           JsonString(folder).c_str(), static_cast<unsigned long>(subfolders),
           static_cast<long>(SendMessageA(list, LB_GETCOUNT, 0, 0)), rounds,
           JsonList(enumerate_seconds).c_str(), JsonList(fill_seconds).c_str(),
           JsonList(paint_seconds).c_str(), problem.empty() ? "true" : "false",
           JsonString(problem).c_str());
    fflush(stdout);
    DestroyWindow(GetParent(list));
    return problem.empty() ? 0 : 1;
}
