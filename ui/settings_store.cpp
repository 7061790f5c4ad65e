#include "ui/settings_store.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "app/program_entry.h"
#include "app/registry_key.h"
#include "engine/ascii.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "ui/drive_list.h"
#include "ui/folder_navigator.h"

HKEY MachineSettingsRoot = HKEY_LOCAL_MACHINE;

namespace {

constexpr DWORD kDefaultOptions = 0x8B;

// The eight option boxes, bit 0 first.
constexpr std::array<int, 8> kOptionBoxes = {
    IDC_INCLUDE_SUBFOLDERS, IDC_INCLUDE_FILES, IDC_FULL_PATHS,         IDC_FULL_PATHS_IN_TITLES,
    IDC_FULL_INFORMATION,   IDC_USE_TABS,      IDC_INCLUDE_EXTENSIONS, IDC_LAUNCH_OUTPUT,
};

// A REG_SZ value, cut to 259 characters whatever its stored length, with or without its own
// terminator; false when it is missing or of another type.
bool ReadText(HKEY key, const char* name, char (&text)[MAX_PATH]) {
    DWORD type = 0;
    DWORD size = 0;
    if (!key || RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    std::string stored(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(stored.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    const size_t length = strnlen(stored.data(), std::min<size_t>(size, sizeof text - 1));
    memcpy(text, stored.data(), length);
    text[length] = '\0';
    return true;
}

bool ReadNumber(HKEY key, const char* name, DWORD& number) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key ||
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return false;
    }
    number = value;
    return true;
}

bool WriteText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
}

bool WriteNumber(HKEY key, const char* name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                          sizeof number) == ERROR_SUCCESS;
}

// The process's current directory as the current folder; empty when it is too long to hold.
void TakeCurrentDirectory() {
    const DWORD length = GetCurrentDirectoryA(sizeof CurrentFolder, CurrentFolder);
    if (length == 0 || length >= sizeof CurrentFolder) {
        CurrentFolder[0] = '\0';
    }
}

// The first argument's folder when it can be entered, with an upper-case drive letter; else the
// remembered folder, exactly as stored, when it can be entered; else the current directory.
void DecideCurrentFolder(HKEY key) {
    if (InitialFolder[0] != '\0' && SetCurrentDirectoryA(InitialFolder)) {
        TakeCurrentDirectory();
        CurrentFolder[0] = UpperAscii(CurrentFolder[0]);
        return;
    }
    InitialFolder[0] = '\0';
    char remembered[MAX_PATH];
    if (ReadText(key, "InitDir", remembered) && SetCurrentDirectoryA(remembered)) {
        strcpy(CurrentFolder, remembered);
        return;
    }
    TakeCurrentDirectory();
}

// Writes every value; false at the first that cannot be written.
bool WriteSettings(HKEY key, HWND dialog) {
    if (InitialFolder[0] == '\0' && !WriteText(key, "InitDir", CurrentFolder)) {
        return false;
    }
    char text[MAX_PATH];
    GetDlgItemTextA(dialog, IDC_FILTER, text, sizeof text);
    if (!WriteText(key, "Filter", text)) {
        return false;
    }
    DWORD options = 0;
    for (size_t bit = 0; bit < kOptionBoxes.size(); ++bit) {
        if (IsDlgButtonChecked(dialog, kOptionBoxes[bit]) == BST_CHECKED) {
            options |= 1u << bit;
        }
    }
    if (!WriteNumber(key, "Options12", options)) {
        return false;
    }
    DWORD sorting = IDC_SORT_DATE;
    for (const int radio : {IDC_SORT_NAME, IDC_SORT_SIZE, IDC_SORT_EXTENSION}) {
        if (IsDlgButtonChecked(dialog, radio) == BST_CHECKED) {
            sorting = static_cast<DWORD>(radio);
            break;
        }
    }
    if (!WriteNumber(key, "Sorting12", sorting)) {
        return false;
    }
    GetDlgItemTextA(dialog, IDC_OUTPUT_FILE, text, sizeof text);
    return WriteText(key, "Output", text);
}

} // namespace

void LoadSettings(HWND dialog) {
    // The per-user copy exists only where the machine-wide key could not be written; then it
    // is the newer of the two.
    RegistryKey key = OpenRegistryKey(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) {
        key = OpenRegistryKey(MachineSettingsRoot, kSettingsKey);
    }
    DecideCurrentFolder(key.get());
    BuildDriveTable();
    FillDriveCombo(GetDlgItem(dialog, IDC_DRIVE_LIST));
    FillFolderList(GetDlgItem(dialog, IDC_FOLDER_LIST));

    char text[MAX_PATH];
    SetDlgItemTextA(dialog, IDC_FILTER, ReadText(key.get(), "Filter", text) ? text : "*.*");
    DWORD options = kDefaultOptions;
    ReadNumber(key.get(), "Options12", options);
    for (size_t bit = 0; bit < kOptionBoxes.size(); ++bit) {
        CheckDlgButton(dialog, kOptionBoxes[bit],
                       (options >> bit) & 1 ? BST_CHECKED : BST_UNCHECKED);
    }
    DWORD sorting = IDC_SORT_NAME;
    if (!ReadNumber(key.get(), "Sorting12", sorting) || sorting < IDC_SORT_NAME ||
        sorting > IDC_SORT_DATE) {
        sorting = IDC_SORT_NAME;
    }
    CheckRadioButton(dialog, IDC_SORT_NAME, IDC_SORT_DATE, static_cast<int>(sorting));
    SetDlgItemTextA(dialog, IDC_OUTPUT_FILE, ReadText(key.get(), "Output", text) ? text : "");
}

void SaveSettings(HWND dialog) {
    const RegistryKey machine = CreateRegistryKey(MachineSettingsRoot, kSettingsKey);
    if (machine && WriteSettings(machine.get(), dialog)) {
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
        return;
    }
    // Windows keeps a refused write of a 32-bit program per user on its own, but not for a
    // 64-bit program, nor for one whose manifest asks for an execution level.
    if (const RegistryKey user = CreateRegistryKey(HKEY_CURRENT_USER, kSettingsKey)) {
        WriteSettings(user.get(), dialog);
    }
}
