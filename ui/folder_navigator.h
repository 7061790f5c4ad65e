// The folder list of the main dialog: the current folder as a chain of its components, the
// drive first, followed by its sub-folders, and the moves up and down the tree.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The path_offset of a sub-folder item; a component item holds the index of its first
// character in the current folder instead.
constexpr uint16_t SubfolderMark = 0xFFFF;

// Pixels of indent per level of the tree.
constexpr uint16_t kIndentPerLevel = 8;

// Shows the current folder in the list and makes it the process's current directory. When it
// cannot be entered, the list stays as it was and the current folder goes back to the folder
// the list shows, so that the two never disagree.
void FillFolderList(HWND list);

// The text of an item, however long; empty for no item.
std::string FolderItemText(HWND list, LRESULT item);

// Appends an item whose value is indent * 65536 + path_offset.
void AddFolderItem(HWND list, const char* text, uint16_t indent, uint16_t path_offset);

// Moves the current folder up to the selected component or down into the selected sub-folder,
// and refills the list. Nothing happens without a selection, and an open that would make the
// path longer than 259 characters is refused.
void OpenFolderItem(HWND list);

// Draws one item: its folder icon at its indent, then its text in the list's colours.
void DrawFolderItem(const DRAWITEMSTRUCT& item, HWND list);
