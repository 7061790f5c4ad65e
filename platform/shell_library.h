// Save As and the shell's "open", loaded when the dialog first needs them: a command-line run
// never does, and loading comdlg32 and shell32 at start-up would cost it a fifth of its time.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <string_view>

// GetSaveFileNameW; false as well when the common dialogs cannot be loaded.
bool ShowSaveAsDialog(OPENFILENAMEW& dialog_data);

// Opens the file or address (UTF-8) with the program the shell associates with it.
void OpenWithShell(HWND window, std::string_view target);
