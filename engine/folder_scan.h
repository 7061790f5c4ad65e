// Reading one folder of the file system into its list of entries.
#pragma once

#include <string>

#include "engine/entry_order.h"

// Returns the listed entries of the folder at path, an absolute path with the "\\?\" prefix
// that takes every name as it is and any length: sub-folders (when the job includes them;
// names beginning with '.' left out), then the files the filter accepts (when the job includes
// files), each group in the order the file system gives them. Names are in the listing's
// encoding; folders keep their exact names too, and those that are links to another place are
// marked as such. A folder that cannot be read gives an empty list. out_of_memory is set when not
// every entry could be stored; the list then holds what fitted.
FolderEntry* ScanFolder(const std::wstring& path, bool& out_of_memory);
