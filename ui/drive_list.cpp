#include "ui/drive_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/ascii.h"
#include "engine/program_resources.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "app/wait_cursor.h"

DriveList DriveTable;
int32_t SelectedDriveRow = 0;

namespace {

constexpr size_t kLabelStart = 4;
constexpr size_t kLongestLabel = sizeof DriveEntry::display_text - kLabelStart - 1;

// The label after the letter part, shortened when it is longer than the row can show.
void ShowVolumeLabel(const char* root, char* display_text) {
    const std::string label = VolumeLabel(root);
    const size_t length = std::min(label.size(), kLongestLabel);
    memcpy(display_text + kLabelStart, label.data(), length);
    display_text[kLabelStart + length] = '\0';
}

// The first row whose display text is exactly text, or -1.
int32_t RowOfText(const char* text) {
    for (int32_t row = 0; row < DriveTable.count; ++row) {
        if (strcmp(DriveTable.rows[row].display_text, text) == 0) {
            return row;
        }
    }
    return -1;
}

// Asks the user to retry entering root while it fails; false when the user gives up.
bool EnterDriveRoot(const char* root) {
    while (!SetCurrentDirectoryA(root)) {
        char format[256];
        LoadProgramString(IDS_DRIVE_NOT_READY, format, sizeof format);
        char text[256 + sizeof DriveEntry::root];
        snprintf(text, sizeof text, format, root);
        if (ShowProgramMessage(text, MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string VolumeLabel(const char* root) {
    char label[MAX_PATH + 1] = "";
    if (!GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)) {
        return {};
    }
    return label;
}

void BuildDriveTable() {
    const WaitCursor wait;
    DriveTable.count = 0;
    const DWORD drives = GetLogicalDrives();
    for (int bit = 0; bit < 32; ++bit) {
        if (!(drives & (1u << bit))) {
            continue;
        }
        DriveEntry& row = DriveTable.rows[DriveTable.count];
        const char letter = static_cast<char>('A' + bit);
        snprintf(row.root, sizeof row.root, "%c:\\", letter);
        snprintf(row.display_text, sizeof row.display_text, "%c:  ", letter);
        if (GetDriveTypeA(row.root) != DRIVE_REMOVABLE) {
            ShowVolumeLabel(row.root, row.display_text);
        }
        ++DriveTable.count;
    }
}

void FillDriveCombo(HWND combo) {
    SelectedDriveRow = 0;
    for (int32_t row = 0; row < DriveTable.count; ++row) {
        SendMessageA(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(DriveTable.rows[row].display_text));
    }
    // A remembered c:\work is on drive C: as much as C:\Work is.
    for (int32_t row = 0; row < DriveTable.count; ++row) {
        if (DriveTable.rows[row].root[0] == UpperAscii(CurrentFolder[0])) {
            SelectedDriveRow = row;
            break;
        }
    }
    SendMessageA(combo, CB_SETCURSEL, SelectedDriveRow, 0);
}

void ChangeDrive(HWND combo) {
    const LRESULT chosen = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, chosen, 0);
    if (chosen == CB_ERR || length == CB_ERR) {
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(text.data()));
    const int32_t row = RowOfText(text.c_str());
    if (row < 0) {
        return;
    }
    const WaitCursor wait;
    if (!EnterDriveRoot(DriveTable.rows[row].root)) {
        SendMessageA(combo, CB_SETCURSEL, SelectedDriveRow, 0);
        return;
    }
    strcpy(CurrentFolder, DriveTable.rows[row].root);
    SendMessageA(combo, CB_SETCURSEL, row, 0);
    SelectedDriveRow = row;
}
