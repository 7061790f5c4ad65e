// What start-up keeps for the rest of the process.
#pragma once

// The command-line text after the program's name, in UTF-8.
extern const char* CommandLineText;
