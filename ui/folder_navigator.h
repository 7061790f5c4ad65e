// The folder list of the main dialog: the current folder as a chain of its components, the
// drive first, followed by its sub-folders, and the moves up and down the tree. Every folder is
// read by its exact name, whatever its characters: a name with a trailing dot or blank, or one
// that the usual path rules take for a device (aux, con), is a folder like any other.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/folder_path.h"

// The path_offset of a sub-folder item; a component item holds the index of its first
// character (byte) in the current folder instead.
constexpr uint16_t SubfolderMark = 0xFFFF;

// Pixels of indent per level of the tree, at 96 DPI.
constexpr uint16_t kIndentPerLevel = 8;

// Whether the folder at path (an absolute path, UTF-8) can be read.
bool FolderCanBeRead(std::string_view path);

// The sub-folders of the folder at path (an absolute path, UTF-8), in the order the file system
// gives them; names that begin with a dot (".", ".." and folders such as .git) are left out.
// False when the folder cannot be read at all.
bool ReadSubfolderNames(std::string_view path, FolderNames<wchar_t>& names);

// Shows the current folder in the list. When it cannot be read, the list stays as it was and
// the current folder goes back to the folder the list shows, so that the two never disagree.
void FillFolderList(HWND list);

// The text of an item, however long, in UTF-8; empty for no item.
std::string FolderItemText(HWND list, LRESULT item);

// Appends an item whose value is indent * 65536 + path_offset.
void AddFolderItem(HWND list, std::string_view text, uint16_t indent, uint16_t path_offset);

// Moves the current folder up to the selected component or down into the selected sub-folder,
// and refills the list. Nothing happens without a selection, and an open that would make the
// path longer than 259 UTF-16 units is refused.
void OpenFolderItem(HWND list);

// Sets the height of the list's items: the dialog's font or a small icon, whichever is taller,
// and a pixel above and below.
void MeasureFolderItem(MEASUREITEMSTRUCT& item, HWND dialog);

// Draws one item: its folder icon at its indent, then its text in the list's colours.
void DrawFolderItem(const DRAWITEMSTRUCT& item, HWND list);
