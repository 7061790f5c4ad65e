// Save As and the shell's "open", loaded when the dialog first needs them: a command-line run
// never does, and loading comdlg32 and shell32 at start-up would cost it a fifth of its time.
#pragma once

#include <windows.h>

#include <commdlg.h>

// GetSaveFileNameA; false as well when the common dialogs cannot be loaded.
bool ShowSaveAsDialog(OPENFILENAMEA& dialog_data);

// Opens the file or address with the program the shell associates with it.
void OpenWithShell(HWND window, const char* target);
