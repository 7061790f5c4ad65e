// Puts the running program's main dialog into a state that a picture of the documentation
// shows (scripts/screenshot.sh), through the window messages a user's clicks produce:
//
//   dialog_poser after-run OUTPUT   "&Launch Output File" off, OUTPUT in the Output File box,
//                                   "&Go!", and the summary answered
//   dialog_poser about              the About box open over the dialog
//
// Exits with 0 once the state shows, 1 when the dialog or the window awaited did not come.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "res/resource.h"

namespace {

constexpr char kTitle[] = "Scrivtree 1.4";

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

bool AfterRun(HWND dialog, const char* output) {
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
    HWND summary = WaitForDialog(kTitle, false);
    if (summary == nullptr) {
        return false;
    }
    PostMessageW(summary, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 1500 && IsWindow(summary); ++i) {
        Sleep(20);
    }
    return !IsWindow(summary);
}

bool About(HWND dialog) {
    PostMessageW(dialog, WM_SYSCOMMAND, IDM_ABOUT, 0);
    return WaitForDialog("About Scrivtree", false) != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const bool after_run = argc == 3 && strcmp(argv[1], "after-run") == 0;
    const bool about = argc == 2 && strcmp(argv[1], "about") == 0;
    if (!after_run && !about) {
        std::fputs("usage: dialog_poser after-run OUTPUT | about\n", stderr);
        return 2;
    }
    HWND dialog = WaitForDialog(kTitle, true);
    if (dialog == nullptr) {
        std::fputs("dialog_poser: no main dialog\n", stderr);
        return 1;
    }
    return (after_run ? AfterRun(dialog, argv[2]) : About(dialog)) ? 0 : 1;
}
