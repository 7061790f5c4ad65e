#include "ui/about_box.h"

#include <algorithm>

#include "engine/program_resources.h"
#include "platform/shell_library.h"
#include "platform/window_text.h"
#include "res/resource.h"

namespace {

constexpr COLORREF kLinkColor = RGB(0, 0, 255);

bool IsAboutLink(int id) {
    return std::find(AboutLinkIds.begin(), AboutLinkIds.end(), id) != AboutLinkIds.end();
}

INT_PTR OnInitDialog(HWND dialog) {
    const HCURSOR hand = LoadCursorW(ModuleInstance, MAKEINTRESOURCEW(IDC_LINK_HAND));
    for (const int id : AboutLinkIds) {
        SetClassLongPtrW(GetDlgItem(dialog, id), GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(hand));
    }
    // The platform puts the focus on OK.
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, int id, int code, HWND control) {
    // Only a single click opens a link: a double-click opens it once, not twice.
    if (code == STN_CLICKED && control != nullptr) {
        OpenAboutLink(dialog, id);
    }
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(dialog, 0);
    }
    return TRUE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
    case WM_CTLCOLORSTATIC:
        ColorAboutLabel(dialog, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    default:
        return FALSE;
    }
}

} // namespace

void ShowAboutBox(HWND owner) {
    DialogBoxParamW(ModuleInstance, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDialogProc, 0);
}

void ColorAboutLabel(HWND dialog, HDC device, HWND control) {
    const bool link = GetParent(control) == dialog && IsAboutLink(GetDlgCtrlID(control));
    SetBkMode(device, TRANSPARENT);
    SetTextColor(device, link ? kLinkColor : GetSysColor(COLOR_BTNTEXT));
}

void OpenAboutLink(HWND dialog, int id) {
    if (!IsAboutLink(id)) {
        return;
    }
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    OpenWithShell(dialog, DialogItemText(dialog, id));
}
