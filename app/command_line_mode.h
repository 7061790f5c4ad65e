// The unattended listing mode: one listing from the options of the command line, no window.
#pragma once

#include <cstddef>

// Process exit codes of the command-line mode, so that a batch file can tell what happened.
enum ExitCode : int {
    kExitListingWritten = 0,
    kExitCommandLineError = 1,
    kExitPathOrOutMissing = 2,
    kExitCannotEnterStartFolder = 3,
    kExitCannotCreateOutput = 4,
    kExitCannotWriteOutput = 5,
    kExitOutOfMemory = 6,
};

// Reads the options of text from start (a '-' or '/'), runs the listing they ask for and
// returns the process's exit code. Every failure is also shown in a message box.
ExitCode RunCommandLineMode(const char* text, size_t start);
