// A listing started with "&Go!" runs in a thread of its own while the dialog goes on answering:
// the title shows the counts so far, "&Go!" reads "&Stop", and every other control waits until
// the run has ended.
#pragma once

#include <windows.h>

#include <string>

#include "engine/list_job.h"

// The message the run's thread posts to the dialog when the run has ended.
constexpr UINT WM_DIALOG_RUN_ENDED = WM_APP + 1;

// The timer that refreshes the title with the counts.
constexpr UINT_PTR kProgressTimer = 1;

// What a run from the dialog lists; the job's texts point into the strings, which the run keeps
// for as long as it lasts.
struct DialogRunRequest {
    std::string output_path;
    std::string start_folder;
    std::string filter_text;
    ListJob job;
    // Open the output file with its associated program once the run has written it whole.
    bool launch = false;
};

// Starts the run in its own thread and puts the dialog in its running state.
void StartDialogRun(HWND dialog, DialogRunRequest request);

bool DialogRunning();

// Asks the run to stop at its next entry. With close, the dialog closes when the run has ended.
void StopDialogRun(bool close);

// Shows the counts so far in the title.
void ShowRunProgress(HWND dialog);

// Puts the dialog back as it was before the run, shows the run's message (the summary, the
// stop's or a failure's), then opens the output file when the request asks for it and the run
// was not stopped. True when the dialog is to close now.
bool EndDialogRun(HWND dialog);
