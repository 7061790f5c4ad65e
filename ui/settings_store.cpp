#include "ui/settings_store.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/ascii.h"
#include "engine/list_options.h"
#include "platform/folder_search.h"
#include "platform/registry_key.h"
#include "platform/window_text.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "ui/dialog_job.h"
#include "ui/drive_list.h"
#include "ui/folder_navigator.h"
#include "ui/folder_path.h"

HKEY MachineSettingsRoot = HKEY_LOCAL_MACHINE;
std::string InitialFolder;

namespace {

constexpr DWORD kDefaultOptions = 0x8B;

// A REG_SZ value as UTF-8, cut to 259 UTF-16 units whatever its stored length, with or without
// its own terminator; false when it is missing or of another type. A value that an ANSI
// function wrote reads back as the same text.
bool ReadText(HKEY key, const wchar_t* name, std::string& text) {
    DWORD type = 0;
    DWORD size = 0;
    if (!key || RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    std::wstring stored(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(stored.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(stored.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    stored.resize(wcsnlen(stored.data(), std::min<size_t>(size / sizeof(wchar_t), kMaxFolderPath)));
    // A cut that would leave half of a surrogate pair leaves the whole pair out.
    if (!stored.empty() && stored.back() >= 0xD800 && stored.back() <= 0xDBFF) {
        stored.pop_back();
    }
    text = Utf8FromWide(stored);
    return true;
}

bool ReadNumber(HKEY key, const wchar_t* name, DWORD& number) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key ||
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return false;
    }
    number = value;
    return true;
}

bool WriteText(HKEY key, const wchar_t* name, std::string_view text) {
    const std::wstring wide = Widen(text);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteNumber(HKEY key, const wchar_t* name, DWORD number) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                          sizeof number) == ERROR_SUCCESS;
}

// The process's current directory as the current folder; empty when it is too long to hold.
void TakeCurrentDirectory() {
    wchar_t folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    CurrentFolder = length > 0 && length < MAX_PATH ? Utf8FromWide({folder, length}) : "";
}

// The first argument's folder when it can be read, with an upper-case drive letter: an absolute
// path by its exact name, as the shell passes a clicked folder, and any other made absolute by
// entering it; else the remembered folder, exactly as stored, when it can be read; else the
// current directory.
void DecideCurrentFolder(HKEY key) {
    const std::string exact = ExactFolderPath(InitialFolder);
    if (!exact.empty() && FolderCanBeRead(exact)) {
        CurrentFolder = exact;
        // The program stands in the folder it shows, as after any other way in; but not where
        // the usual path rules would make the path name another folder ("dot." is not "dot").
        const std::wstring wide = Widen(exact);
        if (FullPath(wide) == wide) {
            SetCurrentDirectoryW(wide.c_str());
        }
        return;
    }
    if (!InitialFolder.empty() && SetCurrentDirectoryW(Widen(InitialFolder).c_str())) {
        TakeCurrentDirectory();
        if (!CurrentFolder.empty()) {
            CurrentFolder[0] = UpperAscii(CurrentFolder[0]);
        }
        return;
    }
    InitialFolder.clear();
    std::string remembered;
    if (ReadText(key, L"InitDir", remembered) && FolderCanBeRead(remembered)) {
        CurrentFolder = remembered;
        return;
    }
    TakeCurrentDirectory();
}

// Writes every value; false at the first that cannot be written.
bool WriteSettings(HKEY key, HWND dialog) {
    if (InitialFolder.empty() && !WriteText(key, L"InitDir", CurrentFolder)) {
        return false;
    }
    if (!WriteText(key, L"Filter", DialogItemText(dialog, IDC_FILTER))) {
        return false;
    }
    DWORD options = 0;
    for (const ListOption& option : kListOptions) {
        if (option.check_box != 0 && IsDlgButtonChecked(dialog, option.check_box) == BST_CHECKED) {
            options |= option.settings_bit;
        }
    }
    if (!WriteNumber(key, L"Options12", options)) {
        return false;
    }
    DWORD sorting = IDC_SORT_DATE;
    for (const int radio : {IDC_SORT_NAME, IDC_SORT_SIZE, IDC_SORT_EXTENSION}) {
        if (IsDlgButtonChecked(dialog, radio) == BST_CHECKED) {
            sorting = static_cast<DWORD>(radio);
            break;
        }
    }
    if (!WriteNumber(key, L"Sorting12", sorting)) {
        return false;
    }
    return WriteText(key, L"Output", DialogItemText(dialog, IDC_OUTPUT_FILE)) &&
           WriteNumber(key, L"Encoding", DialogEncoding) &&
           WriteNumber(key, L"File Type", DialogFileType);
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

    std::string text;
    SetDialogItemText(dialog, IDC_FILTER, ReadText(key.get(), L"Filter", text) ? text : "*.*");
    DWORD options = kDefaultOptions;
    ReadNumber(key.get(), L"Options12", options);
    for (const ListOption& option : kListOptions) {
        if (option.check_box != 0) {
            CheckDlgButton(dialog, option.check_box,
                           options & option.settings_bit ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    DWORD sorting = IDC_SORT_NAME;
    if (!ReadNumber(key.get(), L"Sorting12", sorting) || sorting < IDC_SORT_NAME ||
        sorting > IDC_SORT_DATE) {
        sorting = IDC_SORT_NAME;
    }
    CheckRadioButton(dialog, IDC_SORT_NAME, IDC_SORT_DATE, static_cast<int>(sorting));
    SetDialogItemText(dialog, IDC_OUTPUT_FILE, ReadText(key.get(), L"Output", text) ? text : "");
    DWORD encoding = kCodePageEncoding;
    DialogEncoding = ReadNumber(key.get(), L"Encoding", encoding) && encoding == kUtf8Encoding
                         ? kUtf8Encoding
                         : kCodePageEncoding;
    // A text type is the encoding's, by the same number: settings older than the other types
    // hold the encoding alone.
    DWORD file_type = kTextFileType;
    DialogFileType = ReadNumber(key.get(), L"File Type", file_type) &&
                             (file_type == kCsvFileType || file_type == kWebPageFileType)
                         ? file_type
                         : DialogEncoding;
}

void SaveSettings(HWND dialog) {
    const RegistryKey machine = CreateRegistryKey(MachineSettingsRoot, kSettingsKey);
    if (machine && WriteSettings(machine.get(), dialog)) {
        RegDeleteKeyW(HKEY_CURRENT_USER, Widen(kSettingsKey).c_str());
        return;
    }
    // A standard user's start may not write the machine's key, and Windows redirects no write
    // of a program whose manifest asks for an execution level, as this one's does.
    if (const RegistryKey user = CreateRegistryKey(HKEY_CURRENT_USER, kSettingsKey)) {
        WriteSettings(user.get(), dialog);
    }
}
