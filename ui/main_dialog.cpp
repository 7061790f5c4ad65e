#include "ui/main_dialog.h"

#include "engine/program_resources.h"
#include "platform/wide_text.h"
#include "res/resource.h"
#include "ui/about_box.h"
#include "ui/banner.h"
#include "ui/dialog_job.h"
#include "ui/dialog_run.h"
#include "ui/drive_list.h"
#include "ui/folder_navigator.h"
#include "ui/help_engine.h"
#include "ui/settings_store.h"

namespace {

INT_PTR OnInitDialog(HWND dialog) {
    SetClassLongPtrW(
        dialog, GCLP_HICON,
        reinterpret_cast<LONG_PTR>(LoadIconW(ModuleInstance, MAKEINTRESOURCEW(IDI_SCRIVTREE))));
    SetWindowTextW(dialog, Widen(kProgramTitle).c_str());
    HMENU system_menu = GetSystemMenu(dialog, FALSE);
    AppendMenuW(system_menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(system_menu, MF_STRING, IDM_ABOUT, Widen(ProgramString(IDS_ABOUT_MENU)).c_str());
    LoadSettings(dialog);
    AddBanner(dialog);
    // The focus goes to the first tab stop, the drive list.
    return TRUE;
}

INT_PTR OnClose(HWND dialog) {
    // A run in progress is stopped first; its end closes the dialog.
    if (DialogRunning()) {
        StopDialogRun(true);
        return TRUE;
    }
    SaveSettings(dialog);
    EndDialog(dialog, 0);
    return TRUE;
}

// During a run only "&Stop" (Go's button, and Enter), Escape and "E&xit" count; the other
// controls are disabled.
INT_PTR OnCommandDuringRun(HWND dialog, int id) {
    switch (id) {
    case IDOK:
    case IDCANCEL:
        StopDialogRun(false);
        return TRUE;
    case IDC_EXIT:
        return OnClose(dialog);
    default:
        return TRUE;
    }
}

INT_PTR OnCommand(HWND dialog, int id, int code, HWND control) {
    if (DialogRunning()) {
        return OnCommandDuringRun(dialog, id);
    }
    if (code == STN_CLICKED && control != nullptr && control == BannerWindow) {
        OpenBannerPage(dialog);
    }
    HWND folder_list = GetDlgItem(dialog, IDC_FOLDER_LIST);
    switch (id) {
    case IDOK:
        // Enter in the folder list opens the selected folder; anywhere else it runs.
        if (GetFocus() == folder_list) {
            OpenFolderItem(folder_list);
        } else {
            RunDialogJob(dialog);
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
    case IDC_BROWSE:
        ChooseOutputFile(dialog);
        return TRUE;
    case IDC_EXIT:
        return OnClose(dialog);
    case IDC_HELP_BUTTON:
        ShowHelp(dialog);
        return TRUE;
    default:
        // Escape (IDCANCEL) among them: it does not close the dialog.
        return FALSE;
    }
}

INT_PTR OnSysCommand(HWND dialog, WPARAM command) {
    if ((command & 0xFFF0) != IDM_ABOUT || DialogRunning()) {
        // The close box's SC_CLOSE comes back as WM_CLOSE.
        return FALSE;
    }
    ShowAboutBox(dialog);
    return TRUE;
}

INT_PTR OnMeasureItem(HWND dialog, MEASUREITEMSTRUCT& item) {
    if (item.CtlID != IDC_FOLDER_LIST) {
        return FALSE;
    }
    MeasureFolderItem(item, dialog);
    return TRUE;
}

INT_PTR OnDrawItem(HWND dialog, const DRAWITEMSTRUCT& item) {
    if (item.CtlID == IDC_FOLDER_LIST) {
        DrawFolderItem(item, GetDlgItem(dialog, IDC_FOLDER_LIST));
    }
    return TRUE;
}

// The wait cursor stays over the dialog while a run goes on.
INT_PTR OnSetCursor(HWND dialog) {
    if (!DialogRunning()) {
        return FALSE;
    }
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR OnTimer(HWND dialog, WPARAM timer) {
    if (timer == kProgressTimer && DialogRunning()) {
        ShowRunProgress(dialog);
    }
    return TRUE;
}

INT_PTR OnRunEnded(HWND dialog) {
    if (EndDialogRun(dialog)) {
        OnClose(dialog);
    }
    return TRUE;
}

} // namespace

void ShowMainDialog() {
    DialogBoxParamW(ModuleInstance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
    case WM_MEASUREITEM:
        return OnMeasureItem(dialog, *reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
    case WM_DRAWITEM:
        return OnDrawItem(dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_CLOSE:
        return OnClose(dialog);
    case WM_SYSCOMMAND:
        return OnSysCommand(dialog, wparam);
    case WM_SETCURSOR:
        return OnSetCursor(dialog);
    case WM_TIMER:
        return OnTimer(dialog, wparam);
    case WM_DIALOG_RUN_ENDED:
        return OnRunEnded(dialog);
    default:
        return FALSE;
    }
}
