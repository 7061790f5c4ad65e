// The Explorer context-menu verb "Use Scrivtree" on drives and directories, which starts the
// program with the clicked folder as its argument.
#pragma once

#include <windows.h>

// Writes the verb and its command for the class ("drive" or "directory") for every user, under
// the machine's classes, replacing what was there, and removes a per-user copy, which would
// hide it. Where the machine's classes refuse the write (a start that is not elevated), the
// same verb goes to the user's own classes, which Explorer merges with the machine's. Failures
// are silent: a user who may write neither still gets a working program.
void RegisterShellVerb(const char* class_name);

// The machine's classes: HKEY_LOCAL_MACHINE\Software\Classes below this root. Tests point it at
// a key that refuses every write, as the machine's keys do for a start that is not elevated.
extern HKEY MachineClassesRoot;
