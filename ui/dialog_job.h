// "&Go!" and "&Browse...": a listing of the current folder with the options the dialog shows,
// into the file of the Output File box, chosen with the Save As dialog when the box is empty.
#pragma once

#include <windows.h>

#include <cstdint>

// The encoding of the dialog's listings, chosen by the file type in Save As and remembered with
// the settings: the code page, or UTF-8 (what the command line writes with -u).
constexpr uint32_t kCodePageEncoding = 0;
constexpr uint32_t kUtf8Encoding = 1;
extern uint32_t DialogEncoding;

// Starts the listing of the current folder with the options the dialog shows; when it has
// ended, and unless it was stopped, "&Launch Output File" opens the output file with its
// associated program.
void RunDialogJob(HWND dialog);

// Asks for the output file with the Save As dialog, proposing the current folder's name and the
// file type of the dialog's encoding; true when the user chose a file, which the Output File box
// then shows, and the chosen type's encoding becomes the dialog's.
bool ChooseOutputFile(HWND dialog);
