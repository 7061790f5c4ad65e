// What start-up keeps for the rest of the process.
#pragma once

#include <windows.h>

// The command-line text after the program's name, in UTF-8.
extern const char* CommandLineText;

// The folder named as first argument, ending with a backslash, or empty; in the code page, as
// the dialog's ANSI controls take it.
extern char InitialFolder[MAX_PATH];
