// "&Go!" and "&Browse...": a listing of the current folder with the options the dialog shows,
// into the file of the Output File box, chosen with the Save As dialog when the box is empty.
#pragma once

#include <windows.h>

// Runs the listing and, when "&Launch Output File" is checked, opens the output file with its
// associated program.
void RunDialogJob(HWND dialog);

// Asks for the output file with the Save As dialog, proposing the current folder's name; true
// when the user chose a file, which the Output File box then shows.
bool ChooseOutputFile(HWND dialog);
