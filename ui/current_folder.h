// The dialog's current folder: what the folder list shows, where "&Go!" starts and what is
// remembered at close. An absolute path of at most 259 characters.
#pragma once

#include <windows.h>

extern char CurrentFolder[MAX_PATH];
