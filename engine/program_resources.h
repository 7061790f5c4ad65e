// The program's own module, its string table and its message boxes, shared by every part of
// the program. Texts are UTF-8.
#pragma once

#include <windows.h>

#include <string>

#include "scrivtree_version.h"

constexpr const char* kProgramTitle = SCRIVTREE_PROGRAM_TITLE;

// The module every resource is loaded from; set at start-up, and the running executable until
// then.
extern HINSTANCE ModuleInstance;

// String id of the string table; empty when missing.
std::string ProgramString(UINT id);

// Loads string id into buffer, cut to whole characters where it does not fit, always
// NUL-terminated.
void LoadProgramString(UINT id, char* buffer, int size);

// A task-modal message box without owner, titled with the program's name and version, with the
// icon and buttons of style (OK when none are given); returns the button pressed.
int ShowProgramMessage(const char* text, UINT style);

// Loads string id and shows it with the icon.
void ShowProgramString(UINT id, UINT icon);

// The executable's full path, however long; empty when it cannot be had.
std::string ExecutablePath();
