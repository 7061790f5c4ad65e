// "&Help": the help file beside the executable, shown by the HTML Help engine, which is loaded
// when first asked for and never freed.
#pragma once

#include <windows.h>

// The HTML Help control's class id, under which the registry names its library.
constexpr const char* kHelpControlKey =
    "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

// Opens Scrivtree.chm from the executable's folder on its table of contents.
void ShowHelp(HWND dialog);

// Calls the engine's HtmlHelpW with the four arguments; 0 when the engine is not available,
// now and for the rest of the process once a load has failed.
HWND CallHtmlHelp(HWND window, const wchar_t* file, UINT command, DWORD_PTR data);

// The HTML Help control's registered library path; false when it cannot be read whole.
bool FindHelpControl(wchar_t (&path)[MAX_PATH]);
