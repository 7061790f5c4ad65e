// The banner: a clickable bitmap below the main dialog's controls that opens the program's web
// page.
#pragma once

#include <windows.h>

// The address the banner opens.
constexpr const char* kBannerAddress = "http://example.org/scrivtree/";

// The banner's window, or none before it is added.
extern HWND BannerWindow;

// Makes the dialog taller by the banner's height and 7 pixels, half of it upwards, and puts the
// banner 7 pixels above the bottom, centred 4 pixels to the left.
void AddBanner(HWND dialog);

// Opens the banner's web page with the shell.
void OpenBannerPage(HWND dialog);
