// Path arithmetic of the dialog's current folder: its components as the folder list shows them,
// the moves up and down the tree, the order of sub-folder names and the proposed output name.
// Pure text rules, no file system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Longest folder path the dialog holds, in UTF-16 units as Windows counts a path. Paths are
// UTF-8.
constexpr size_t kMaxFolderPath = 259;

// One component of a folder path: where its first character is and how long it is.
struct PathComponent {
    size_t offset = 0;
    size_t length = 0;
};

// The pieces between backslashes, from the start of the path up to its end or to the first
// empty piece: C:\ gives C:, a trailing backslash adds nothing, a path that begins with a
// backslash (a network path) gives no component at all.
std::vector<PathComponent> SplitFolderPath(std::string_view path);

// Orders sub-folder names by their bytes (UTF-8: by code point) with the ASCII letters folded to
// lower case; names that compare equal keep their order. 2010, _tmp, Alpha, beta.
void SortSubfolderNames(std::vector<std::string>& names);

// The path after opening the sub-folder name of folder; empty when it would be longer than
// kMaxFolderPath, so that such an open changes nothing.
std::string SubfolderPath(std::string_view folder, std::string_view name);

// The path after opening the component that starts at offset: cut at the first backslash from
// there, and a drive component keeps its root backslash (C:\Windows\System32 opening C: gives
// C:\, opening Windows gives C:\Windows).
std::string ComponentPath(std::string_view folder, size_t offset);

// The output name proposed for a listing of folder: its last component, or the volume label
// at a drive root, followed by ".txt"; shortened before the ".txt", between characters, to fit
// 259 UTF-16 units.
std::string ProposedOutputName(std::string_view folder, std::string_view volume_label);

// The folder of a first argument (ending with a backslash) as the exact path the folder list
// reads it by: without its closing backslash (a drive's root keeps it), the drive letter in
// upper case, every name as given, so that "dot." stays "dot.". Empty when the argument is not
// an absolute path on a drive, or holds "." or ".." components or empty ones, which only the
// usual path rules resolve.
std::string ExactFolderPath(std::string_view argument);
