#include "ui/dialog_run.h"

#include <atomic>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/grouped_digits.h"
#include "engine/listing_run.h"
#include "engine/program_resources.h"
#include "engine/run_state.h"
#include "platform/shell_library.h"
#include "platform/wide_text.h"
#include "platform/window_text.h"
#include "res/resource.h"
#include "ui/banner.h"

namespace {

// The one run of the dialog. The thread reads the request and writes the outcome; the dialog
// reads the outcome only after the thread's end message.
struct DialogRun {
    HWND dialog = nullptr;
    DialogRunRequest request;
    std::atomic<bool> stop{false};
    HANDLE thread = nullptr;
    ListingOutcome outcome = ListingOutcome::Written;
    bool close_when_ended = false;
    // What the run changed, to be put back.
    std::string title;
    std::string go_text;
    std::vector<HWND> disabled;
    HWND focus = nullptr;
    HCURSOR cursor = nullptr;
    // The title's pattern and the user's number format, read once a run: each tick only fills
    // them in.
    std::string progress_format;
    std::string separator;
    std::string grouping;
};

DialogRun ActiveRun;

// The thread only writes the listing: the dialog shows how it ended, on its own thread.
DWORD WINAPI RunInThread(void*) {
    ActiveRun.outcome = WriteListing();
    PostMessageW(ActiveRun.dialog, WM_DIALOG_RUN_ENDED, 0, 0);
    return 0;
}

BOOL CALLBACK DisableControl(HWND control, LPARAM go_button) {
    if (control != reinterpret_cast<HWND>(go_button) && GetParent(control) == ActiveRun.dialog &&
        IsWindowEnabled(control)) {
        EnableWindow(control, FALSE);
        ActiveRun.disabled.push_back(control);
    }
    return TRUE;
}

// Draws a control that has been disabled or enabled again as it now looks, border and scroll
// bar included; the banner's picture stays as it is. The folder list too: the themed list box
// erases its items when it is disabled or enabled.
void RedrawChangedControl(HWND control) {
    if (control != BannerWindow) {
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
}

// Every control but "&Go!" disabled or enabled again, and the text of "&Go!", with the dialog's
// drawing held: the changed controls are then drawn once, at the next paint, where each would
// otherwise draw itself at once, and more than once.
void ChangeControls(HWND dialog, bool running) {
    const HWND go = GetDlgItem(dialog, IDOK);
    SendMessageW(dialog, WM_SETREDRAW, FALSE, 0);
    if (running) {
        ActiveRun.disabled.clear();
        EnumChildWindows(dialog, DisableControl, reinterpret_cast<LPARAM>(go));
    } else {
        for (const HWND control : ActiveRun.disabled) {
            EnableWindow(control, TRUE);
        }
    }
    const std::string go_text = running ? ProgramString(IDS_STOP_BUTTON) : ActiveRun.go_text;
    SetWindowTextW(go, Widen(go_text).c_str());
    SendMessageW(dialog, WM_SETREDRAW, TRUE, 0);
    for (const HWND control : ActiveRun.disabled) {
        RedrawChangedControl(control);
    }
    InvalidateRect(go, nullptr, TRUE);
}

// The count as the user writes numbers: 12,345.
std::string FormatCount(int32_t count) {
    std::string text;
    AppendGroupedDigits(text, static_cast<uint64_t>(count > 0 ? count : 0), ActiveRun.separator,
                        ActiveRun.grouping);
    return text;
}

// The program's title with the counts, such as "Scrivtree 1.4 - 12,345 files, 678 folders".
void SetProgressTitle(HWND dialog, int32_t files, int32_t folders) {
    const std::string& format = ActiveRun.progress_format;
    std::string title(format.size() + ActiveRun.title.size() + 64, '\0');
    const int length = snprintf(title.data(), title.size(), format.c_str(), ActiveRun.title.c_str(),
                                FormatCount(files).c_str(), FormatCount(folders).c_str());
    title.resize(static_cast<size_t>(length > 0 ? length : 0));
    SetWindowTextW(dialog, Widen(title).c_str());
}

} // namespace

void StartDialogRun(HWND dialog, DialogRunRequest request) {
    ActiveRun.dialog = dialog;
    ActiveRun.request = std::move(request);
    DialogRunRequest& run = ActiveRun.request;
    run.job.output_path = run.output_path.c_str();
    run.job.start_folder = run.start_folder.c_str();
    run.job.filter_text = run.filter_text.c_str();
    run.job.stop_requested = &ActiveRun.stop;
    ActiveRun.stop = false;
    ActiveRun.close_when_ended = false;
    ActiveRun.outcome = ListingOutcome::Written;

    const HWND go = GetDlgItem(dialog, IDOK);
    ActiveRun.focus = GetFocus();
    ActiveRun.title = WindowText(dialog);
    ActiveRun.go_text = WindowText(go);
    ActiveRun.progress_format = ProgramString(IDS_PROGRESS_TITLE);
    ActiveRun.separator = UserLocaleText(LOCALE_STHOUSAND);
    ActiveRun.grouping = UserLocaleText(LOCALE_SGROUPING);
    // Before the thread starts: the timer's first tick shows this run's counts.
    BeginListing(run.job);

    // The run starts first, so that where there is a processor to spare it does not wait for
    // the dialog's changes. Its end message is handled only after them, on this thread.
    ActiveRun.thread = CreateThread(nullptr, 0, RunInThread, nullptr, 0, nullptr);
    const bool in_thread = ActiveRun.thread != nullptr;
    ChangeControls(dialog, true);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(go), TRUE);
    ActiveRun.cursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    // The title shows the counts from the timer's first tick on: a title set at once would be
    // one more change of it, each of which is a repaint of the window's frame.
    SetTimer(dialog, kProgressTimer, 250, nullptr);
    if (!in_thread) {
        // No thread to be had: the run goes on here, as the command line's does.
        RunInThread(nullptr);
    }
}

bool DialogRunning() {
    return ActiveRun.dialog != nullptr;
}

void StopDialogRun(bool close) {
    ActiveRun.stop = true;
    ActiveRun.close_when_ended = ActiveRun.close_when_ended || close;
}

void ShowRunProgress(HWND dialog) {
    SetProgressTitle(dialog, FileCount, FolderCount);
}

bool EndDialogRun(HWND dialog) {
    // The thread has done all it does: it ends by itself, and is not waited for.
    if (ActiveRun.thread != nullptr) {
        CloseHandle(ActiveRun.thread);
        ActiveRun.thread = nullptr;
    }
    KillTimer(dialog, kProgressTimer);
    SetWindowTextW(dialog, Widen(ActiveRun.title).c_str());
    ChangeControls(dialog, false);
    if (ActiveRun.focus != nullptr && IsWindow(ActiveRun.focus)) {
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ActiveRun.focus), TRUE);
    }
    SetCursor(ActiveRun.cursor);
    ActiveRun.dialog = nullptr;
    // The message of the run's end is task-modal, as the command line's: while it is up, the
    // dialog is disabled.
    ReportListing(ActiveRun.outcome);
    if (ActiveRun.outcome != ListingOutcome::Stopped && ActiveRun.request.launch) {
        OpenWithShell(dialog, ActiveRun.request.output_path);
    }
    return ActiveRun.close_when_ended;
}
