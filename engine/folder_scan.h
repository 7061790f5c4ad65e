// Reading one folder of the file system into its list of entries.
#pragma once

#include "engine/entry_order.h"

// Makes path the current directory and returns its listed entries: sub-folders (when the job
// includes them; names beginning with '.' left out), then the files the filter
// accepts (when the job includes files), each group in the order the file system gives them.
// Folders that are links to another place are marked as such.
// Raises FolderCount and FileCount. A folder that cannot be entered or read gives an empty list
// and leaves the current directory unchanged. out_of_memory is set when not every entry could
// be stored; the list then holds what fitted.
FolderEntry* ScanFolder(const char* path, bool& out_of_memory);
