// Puts the running program's main dialog into a state that a picture of the documentation
// shows (scripts/screenshot.sh), through the window messages a user's clicks produce:
//
//   dialog_poser after-run OUTPUT   "&Launch Output File" off, OUTPUT in the Output File box,
//                                   "&Go!", and the summary answered
//   dialog_poser running OUTPUT     the same, but left while the run goes on, once the title
//                                   shows its first counts of files
//   dialog_poser about              the About box open over the dialog
//
// Exits with 0 once the state shows, 1 when the dialog or the window awaited did not come.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "res/resource.h"
#include "scrivtree_version.h"
#include "tests/wine/foreign_window_text.h"

namespace {

constexpr char kTitle[] = SCRIVTREE_PROGRAM_TITLE;

// A shown top-level dialog with that title: the main dialog when main is true (the one with the
// folder list), otherwise one without it (message boxes share the main dialog's title). Null
// after 30 s.
HWND WaitForDialog(const char* title, bool main) {
    for (int i = 0; i < 1500; ++i) {
        for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", title); window != nullptr;
             window = FindWindowExA(nullptr, window, "#32770", title)) {
            if (IsWindowVisible(window) &&
                (GetDlgItem(window, IDC_FOLDER_LIST) != nullptr) == main) {
                return window;
            }
        }
        Sleep(20);
    }
    return nullptr;
}

// Sets the Output File box to output, unchecks "&Launch Output File" and posts a click of
// "&Go!".
bool StartRun(HWND dialog, const char* output) {
    HWND launch = GetDlgItem(dialog, IDC_LAUNCH_OUTPUT);
    if (SendMessageW(launch, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        SendMessageW(launch, BM_CLICK, 0, 0);
    }
    // The wide message carries the text across processes intact.
    wchar_t text[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, output, -1, text, MAX_PATH) == 0) {
        return false;
    }
    SendMessageW(GetDlgItem(dialog, IDC_OUTPUT_FILE), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text));
    // Posted: the run ends only once its summary is answered.
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return true;
}

bool AfterRun(HWND dialog, const char* output) {
    if (!StartRun(dialog, output)) {
        return false;
    }
    HWND summary = WaitForDialog(kTitle, false);
    // Answered once its message shows, as a user would.
    if (summary == nullptr || SettledWindowText(GetDlgItem(summary, 0xFFFF)).empty()) {
        return false;
    }
    PostMessageW(summary, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 1500 && IsWindow(summary); ++i) {
        Sleep(20);
    }
    return !IsWindow(summary);
}

// Waits until the title of the running dialog counts some files: "Scrivtree 1.4 - 1,234 files"
// (with this build's version).
bool Running(HWND dialog, const char* output) {
    if (!StartRun(dialog, output)) {
        return false;
    }
    for (int i = 0; i < 3000; ++i) {
        constexpr std::wstring_view kCounting = L"" SCRIVTREE_PROGRAM_TITLE " - ";
        const std::wstring title = ForeignWindowText(dialog);
        if (title.rfind(kCounting, 0) == 0 && title.size() > kCounting.size() &&
            title[kCounting.size()] != L'0') {
            return true;
        }
        Sleep(10);
    }
    return false;
}

bool About(HWND dialog) {
    PostMessageW(dialog, WM_SYSCOMMAND, IDM_ABOUT, 0);
    return WaitForDialog("About Scrivtree", false) != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const bool after_run = argc == 3 && strcmp(argv[1], "after-run") == 0;
    const bool running = argc == 3 && strcmp(argv[1], "running") == 0;
    const bool about = argc == 2 && strcmp(argv[1], "about") == 0;
    if (!after_run && !running && !about) {
        std::fputs("usage: dialog_poser after-run OUTPUT | running OUTPUT | about\n", stderr);
        return 2;
    }
    HWND dialog = WaitForDialog(kTitle, true);
    if (dialog == nullptr) {
        std::fputs("dialog_poser: no main dialog\n", stderr);
        return 1;
    }
    if (about) {
        return About(dialog) ? 0 : 1;
    }
    return (running ? Running(dialog, argv[2]) : AfterRun(dialog, argv[2])) ? 0 : 1;
}
