// The Explorer context-menu verb "Use Scrivtree" on drives and directories, which starts the
// program with the clicked folder as its argument.
#pragma once

// Writes the verb and its command for the class ("drive" or "directory") under
// HKEY_CLASSES_ROOT, replacing what was there. Failures are silent: a user who may not write
// there still gets a working program.
void RegisterShellVerb(const char* class_name);
