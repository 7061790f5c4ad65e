// The drive list of the main dialog: every logical drive with its volume label, and the move of
// the current folder to another drive's root.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

struct DriveEntry {
    // The upper-case letter, a colon and a backslash.
    char root[4];
    // The letter, a colon, two blanks and the volume label (at most 27 UTF-16 units, whole
    // characters), in UTF-8: a label may be in any script.
    std::string display_text;
};

// One row per drive present, in ascending order of letter; combo box row n shows row n.
struct DriveList {
    std::array<DriveEntry, 32> rows;
    int32_t count = 0;
};

extern DriveList DriveTable;
// The row of the drive the current folder is on: the one a cancelled change returns to.
extern int32_t SelectedDriveRow;

// The volume label of a drive's root, whatever its length, in UTF-8; empty when it has none or
// cannot be read.
std::string VolumeLabel(const char* root);

// Reads the machine's drives and their labels (removable drives keep only their letter).
void BuildDriveTable();

// Adds every row to the empty combo box and selects the drive of the current folder.
void FillDriveCombo(HWND combo);

// Enters the root of the drive chosen in the combo box, asking Retry or Cancel while it is not
// ready; on success the root becomes the current folder, on Cancel the previous row comes back.
void ChangeDrive(HWND combo);
