// The dialog's settings, remembered in the registry from one run of the program to the next:
// the last folder, the filter, the eight option boxes, the sort key, the output path, and the
// encoding and file type last chosen in Save As.
#pragma once

#include <windows.h>

// The key under HKEY_LOCAL_MACHINE; where it cannot be written, the same key under
// HKEY_CURRENT_USER keeps the settings instead.
constexpr const char* kSettingsKey = "Software\\Quorvane\\Scrivtree\\1";

// Where the machine-wide copy lives: HKEY_LOCAL_MACHINE. Tests point it at a key that refuses
// every write, as HKEY_LOCAL_MACHINE does for a user without the right.
extern HKEY MachineSettingsRoot;

// Decides the current folder (the first argument's folder, the remembered one, or the process's
// current directory), fills the drive and folder lists, and sets the controls from the stored
// values or their defaults.
void LoadSettings(HWND dialog);

// Stores the controls' settings, and the current folder unless the dialog was opened on a
// folder given as argument.
void SaveSettings(HWND dialog);
