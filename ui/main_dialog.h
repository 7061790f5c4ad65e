// The main dialog: the program's window when it is started without command-line options.
#pragma once

#include <windows.h>

// Runs the dialog until "E&xit" or the close box ends it.
void ShowMainDialog();

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
