// What start-up keeps for the rest of the process.
#pragma once

#include <windows.h>

// The command-line text after the program's name.
extern const char* CommandLineText;

// The folder named as first argument, ending with a backslash, or empty.
extern char InitialFolder[MAX_PATH];
