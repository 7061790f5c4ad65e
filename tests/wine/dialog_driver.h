// Drives the real program's main dialog from a test: starts Scrivtree.exe, acts on its controls
// with the window messages a user's clicks and keys produce, and reads the controls back. Also
// the registry key in which the dialog keeps its settings.
#pragma once

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// One item of a list box: its text and its 32-bit item data.
struct ListItem {
    std::string text;
    DWORD data = 0;
};
bool operator==(const ListItem& a, const ListItem& b);
std::ostream& operator<<(std::ostream& out, const ListItem& item);

// How Enter reaches the dialog while the folder list has the focus.
enum class EnterBy { DefaultCommand, ReturnKey };

// The shown top-level dialog of the process with the title: its main dialog, or (as message
// boxes share its title) any other; null when there is none.
HWND FindShownDialog(DWORD process, const char* title, bool main_dialog);

// The rows of a combo box of any process.
std::vector<std::string> ComboRowsOf(HWND combo);

class DialogDriver {
  public:
    // Starts the program with the arguments in the working folder; does not wait for it.
    DialogDriver(const std::string& arguments, const std::string& working_folder);
    // The same with arguments of any characters, as Explorer or a shortcut passes them.
    DialogDriver(const std::wstring& arguments, const std::string& working_folder);
    // Ends the program if it still runs.
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Waits until the main dialog is shown; false when it was not within 30 s.
    bool WaitForDialog();
    HWND Dialog() const { return dialog_; }
    HWND Control(int id) const { return GetDlgItem(dialog_, id); }

    std::string Text(int id) const;
    bool Checked(int id) const;
    std::vector<std::string> ComboRows(int id) const;
    int ComboSelection(int id) const;
    // Item texts in the code page given: the ANSI one, or CP_UTF8 for every character.
    std::vector<ListItem> ListItems(int id, UINT code_page = CP_ACP) const;
    int ListSelection(int id) const;
    // The control that has the keyboard focus in the program.
    HWND Focus() const;

    void SetText(int id, const std::string& text);
    // A mouse click: a check box toggles, a button runs its command.
    void Click(int id);
    // Selects the row as the user does, with the selection-change notification.
    void ChooseComboRow(int id, int row);
    // Selects the item and double-clicks it.
    void DoubleClickListItem(int id, int index);
    // Selects the item, gives the list box the focus and presses Enter.
    void EnterOnListItem(int id, int index, EnterBy how);
    void PressEscape();
    // The close box in the title bar.
    void CloseBox();

    // Waits until a run started from the dialog has ended and the dialog is back as before it:
    // its title without the counts, every control enabled; false when not within timeout_ms.
    bool WaitForRunEnd(DWORD timeout_ms = 60000);

    // The exit code, once the program has ended; nothing when it still runs after timeout_ms.
    std::optional<DWORD> WaitForExit(DWORD timeout_ms = 30000);

    // Gives the control the keyboard focus and presses the key there, as the keyboard does.
    void PressKey(int id, WPARAM key);

    // A message to a window of the program, answered within 60 s or a failure of the test.
    LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) const;

  private:
    void PostKey(HWND window, WPARAM key);
    void WaitUntilPostedHandled();

    PROCESS_INFORMATION process_{};
    HWND dialog_ = nullptr;
};

// The dialog's settings: HKEY_LOCAL_MACHINE\Software\Quorvane\Scrivtree\1, and its copy under
// HKEY_CURRENT_USER that the program uses when the first cannot be created.
struct RegistryValue {
    DWORD type = REG_NONE;
    std::string bytes;
};
bool operator==(const RegistryValue& a, const RegistryValue& b);
std::ostream& operator<<(std::ostream& out, const RegistryValue& value);

// A REG_SZ with its terminating NUL counted, as the program writes text values.
RegistryValue TextValue(const std::string& text);
RegistryValue NumberValue(DWORD number);

// Removes both copies of the key: the next start is a first start.
void DeleteSettings();
// Writes a value into the key under HKEY_LOCAL_MACHINE, any type under any name.
void WriteSetting(const std::string& name, const RegistryValue& value);
// A value of the key under HKEY_LOCAL_MACHINE; nothing when it is missing.
std::optional<RegistryValue> ReadSetting(const std::string& name);
