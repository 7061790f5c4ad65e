#include "ui/drive_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/ascii.h"
#include "engine/program_resources.h"
#include "platform/utf8.h"
#include "platform/wide_text.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "platform/wait_cursor.h"

DriveList DriveTable;
int32_t SelectedDriveRow = 0;

namespace {

constexpr size_t kLongestLabel = 27;

// The label after the letter part, shortened when it is longer than the row can show.
void ShowVolumeLabel(const char* root, std::string& display_text) {
    const std::string label = VolumeLabel(root);
    display_text.append(label, 0, PrefixOfUnits(label, kLongestLabel));
}

// The first row whose display text is exactly text, or -1.
int32_t RowOfText(const std::string& text) {
    for (int32_t row = 0; row < DriveTable.count; ++row) {
        if (DriveTable.rows[row].display_text == text) {
            return row;
        }
    }
    return -1;
}

// Asks the user to retry entering root while it fails; false when the user gives up.
bool EnterDriveRoot(const char* root) {
    while (!SetCurrentDirectoryW(Widen(root).c_str())) {
        const std::string format = ProgramString(IDS_DRIVE_NOT_READY);
        std::string text(format.size() + sizeof DriveEntry::root, '\0');
        text.resize(static_cast<size_t>(
            std::max(0, snprintf(text.data(), text.size(), format.c_str(), root))));
        if (ShowProgramMessage(text.c_str(), MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string VolumeLabel(const char* root) {
    wchar_t label[MAX_PATH + 1] = L"";
    if (!GetVolumeInformationW(Widen(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                               nullptr, 0)) {
        return {};
    }
    return Utf8FromWide(label);
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
        row.display_text = {letter, ':', ' ', ' '};
        if (GetDriveTypeW(Widen(row.root).c_str()) != DRIVE_REMOVABLE) {
            ShowVolumeLabel(row.root, row.display_text);
        }
        ++DriveTable.count;
    }
}

void FillDriveCombo(HWND combo) {
    SelectedDriveRow = 0;
    for (int32_t row = 0; row < DriveTable.count; ++row) {
        SendMessageW(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Widen(DriveTable.rows[row].display_text).c_str()));
    }
    // A remembered c:\work is on drive C: as much as C:\Work is.
    for (int32_t row = 0; row < DriveTable.count; ++row) {
        if (!CurrentFolder.empty() &&
            DriveTable.rows[row].root[0] == UpperAscii(CurrentFolder[0])) {
            SelectedDriveRow = row;
            break;
        }
    }
    SendMessageW(combo, CB_SETCURSEL, SelectedDriveRow, 0);
}

void ChangeDrive(HWND combo) {
    const LRESULT chosen = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, chosen, 0);
    if (chosen == CB_ERR || length == CB_ERR) {
        return;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    const int32_t row = RowOfText(Utf8FromWide(text));
    if (row < 0) {
        return;
    }
    const WaitCursor wait;
    if (!EnterDriveRoot(DriveTable.rows[row].root)) {
        SendMessageW(combo, CB_SETCURSEL, SelectedDriveRow, 0);
        return;
    }
    CurrentFolder = DriveTable.rows[row].root;
    SendMessageW(combo, CB_SETCURSEL, row, 0);
    SelectedDriveRow = row;
}
