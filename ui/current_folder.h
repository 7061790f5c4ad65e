// The dialog's folders, in UTF-8. CurrentFolder is what the folder list shows, where "&Go!"
// starts and what is remembered at close: an absolute path of at most 259 UTF-16 units, or
// empty. InitialFolder is the folder named as the program's first argument, ending with a
// backslash, or empty; the settings load takes it, or clears it when it cannot be entered.
#pragma once

#include <string>

extern std::string CurrentFolder;
extern std::string InitialFolder;
