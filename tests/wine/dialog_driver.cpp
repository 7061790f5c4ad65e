#include "tests/wine/dialog_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "res/resource.h"
#include "tests/wine/test_support.h"

namespace {

constexpr char kDialogTitle[] = SCRIVTREE_PROGRAM_TITLE;
constexpr char kSettingsKey[] = "Software\\Quorvane\\Scrivtree\\1";

// Text of a list box item or a combo box row, read with the wide messages (the ANSI ones bring
// UTF-16 bytes across processes under Wine).
std::string ItemText(HWND control, UINT length_message, UINT text_message, int index,
                     UINT code_page = CP_ACP) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, length_message, index, 0, SMTO_NORMAL, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, text_message, index, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, 5000, &copied);
    text.resize(std::min<size_t>(copied, length));
    return code_page == CP_UTF8 ? ToUtf8(text) : ToAnsi(text);
}

} // namespace

bool operator==(const ListItem& a, const ListItem& b) {
    return a.text == b.text && a.data == b.data;
}

std::ostream& operator<<(std::ostream& out, const ListItem& item) {
    char data[16];
    std::snprintf(data, sizeof data, "0x%08lX", static_cast<unsigned long>(item.data));
    return out << "{\"" << item.text << "\", " << data << "}";
}

DialogDriver::DialogDriver(const std::string& arguments, const std::string& working_folder)
    : DialogDriver(FromAnsi(arguments), working_folder) {}

DialogDriver::DialogDriver(const std::wstring& arguments, const std::string& working_folder) {
    std::wstring command = L"\"" + FromAnsi(ScrivtreePath()) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        FromAnsi(working_folder).c_str(), &startup, &process_)) {
        ADD_FAILURE() << "cannot start " << ToUtf8(command);
        process_ = {};
    }
}

DialogDriver::~DialogDriver() {
    if (process_.hProcess == nullptr) {
        return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND FindShownDialog(DWORD process, const char* title, bool main_dialog) {
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", title); window != nullptr;
         window = FindWindowExA(nullptr, window, "#32770", title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && IsWindowVisible(window) &&
            (GetDlgItem(window, IDC_FOLDER_LIST) != nullptr) == main_dialog) {
            return window;
        }
    }
    return nullptr;
}

// The dialog is shown once its opening is done, when the controls hold what the settings gave.
bool DialogDriver::WaitForDialog() {
    for (int i = 0; i < 1500 && process_.hProcess != nullptr; ++i) {
        dialog_ = FindShownDialog(process_.dwProcessId, kDialogTitle, true);
        if (dialog_ != nullptr) {
            return true;
        }
        if (WaitForSingleObject(process_.hProcess, 20) != WAIT_TIMEOUT) {
            return false;
        }
    }
    return false;
}

bool DialogDriver::WaitForRunEnd(DWORD timeout_ms) {
    for (DWORD waited = 0; waited < timeout_ms; waited += 20) {
        if (IsWindowEnabled(Control(IDC_EXIT)) && ReadWindowText(dialog_) == kDialogTitle) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

LRESULT DialogDriver::Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, 60000, &result)) {
        ADD_FAILURE() << "message 0x" << std::hex << message << " to window " << window
                      << " was not handled";
    }
    return static_cast<LRESULT>(result);
}

std::string DialogDriver::Text(int id) const {
    return ReadWindowText(Control(id));
}

bool DialogDriver::Checked(int id) const {
    return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> ComboRowsOf(HWND combo) {
    std::vector<std::string> rows;
    DWORD_PTR count = 0;
    SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count);
    for (int i = 0; i < static_cast<int>(count); ++i) {
        rows.push_back(ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i));
    }
    return rows;
}

std::vector<std::string> DialogDriver::ComboRows(int id) const {
    return ComboRowsOf(Control(id));
}

int DialogDriver::ComboSelection(int id) const {
    return static_cast<int>(Send(Control(id), CB_GETCURSEL, 0, 0));
}

std::vector<ListItem> DialogDriver::ListItems(int id, UINT code_page) const {
    std::vector<ListItem> items;
    const int count = static_cast<int>(Send(Control(id), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        items.push_back({ItemText(Control(id), LB_GETTEXTLEN, LB_GETTEXT, i, code_page),
                         static_cast<DWORD>(Send(Control(id), LB_GETITEMDATA, i, 0))});
    }
    return items;
}

int DialogDriver::ListSelection(int id) const {
    return static_cast<int>(Send(Control(id), LB_GETCURSEL, 0, 0));
}

HWND DialogDriver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info);
    return info.hwndFocus;
}

void DialogDriver::SetText(int id, const std::string& text) {
    const std::wstring wide = FromAnsi(text);
    Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void DialogDriver::Click(int id) {
    Send(Control(id), BM_CLICK, 0, 0);
}

void DialogDriver::ChooseComboRow(int id, int row) {
    Send(Control(id), CB_SETCURSEL, row, 0);
    Send(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
}

void DialogDriver::DoubleClickListItem(int id, int index) {
    Send(Control(id), LB_SETCURSEL, index, 0);
    Send(dialog_, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(Control(id)));
}

void DialogDriver::EnterOnListItem(int id, int index, EnterBy how) {
    Send(Control(id), LB_SETCURSEL, index, 0);
    Send(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE);
    if (Focus() != Control(id)) {
        ADD_FAILURE() << "control " << id << " did not take the keyboard focus";
    }
    if (how == EnterBy::DefaultCommand) {
        Send(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
             reinterpret_cast<LPARAM>(Control(IDOK)));
    } else {
        PressKey(id, VK_RETURN);
    }
}

void DialogDriver::PressEscape() {
    HWND focus = Focus();
    PostKey(focus != nullptr ? focus : dialog_, VK_ESCAPE);
    WaitUntilPostedHandled();
}

void DialogDriver::CloseBox() {
    Send(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// A key as the keyboard delivers it: into the program's queue, where the dialog's message loop
// turns Enter and Escape into commands.
void DialogDriver::PostKey(HWND window, WPARAM key) {
    const LPARAM scan_code = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), 0)) << 16;
    PostMessageA(window, WM_KEYDOWN, key, scan_code | 1);
    PostMessageA(window, WM_KEYUP, key, scan_code | 1 | (LPARAM{3} << 30));
}

// Posted messages are handled in order: once a harmless change posted after them shows, the
// ones before it are done. The change is the text limit of the read-only Output File box,
// which nobody types into; it is put back afterwards.
void DialogDriver::WaitUntilPostedHandled() {
    HWND output = Control(IDC_OUTPUT_FILE);
    const LRESULT limit = Send(output, EM_GETLIMITTEXT, 0, 0);
    PostMessageA(output, EM_SETLIMITTEXT, limit + 1, 0);
    bool handled = false;
    for (int i = 0; i < 3000 && !handled; ++i) {
        handled = Send(output, EM_GETLIMITTEXT, 0, 0) == limit + 1;
        if (!handled) {
            Sleep(10);
        }
    }
    if (!handled) {
        ADD_FAILURE() << "the dialog did not handle the messages posted to it within 30 s";
    }
    Send(output, EM_SETLIMITTEXT, limit, 0);
}

std::optional<DWORD> DialogDriver::WaitForExit(DWORD timeout_ms) {
    DWORD exit_code = 0;
    if (process_.hProcess == nullptr ||
        WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.hProcess, &exit_code)) {
        return std::nullopt;
    }
    return exit_code;
}

bool operator==(const RegistryValue& a, const RegistryValue& b) {
    return a.type == b.type && a.bytes == b.bytes;
}

std::ostream& operator<<(std::ostream& out, const RegistryValue& value) {
    if (value.type == REG_DWORD && value.bytes.size() == sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, value.bytes.data(), sizeof number);
        return out << "REG_DWORD " << number << " (0x" << std::hex << number << std::dec << ")";
    }
    out << (value.type == REG_SZ ? "REG_SZ" : "type " + std::to_string(value.type)) << " \"";
    for (char c : value.bytes) {
        if (c == '\0') {
            out << "\\0";
        } else {
            out << c;
        }
    }
    return out << "\"";
}

RegistryValue TextValue(const std::string& text) {
    return {REG_SZ, text + '\0'};
}

RegistryValue NumberValue(DWORD number) {
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
}

void DeleteSettings() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const LONG result = RegDeleteKeyA(root, kSettingsKey);
        EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    }
}

void WriteSetting(const std::string& name, const RegistryValue& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const LONG result = RegSetValueExA(key, name.c_str(), 0, value.type,
                                       reinterpret_cast<const BYTE*>(value.bytes.data()),
                                       static_cast<DWORD>(value.bytes.size()));
    RegCloseKey(key);
    ASSERT_EQ(result, ERROR_SUCCESS) << name;
}

std::optional<RegistryValue> ReadSetting(const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    RegistryValue value;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        value.bytes.resize(size);
        result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                                  reinterpret_cast<BYTE*>(value.bytes.data()), &size);
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

void DialogDriver::PressKey(int id, WPARAM key) {
    Send(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE);
    PostKey(Control(id), key);
    WaitUntilPostedHandled();
}
