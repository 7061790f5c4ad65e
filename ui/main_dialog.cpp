#include "ui/main_dialog.h"

#include "engine/program_resources.h"
#include "res/resource.h"
#include "ui/drive_list.h"
#include "ui/folder_navigator.h"
#include "ui/settings_store.h"

namespace {

INT_PTR OnInitDialog(HWND dialog) {
    SetClassLongPtrA(
        dialog, GCLP_HICON,
        reinterpret_cast<LONG_PTR>(LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_SCRIVTREE))));
    SetWindowTextA(dialog, kProgramTitle);
    LoadSettings(dialog);
    // The focus goes to the first tab stop, the drive list.
    return TRUE;
}

INT_PTR OnClose(HWND dialog) {
    SaveSettings(dialog);
    EndDialog(dialog, 0);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, int id, int code) {
    HWND folder_list = GetDlgItem(dialog, IDC_FOLDER_LIST);
    switch (id) {
    case IDOK:
        // Enter in the folder list opens the selected folder.
        if (GetFocus() == folder_list) {
            OpenFolderItem(folder_list);
        }
        return TRUE;
    case IDC_FOLDER_LIST:
        if (code == LBN_DBLCLK) {
            OpenFolderItem(folder_list);
        }
        return TRUE;
    case IDC_DRIVE_LIST:
        if (code == CBN_SELCHANGE) {
            ChangeDrive(GetDlgItem(dialog, IDC_DRIVE_LIST));
            FillFolderList(folder_list);
        }
        return TRUE;
    case IDC_EXIT:
        return OnClose(dialog);
    default:
        // Escape (IDCANCEL) among them: it does not close the dialog.
        return FALSE;
    }
}

INT_PTR OnDrawItem(HWND dialog, const DRAWITEMSTRUCT& item) {
    if (item.CtlID == IDC_FOLDER_LIST) {
        DrawFolderItem(item, GetDlgItem(dialog, IDC_FOLDER_LIST));
    }
    return TRUE;
}

} // namespace

void ShowMainDialog() {
    DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wparam), HIWORD(wparam));
    case WM_DRAWITEM:
        return OnDrawItem(dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_CLOSE:
        return OnClose(dialog);
    default:
        return FALSE;
    }
}
