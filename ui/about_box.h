// The About box: the program's icon, name and version, and four blue link labels that open
// their own text (a web address or a mailto: address) with the shell.
#pragma once

#include <windows.h>

#include <array>

// The link labels; only membership in this list matters.
constexpr std::array<int, 4> AboutLinkIds = {1030, 1039, 1034, 1035};

// Runs the box over owner until OK, Escape or the close box ends it.
void ShowAboutBox(HWND owner);

// Blue for a link label, the button text colour for any other static text; both over the
// dialog's own background.
void ColorAboutLabel(HWND dialog, HDC device, HWND control);

// Opens the text of the link label id with the shell; any other id does nothing.
void OpenAboutLink(HWND dialog, int id);
