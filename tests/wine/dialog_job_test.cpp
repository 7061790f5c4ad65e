// The real program's main dialog at work, driven through window messages: "&Go!" against the
// same job run from the command line, the Save As dialog that asks for a missing output file,
// Enter and Escape, the launch of the output file, "&Help", the banner and the About box. What
// the program hands to the shell and to the help engine is seen through stand-ins that this
// build makes and that the tests register in their Wine prefix: open_recorder (the program a
// file type or an address opens with) and help_recorder.dll (the help engine).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/test_support.h"

namespace {

constexpr char kHelpControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr char kEmptyFilter[] = "Empty file filter";
constexpr char kCannotCreate[] = "Can't create output file";

// Options12 bits of the settings the dialog starts with.
constexpr DWORD kSubfolders = 0x01, kFiles = 0x02, kFullPaths = 0x04, kTitles = 0x08,
                kInformation = 0x10, kTabs = 0x20, kExtensions = 0x40, kLaunch = 0x80;

// The option boxes with their bits in Options12 and the command-line option that asks the same.
struct OptionBox {
    int id;
    DWORD bit;
    const char* flag;
};
const OptionBox kOptionBoxes[] = {
    {IDC_INCLUDE_SUBFOLDERS, kSubfolders, "-s"}, {IDC_INCLUDE_FILES, kFiles, "-f"},
    {IDC_FULL_PATHS, kFullPaths, "-p"},          {IDC_FULL_PATHS_IN_TITLES, kTitles, "-pt"},
    {IDC_FULL_INFORMATION, kInformation, "-i"},  {IDC_USE_TABS, kTabs, "-t"},
    {IDC_INCLUDE_EXTENSIONS, kExtensions, "-e"}, {IDC_LAUNCH_OUTPUT, kLaunch, nullptr},
};
const std::pair<int, const char*> kSortKeys[] = {
    {IDC_SORT_NAME, "name"},
    {IDC_SORT_EXTENSION, "ext"},
    {IDC_SORT_SIZE, "size"},
    {IDC_SORT_DATE, "date"},
};

// Windows path of a stand-in of this build.
std::string BuiltFile(const char* variable) {
    const std::optional<std::string> path = BuiltFilePath(variable);
    if (!path) {
        ADD_FAILURE() << variable << " is not set";
    }
    return path.value_or("");
}

// What the dialog starts with; it is opened on the folder given as its argument.
struct StartSettings {
    DWORD options = kSubfolders | kFiles;
    DWORD sorting = IDC_SORT_NAME;
    std::string filter = "*.*";
    std::string output;
};

void WriteStartSettings(const StartSettings& settings) {
    DeleteSettings();
    WriteSetting("Options12", NumberValue(settings.options));
    WriteSetting("Sorting12", NumberValue(settings.sorting));
    WriteSetting("Filter", TextValue(settings.filter));
    WriteSetting("Output", TextValue(settings.output));
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// A shown top-level dialog of the process with that title, other than the main dialog (which
// message boxes share their title with); null after 30 s.
HWND WaitForWindow(DWORD process, const char* title) {
    for (int i = 0; i < 1500; ++i) {
        if (HWND window = FindShownDialog(process, title, false)) {
            return window;
        }
        Sleep(20);
    }
    return nullptr;
}

bool WaitUntilGone(HWND window) {
    for (int i = 0; i < 1500 && IsWindow(window); ++i) {
        Sleep(20);
    }
    return !IsWindow(window);
}

// The shown top-level windows of the process.
std::vector<HWND> WindowsOf(DWORD process) {
    std::vector<HWND> windows;
    for (HWND window = GetTopWindow(nullptr); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (ProcessOf(window) == process && IsWindowVisible(window)) {
            windows.push_back(window);
        }
    }
    return windows;
}

// For commands started without waiting: until the watcher has seen count message boxes (at
// most 30 s).
void WaitForBoxes(MessageBoxWatcher& watcher, size_t count) {
    for (int i = 0; i < 1500 && watcher.Shown().size() < count; ++i) {
        Sleep(20);
    }
}

// A click of the left button in the middle of a control, as the mouse delivers it there.
void ClickOn(HWND control) {
    RECT rect;
    GetClientRect(control, &rect);
    const LPARAM middle = MAKELPARAM(rect.right / 2, rect.bottom / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageA(control, WM_LBUTTONUP, 0, middle);
}

// A button pressed without waiting for its command to end: for commands that open a modal
// window.
void PostClick(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

// Controls of the Save As dialog: the file name field (an extended combo box, which takes and
// gives the text of its edit part), the file type list and the folder it shows.
constexpr int kFileNameField = 0x47C;
constexpr int kFileTypeList = 0x470;
constexpr int kFolderShown = 0x471;

// How many entries the Save As dialog lists in its folder view.
int EntriesShown(HWND save_as) {
    HWND view = FindWindowExA(FindWindowExA(save_as, nullptr, "SHELLDLL_DefView", nullptr), nullptr,
                              "SysListView32", nullptr);
    DWORD_PTR count = 0;
    SendMessageTimeoutW(view, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &count);
    return static_cast<int>(count);
}

// A registry key that a test changes: when the test ends, the key has its values back, or it is
// gone with the keys above it that were made for it.
class SavedKey {
  public:
    SavedKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
        for (size_t end = path_.find('\\'); end != std::string::npos;
             end = path_.find('\\', end + 1)) {
            if (!Exists(path_.substr(0, end))) {
                made_.push_back(path_.substr(0, end));
            }
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return;
        }
        existed_ = true;
        for (DWORD index = 0;; ++index) {
            char name[256];
            DWORD name_size = sizeof name;
            char data[2048];
            DWORD size = sizeof data;
            Value value;
            if (RegEnumValueA(key, index, name, &name_size, nullptr, &value.type,
                              reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS) {
                break;
            }
            value.name = name;
            value.bytes.assign(data, size);
            values_.push_back(std::move(value));
        }
        RegCloseKey(key);
    }
    ~SavedKey() {
        RegDeleteKeyA(root_, path_.c_str());
        for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
            RegDeleteKeyA(root_, made->c_str());
        }
        HKEY key = nullptr;
        if (!existed_ || RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                         &key, nullptr) != ERROR_SUCCESS) {
            return;
        }
        for (const Value& value : values_) {
            RegSetValueExA(key, value.name.c_str(), 0, value.type,
                           reinterpret_cast<const BYTE*>(value.bytes.data()),
                           static_cast<DWORD>(value.bytes.size()));
        }
        RegCloseKey(key);
    }
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

    // A text value; the key's default value when name is null.
    void Set(const char* name, const std::string& text) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS)
            << path_;
        const LONG result =
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
        ASSERT_EQ(result, ERROR_SUCCESS) << path_;
    }
    void Remove() {
        const LONG result = RegDeleteKeyA(root_, path_.c_str());
        ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    }

  private:
    struct Value {
        std::string name;
        DWORD type = REG_NONE;
        std::string bytes;
    };

    bool Exists(const std::string& path) const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    HKEY root_;
    std::string path_;
    bool existed_ = false;
    std::vector<std::string> made_;
    std::vector<Value> values_;
};

// A variable of this process's environment, which the program inherits, for one test.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* name_;
};

// The file a stand-in appends its lines to.
class Record {
  public:
    explicit Record(const std::string& test) : path_(Join(MakeTestFolder(test), "record.txt")) {}
    const std::string& Path() const { return path_; }

    // The lines written so far, once there are at least count of them (or after 20 s), and a
    // moment later, so that a line too many shows too.
    std::vector<std::string> Lines(size_t count) const {
        for (int i = 0; i < 1000 && Read().size() < count; ++i) {
            Sleep(20);
        }
        Sleep(300);
        return Read();
    }

  private:
    std::vector<std::string> Read() const {
        std::vector<std::string> lines;
        const std::string text = ReadFileIfPresent(path_).value_or("");
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    std::string path_;
};

// The open command of a file type or a URL scheme, pointed at open_recorder for one test.
class RecordedOpen {
  public:
    RecordedOpen(const std::string& class_key, const Record& record)
        : command_(HKEY_CLASSES_ROOT, class_key + "\\shell\\open\\command") {
        command_.Set(nullptr, "\"" + BuiltFile("SCRIVTREE_OPEN_RECORDER") + "\" \"" +
                                  record.Path() + "\" \"%1\"");
    }

  private:
    SavedKey command_;
};

// The tree the runs list, beside (not inside) the folder of their output files.
struct JobTree {
    std::string root;
    std::string tree = Join(root, "Tree");
    std::string output = Join(root, "out");

    explicit JobTree(const std::string& test) : root(MakeTestFolder(test)) {
        MakeFolder(tree);
        MakeFolder(output);
        WriteTextFile(Join(tree, "alpha.txt"), std::string(10, 'a'));
        WriteTextFile(Join(tree, "beta.log"), std::string(300, 'b'));
        WriteTextFile(Join(tree, "gamma"), "g");
        WriteTextFile(Join(tree, "Delta.TXT"), "");
        MakeFolder(Join(tree, "Docs"));
        WriteTextFile(Join(tree, "Docs\\guide.txt"), std::string(2000, 'g'));
        WriteTextFile(Join(tree, "Docs\\notes.md"), "n");
        MakeFolder(Join(tree, "Docs\\Deep"));
        WriteTextFile(Join(tree, "Docs\\Deep\\x.txt"), "x");
        // Entered last: the folder a run ends in.
        MakeFolder(Join(tree, "Zeta"));
    }
};

// The command line that asks for what the dialog shows.
std::string CommandLineOf(const DialogDriver& dialog, const std::string& start,
                          const std::string& output) {
    std::string arguments = "-path \"" + start + "\" -out \"" + output + "\" -filter \"" +
                            dialog.Text(IDC_FILTER) + "\" -cb";
    for (const OptionBox& box : kOptionBoxes) {
        if (box.flag != nullptr && dialog.Checked(box.id)) {
            arguments += std::string(" ") + box.flag;
        }
    }
    for (const auto& [id, key] : kSortKeys) {
        if (dialog.Checked(id)) {
            return arguments + " -sort " + key;
        }
    }
    ADD_FAILURE() << "no sort radio is checked";
    return arguments;
}

// Brings a box to the state wanted as a user does, by clicking it.
void SetBox(DialogDriver& dialog, int id, bool checked) {
    if (dialog.Checked(id) != checked) {
        dialog.Click(id);
    }
    EXPECT_EQ(dialog.Checked(id), checked) << id;
}

// Presses "&Go!" with the Output File box empty and returns the Save As dialog it opens.
HWND GoToSaveAs(DialogDriver& dialog) {
    EXPECT_EQ(dialog.Text(IDC_OUTPUT_FILE), "");
    PostClick(dialog.Control(IDOK));
    return WaitForWindow(ProcessOf(dialog.Dialog()), "Save As");
}

// Types the path into the file name field and presses Save.
void TypeInSaveAs(HWND save_as, const std::string& path) {
    const std::wstring wide = FromAnsi(path);
    SendMessageW(GetDlgItem(save_as, kFileNameField), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(wide.c_str()));
    PostMessageA(save_as, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(save_as, IDOK)));
}

// Chooses the file: the Save As dialog closes.
void ChooseInSaveAs(HWND save_as, const std::string& path) {
    TypeInSaveAs(save_as, path);
    EXPECT_TRUE(WaitUntilGone(save_as));
}

// Chooses the row of the file type list as a click in its drop-down list does: the selection
// changes, and the choice ends there. Wine's Save As takes the type at the end of the choice.
void ChooseFileType(HWND save_as, int row) {
    HWND types = GetDlgItem(save_as, kFileTypeList);
    SendMessageW(types, CB_SETCURSEL, row, 0);
    for (const WORD notification : {CBN_SELCHANGE, CBN_SELENDOK}) {
        SendMessageW(save_as, WM_COMMAND, MAKEWPARAM(kFileTypeList, notification),
                     reinterpret_cast<LPARAM>(types));
    }
}

int FileTypeShown(HWND save_as) {
    return static_cast<int>(SendMessageW(GetDlgItem(save_as, kFileTypeList), CB_GETCURSEL, 0, 0));
}

// ---- "&Go!" with an output path -------------------------------------------------------------

struct GoCase {
    DWORD options;
    int sort_radio;
    const char* filter;
    // The dialog's encoding: UTF-8 once chosen as the file type in Save As.
    bool utf8 = false;
    // The output file's extension, which picks the format, and the command line's option for it.
    const char* extension = ".txt";
    const char* format_option = "";
};

TEST(DialogGo, ListsTheCurrentFolderWithTheOptionsShownAsTheCommandLineDoes) {
    const JobTree tree("go");
    // Names the code page cannot hold, which the code page and UTF-8 write apart.
    MakeFolder(LongPath(tree.tree) + L"\\" + FromUtf8("Łódź"));
    WriteTextFile(LongPath(tree.tree) + L"\\" + FromUtf8("日本語.txt"), "ja");
    WriteStartSettings({});
    DialogDriver dialog(tree.tree, tree.root);
    ASSERT_TRUE(dialog.WaitForDialog());
    // The user cannot type into the Output File box; the test sets its text as the program does.
    EXPECT_NE(GetWindowLongA(dialog.Control(IDC_OUTPUT_FILE), GWL_STYLE) & ES_READONLY, 0);
    const GoCase cases[] = {
        {kSubfolders | kFiles | kInformation | kExtensions, IDC_SORT_SIZE, "*.*"},
        {kFiles | kFullPaths | kTitles | kTabs | kInformation, IDC_SORT_EXTENSION, "*.* * | *.log"},
        {kSubfolders | kFiles | kFullPaths | kExtensions, IDC_SORT_DATE, "*.txt gamma"},
        {kSubfolders | kTitles, IDC_SORT_NAME, "*.*"},
        {kSubfolders | kFiles | kTitles | kTabs, IDC_SORT_SIZE, "*.txt gamma", false, ".csv",
         " -csv"},
        {kSubfolders | kFiles | kFullPaths, IDC_SORT_DATE, "*.* | *.log", false, ".Html", " -html"},
        // Last: the dialog keeps its encoding.
        {kSubfolders | kFiles | kInformation | kExtensions, IDC_SORT_NAME, "*.*", true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const GoCase& job = cases[i];
        for (const OptionBox& box : kOptionBoxes) {
            SetBox(dialog, box.id, (job.options & box.bit) != 0);
        }
        dialog.Click(job.sort_radio);
        dialog.SetText(IDC_FILTER, job.filter);
        const std::string by_dialog =
            Join(tree.output, "dialog" + std::to_string(i) + job.extension);
        const std::string by_command =
            Join(tree.output, "command" + std::to_string(i) + job.extension);
        dialog.SetText(IDC_OUTPUT_FILE, job.utf8 ? "" : by_dialog);

        std::vector<ShownMessage> command_messages;
        {
            MessageBoxWatcher watcher;
            EXPECT_EQ(RunScrivtree(CommandLineOf(dialog, tree.tree, by_command) +
                                       (job.utf8 ? " -u" : "") + job.format_option,
                                   tree.root),
                      0u);
            command_messages = watcher.Shown();
        }
        MessageBoxWatcher watcher;
        if (job.utf8) {
            HWND save_as = GoToSaveAs(dialog);
            ASSERT_NE(save_as, nullptr);
            ChooseFileType(save_as, 1);
            ChooseInSaveAs(save_as, by_dialog);
        } else {
            dialog.Click(IDOK);
        }
        WaitForBoxes(watcher, 1);
        EXPECT_TRUE(dialog.WaitForRunEnd());
        ASSERT_EQ(command_messages.size(), 1u);
        ShownMessage expected = command_messages[0];
        expected.text.replace(expected.text.find(by_command), by_command.size(), by_dialog);
        EXPECT_EQ(watcher.Shown(), std::vector<ShownMessage>{expected});
        const std::string listing = ReadWholeFile(by_dialog);
        EXPECT_FALSE(listing.empty());
        EXPECT_EQ(listing, ReadWholeFile(by_command));
        EXPECT_EQ(listing.find("日本語.txt") != std::string::npos,
                  job.utf8 || job.format_option[0] != '\0');
    }
    EXPECT_EQ(dialog.Text(IDC_OUTPUT_FILE),
              Join(tree.output, "dialog" + std::to_string(std::size(cases) - 1) + ".txt"));
}

// The run enters every listed folder; afterwards the process is back in the dialog's folder,
// so no listed folder stays held as its current directory.
TEST(DialogGo, LeavesNoListedFolderHeld) {
    const JobTree tree("go-held");
    const std::string last_entered = Join(tree.tree, "Zeta");
    {
        // A folder the program stands in cannot be removed: what the test below relies on.
        WriteStartSettings({});
        DialogDriver dialog(last_entered, tree.root);
        ASSERT_TRUE(dialog.WaitForDialog());
        ASSERT_FALSE(RemoveDirectoryA(last_entered.c_str()));
    }
    WriteStartSettings({kSubfolders | kFiles, IDC_SORT_NAME, "*.*", Join(tree.output, "l.txt")});
    DialogDriver dialog(tree.tree, tree.root);
    ASSERT_TRUE(dialog.WaitForDialog());
    MessageBoxWatcher watcher;
    dialog.Click(IDOK);
    WaitForBoxes(watcher, 1);
    EXPECT_TRUE(dialog.WaitForRunEnd());
    EXPECT_EQ(watcher.Messages(),
              std::vector<std::string>{Summary(6, 4, Join(tree.output, "l.txt"))});
    EXPECT_TRUE(RemoveDirectoryA(last_entered.c_str())) << GetLastError();
}

// ---- "&Go!" without an output path: the Save As dialog ----------------------------------

TEST(DialogGo, AsksForTheOutputFileProposingTheFolderNameAndRunsWithTheChoice) {
    const JobTree tree("go-save-as");
    WriteStartSettings({kSubfolders | kFiles, IDC_SORT_NAME, "*.*", ""});
    DialogDriver dialog(tree.tree, tree.root);
    ASSERT_TRUE(dialog.WaitForDialog());
    MessageBoxWatcher watcher;

    HWND save_as = GoToSaveAs(dialog);
    ASSERT_NE(save_as, nullptr);
    EXPECT_EQ(ReadShownText(GetDlgItem(save_as, kFileNameField)), "Tree.txt");
    // Four types of file, the code page's text first, which lists the folders and the files
    // ending in .txt: of the six entries of the tree, Docs, Zeta, alpha.txt and Delta.TXT. A
    // folder typed as the name is opened in the dialog.
    EXPECT_EQ(ComboRowsOf(GetDlgItem(save_as, kFileTypeList)),
              (std::vector<std::string>{"Text file (*.txt)", "Text file, UTF-8 (*.txt)",
                                        "CSV for spreadsheets (*.csv)", "Web page (*.html)"}));
    TypeInSaveAs(save_as, tree.tree);
    for (int i = 0; i < 500 && ReadWindowText(GetDlgItem(save_as, kFolderShown)) != "Tree"; ++i) {
        Sleep(20);
    }
    EXPECT_EQ(EntriesShown(save_as), 4);
    PostMessageA(save_as, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntilGone(save_as));
    // A message box the cancel led to would disable the dialog.
    EXPECT_EQ(dialog.Text(IDC_OUTPUT_FILE), "");
    EXPECT_TRUE(IsWindowEnabled(dialog.Dialog()));
    EXPECT_TRUE(watcher.Messages().empty());
    EXPECT_FALSE(FileExists(Join(tree.tree, "Tree.txt")));

    save_as = GoToSaveAs(dialog);
    ASSERT_NE(save_as, nullptr);
    const std::string chosen = Join(tree.output, "chosen.txt");
    ChooseInSaveAs(save_as, chosen);
    WaitForBoxes(watcher, 1);
    EXPECT_EQ(watcher.Messages(), std::vector<std::string>{Summary(6, 4, chosen)});
    EXPECT_EQ(dialog.Text(IDC_OUTPUT_FILE), chosen);
    EXPECT_TRUE(FileExists(chosen));
}

// The file type chosen in Save As is remembered at Exit and offered at the next start, with
// its extension on the proposed name; a name typed without extension gets the extension of the
// type chosen. A text type sets the encoding, CSV and the web page leave it.
TEST(DialogGo, SaveAsFileTypeChosenIsRememberedAndGivesItsExtensionAndEncoding) {
    const JobTree tree("go-file-type");
    const std::string byte_order_mark = "\xEF\xBB\xBF";
    WriteStartSettings({kSubfolders | kFiles, IDC_SORT_NAME, "*.*", ""});
    const struct {
        int row;
        std::string extension;
        DWORD encoding;
        // How the file begins: with UTF-8's byte-order mark or not, then its first line.
        std::string begins;
    } choices[] = {
        {1, ".txt", 1, byte_order_mark + "Tree\r\n"},
        {2, ".csv", 1, byte_order_mark + "Folder"},
        {3, ".html", 1, "<!DOCTYPE html>"},
        {0, ".txt", 0, "Tree\r\n"},
    };
    int offered = 0;
    std::string offered_extension = ".txt";
    for (const auto& choice : choices) {
        SCOPED_TRACE(choice.row);
        WriteSetting("Output", TextValue(""));
        DialogDriver dialog(tree.tree, tree.root);
        ASSERT_TRUE(dialog.WaitForDialog());
        MessageBoxWatcher watcher;
        HWND save_as = GoToSaveAs(dialog);
        ASSERT_NE(save_as, nullptr);
        EXPECT_EQ(FileTypeShown(save_as), offered);
        EXPECT_EQ(ReadShownText(GetDlgItem(save_as, kFileNameField)), "Tree" + offered_extension);
        ChooseFileType(save_as, choice.row);
        const std::string typed = Join(tree.output, "type" + std::to_string(choice.row));
        ChooseInSaveAs(save_as, typed);
        const std::string chosen = typed + choice.extension;
        WaitForBoxes(watcher, 1);
        EXPECT_EQ(watcher.Messages(), std::vector<std::string>{Summary(6, 4, chosen)});
        EXPECT_EQ(dialog.Text(IDC_OUTPUT_FILE), chosen);
        EXPECT_EQ(ReadFileIfPresent(chosen).value_or("").rfind(choice.begins, 0), 0u);
        dialog.Click(IDC_EXIT);
        EXPECT_EQ(dialog.WaitForExit(), 0u);
        EXPECT_EQ(ReadSetting("File Type"), NumberValue(choice.row));
        EXPECT_EQ(ReadSetting("Encoding"), NumberValue(choice.encoding));
        offered = choice.row;
        offered_extension = choice.extension;
    }
}

TEST(DialogGo, EmptyFilterIsRefusedAfterTheChoiceOfTheOutputFile) {
    const JobTree tree("go-empty-filter");
    for (const char* filter : {"", " \t  "}) {
        SCOPED_TRACE(std::string("filter \"") + filter + "\"");
        WriteStartSettings({kSubfolders | kFiles, IDC_SORT_NAME, filter, ""});
        DialogDriver dialog(tree.tree, tree.root);
        ASSERT_TRUE(dialog.WaitForDialog());
        MessageBoxWatcher watcher;
        HWND save_as = GoToSaveAs(dialog);
        ASSERT_NE(save_as, nullptr);
        EXPECT_TRUE(watcher.Shown().empty());
        const std::string chosen = Join(tree.output, "refused.txt");
        ChooseInSaveAs(save_as, chosen);
        const ShownMessage refusal{kEmptyFilter, {IDOK}, BoxIcon::Error};
        WaitForBoxes(watcher, 1);
        EXPECT_EQ(watcher.Shown(), std::vector<ShownMessage>{refusal});
        EXPECT_EQ(dialog.Text(IDC_OUTPUT_FILE), chosen);
        EXPECT_FALSE(FileExists(chosen));
    }
}

// ---- Enter and Escape ---------------------------------------------------------------------

int ItemIndex(const DialogDriver& dialog, const std::string& text) {
    const std::vector<ListItem> items = dialog.ListItems(IDC_FOLDER_LIST);
    for (size_t i = 0; i < items.size(); ++i) {
        if (lstrcmpiA(items[i].text.c_str(), text.c_str()) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TEST(DialogKeys, EnterOpensTheFolderInTheFolderListRunsElsewhereAndEscapeDoesNothing) {
    const JobTree tree("keys");
    const std::string output = Join(tree.output, "keys.txt");
    WriteStartSettings({kSubfolders | kFiles, IDC_SORT_NAME, "*.*", output});
    DialogDriver dialog(tree.tree, tree.root);
    ASSERT_TRUE(dialog.WaitForDialog());
    MessageBoxWatcher watcher;
    const std::vector<ListItem> at_start = dialog.ListItems(IDC_FOLDER_LIST);

    dialog.PressEscape();
    EXPECT_TRUE(IsWindowVisible(dialog.Dialog()));
    EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST), at_start);

    const int docs = ItemIndex(dialog, "Docs");
    ASSERT_GE(docs, 0);
    dialog.EnterOnListItem(IDC_FOLDER_LIST, docs, EnterBy::ReturnKey);
    EXPECT_GE(ItemIndex(dialog, "Deep"), 0);
    EXPECT_LT(ItemIndex(dialog, "Zeta"), 0);
    EXPECT_TRUE(watcher.Messages().empty());
    EXPECT_FALSE(FileExists(output));

    dialog.PressKey(IDC_FILTER, VK_RETURN);
    WaitForBoxes(watcher, 1);
    EXPECT_EQ(watcher.Messages(), std::vector<std::string>{Summary(3, 2, output)});
    EXPECT_EQ(ReadWholeFile(output).substr(0, 12), "Docs\r\n====\r\n");
}

// ---- "&Launch Output File" --------------------------------------------------------------

// The shell is asked to open the output file after every run, a failed one too, but not after
// a refusal. Wine's shell opens only a file that exists: the refused file is there from the
// start, and for the failed create the missing folder and the file are made while the failure
// is shown, after the create and before the launch.
TEST(DialogLaunch, OpensTheOutputFileWithItsProgramAfterEveryRunButNotAfterARefusal) {
    const JobTree tree("launch");
    const Record record("launch-record");
    std::list<SavedKey> extensions;
    for (const char* extension : {".scrivtest", ".csv", ".html"}) {
        extensions.emplace_back(HKEY_CLASSES_ROOT, extension);
        extensions.back().Set(nullptr, "ScrivtreeTest.Listing");
    }
    const RecordedOpen open("ScrivtreeTest.Listing", record);
    WriteStartSettings({kSubfolders | kFiles | kLaunch, IDC_SORT_NAME, "*.*", ""});
    DialogDriver dialog(tree.tree, tree.root);
    ASSERT_TRUE(dialog.WaitForDialog());
    const DWORD process = ProcessOf(dialog.Dialog());

    struct Step {
        std::string output;
        const char* filter;
        std::string message;
        bool opened;
    };
    const std::string list = Join(tree.output, "list.scrivtest");
    const std::string missing_folder = Join(tree.output, "missing");
    const std::string failed = Join(missing_folder, "failed.scrivtest");
    const std::string refused = Join(tree.output, "refused.scrivtest");
    WriteTextFile(refused, "");
    const std::string after = Join(tree.output, "after.scrivtest");
    const std::string csv = Join(tree.output, "list.csv");
    const std::string page = Join(tree.output, "list.html");
    const Step steps[] = {
        {list, "*.*", Summary(6, 4, list), true},
        // A spreadsheet's CSV and a web page are opened as well.
        {csv, "*.*", Summary(6, 4, csv), true},
        {page, "*.*", Summary(6, 4, page), true},
        {failed, "*.*", kCannotCreate, true},
        {refused, " ", kEmptyFilter, false},
        {after, "*.txt", Summary(4, 4, after), true},
    };
    std::vector<std::string> opened;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.output);
        dialog.SetText(IDC_OUTPUT_FILE, step.output);
        dialog.SetText(IDC_FILTER, step.filter);
        PostClick(dialog.Control(IDOK));
        // Left up for the test to answer, where MessageBoxWatcher would answer it at once.
        HWND box = WaitForWindow(process, SCRIVTREE_PROGRAM_TITLE);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(ReadShownText(GetDlgItem(box, 0xFFFF)), step.message);
        if (step.output == failed) {
            MakeFolder(missing_folder);
            WriteTextFile(failed, "");
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(box));
        if (step.opened) {
            opened.push_back(step.output);
        }
        EXPECT_EQ(record.Lines(opened.size()), opened);
    }
}

// ---- "&Help" --------------------------------------------------------------------------------

TEST(DialogHelp, CallsTheRegisteredEngineByOrdinalWithTheHelpFileBesideTheProgram) {
    const Record record("help-record");
    const ScopedVariable record_path("SCRIVTREE_HELP_RECORD", record.Path());
    SavedKey control(HKEY_CLASSES_ROOT, kHelpControlKey);
    control.Set(nullptr, BuiltFile("SCRIVTREE_HELP_RECORDER"));
    const std::string folder = MakeTestFolder("help");
    WriteStartSettings({});
    DialogDriver dialog(folder, folder);
    ASSERT_TRUE(dialog.WaitForDialog());

    // The engine records the path in UTF-8, the program's folder may hold any letter, and the
    // help file must be there.
    const std::string program = ScrivtreePath();
    const std::string help_file = program.substr(0, program.rfind('\\')) + "\\Scrivtree.chm";
    EXPECT_TRUE(FileExists(help_file)) << help_file;
    const std::string line =
        "window=" + std::to_string(reinterpret_cast<uintptr_t>(dialog.Dialog())) +
        " file=" + ToUtf8(FromAnsi(help_file)) + " command=1 data=0" +
        // The engine is a library of the program's own width.
        " bits=" + std::to_string(sizeof(void*) * 8);
    dialog.Click(IDC_HELP_BUTTON);
    EXPECT_EQ(record.Lines(1), std::vector<std::string>{line});
    dialog.Click(IDC_HELP_BUTTON);
    EXPECT_EQ(record.Lines(2), std::vector<std::string>(2, line));
}

TEST(DialogHelp, WithoutAnEngineDoesNothingAgainAndAgain) {
    SavedKey control(HKEY_CLASSES_ROOT, kHelpControlKey);
    control.Remove();
    // Wine's own engine, which the program loads by name when the registry names none, is
    // switched off for the program. A child of a Wine process takes WINEDLLOVERRIDES from the
    // environment Wine was started with, not from its parent's: the program's own overrides
    // in Wine's registry do it instead.
    SavedKey overrides(HKEY_CURRENT_USER,
                       "Software\\Wine\\AppDefaults\\Scrivtree.exe\\DllOverrides");
    overrides.Set("hhctrl.ocx", "");
    const std::string folder = MakeTestFolder("no-help");
    WriteStartSettings({});
    DialogDriver dialog(folder, folder);
    ASSERT_TRUE(dialog.WaitForDialog());
    const DWORD process = ProcessOf(dialog.Dialog());

    for (int press = 0; press < 2; ++press) {
        dialog.Click(IDC_HELP_BUTTON);
        EXPECT_EQ(WindowsOf(process), std::vector<HWND>{dialog.Dialog()});
        EXPECT_EQ(dialog.WaitForExit(0), std::nullopt);
    }
    EXPECT_EQ(ReadWindowText(dialog.Dialog()), SCRIVTREE_PROGRAM_TITLE);
}

// ---- The banner and the dialog's size -------------------------------------------------------

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

HWND FindBanner(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char class_name[16] = "";
        GetClassNameA(child, class_name, sizeof class_name);
        if (lstrcmpiA(class_name, "Static") == 0 && GetDlgCtrlID(child) == 0 &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
            return child;
        }
    }
    return nullptr;
}

RECT Size(int width, int height, DWORD extended_style) {
    RECT rect = {100, 100, 100 + width, 100 + height};
    AdjustWindowRectEx(&rect, 0, FALSE, extended_style);
    return {0, 0, rect.right - rect.left, rect.bottom - rect.top};
}

TEST(DialogBanner, DialogGrowsByTheBannerWhichSitsCentredBelowTheControls) {
    // The template as the dialog manager places it, made here from the same resources.
    HWND plain = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                    PlainDialogProc, 0);
    ASSERT_NE(plain, nullptr);
    RECT as_template;
    GetWindowRect(plain, &as_template);
    DestroyWindow(plain);
    const RECT banner_size = Size(350, 40, WS_EX_CLIENTEDGE);
    const int w = banner_size.right;
    const int h = banner_size.bottom;

    const std::string folder = MakeTestFolder("banner");
    WriteStartSettings({});
    DialogDriver dialog(folder, folder);
    ASSERT_TRUE(dialog.WaitForDialog());
    RECT shown;
    GetWindowRect(dialog.Dialog(), &shown);
    EXPECT_EQ(shown.left, as_template.left);
    EXPECT_EQ(shown.right, as_template.right);
    EXPECT_EQ(shown.top, as_template.top - h / 2);
    EXPECT_EQ(shown.bottom - shown.top, as_template.bottom - as_template.top + h + 7);

    HWND banner = FindBanner(dialog.Dialog());
    ASSERT_NE(banner, nullptr);
    RECT client;
    GetClientRect(dialog.Dialog(), &client);
    RECT place;
    GetWindowRect(banner, &place);
    MapWindowPoints(nullptr, dialog.Dialog(), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, (client.right - w) / 2 - 4);
    EXPECT_EQ(place.top, client.bottom - h - 7);
    // The whole bitmap inside the banner's edge.
    const RECT edged = Size(350, 40, WS_EX_STATICEDGE);
    EXPECT_EQ(place.right - place.left, edged.right);
    EXPECT_EQ(place.bottom - place.top, edged.bottom);
    RECT inside;
    GetClientRect(banner, &inside);
    EXPECT_EQ(inside.right, 350);
    EXPECT_EQ(inside.bottom, 40);
    EXPECT_EQ(GetWindowLongA(banner, GWL_STYLE) & (SS_NOTIFY | WS_TABSTOP), SS_NOTIFY);
    EXPECT_EQ(GetWindowLongA(banner, GWL_EXSTYLE) & WS_EX_STATICEDGE, WS_EX_STATICEDGE);
}

// ---- The About box and the links ------------------------------------------------------------

struct AboutText {
    int id;
    const char* text;
    bool link;
};

const AboutText kAboutTexts[] = {
    {IDC_ABOUT_TITLE, "S c r i v t r e e   1 . 4", false},
    {IDC_ABOUT_WEB_LABEL, "WWW:", false},
    {IDC_ABOUT_WEB_FIRST, "http://example.org/scrivtree/", true},
    {IDC_ABOUT_WEB_OR, "or:", false},
    {IDC_ABOUT_WEB_SECOND, "http://scrivtree.example.com/", true},
    {IDC_ABOUT_MAIL_LABEL, "E-Mail:", false},
    {IDC_ABOUT_MAIL_FIRST, "mailto:scrivtree@example.org", true},
    {IDC_ABOUT_MAIL_OR, "or:", false},
    {IDC_ABOUT_MAIL_SECOND, "mailto:hi@example.net", true},
    {IDOK, "OK", false},
};

HWND OpenAboutBox(const DialogDriver& dialog) {
    PostMessageA(dialog.Dialog(), WM_SYSCOMMAND, IDM_ABOUT, 0);
    return WaitForWindow(ProcessOf(dialog.Dialog()), "About Scrivtree");
}

TEST(AboutBox, ShowsTheProgramAndItsLinksAndOkClosesIt) {
    const std::string folder = MakeTestFolder("about");
    WriteStartSettings({});
    DialogDriver dialog(folder, folder);
    ASSERT_TRUE(dialog.WaitForDialog());
    HWND about = OpenAboutBox(dialog);
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(IsWindowEnabled(dialog.Dialog()));
    for (const AboutText& shown : kAboutTexts) {
        EXPECT_EQ(ReadShownText(GetDlgItem(about, shown.id)), shown.text);
        // Only the links report clicks.
        if (shown.id != IDOK) {
            EXPECT_EQ((GetWindowLongA(GetDlgItem(about, shown.id), GWL_STYLE) & SS_NOTIFY) != 0,
                      shown.link)
                << shown.text;
        }
    }
    SendMessageTimeoutW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, nullptr);
    EXPECT_TRUE(WaitUntilGone(about));
    EXPECT_TRUE(IsWindowEnabled(dialog.Dialog()));
}

TEST(AboutBox, LinksAndTheBannerOpenTheirAddressesTheOtherTextsNothing) {
    const Record record("links-record");
    const RecordedOpen web("http", record);
    const RecordedOpen mail("mailto", record);
    const std::string folder = MakeTestFolder("links");
    WriteStartSettings({});
    DialogDriver dialog(folder, folder);
    ASSERT_TRUE(dialog.WaitForDialog());

    std::vector<std::string> opened = {"http://example.org/scrivtree/"};
    ClickOn(FindBanner(dialog.Dialog()));
    EXPECT_EQ(record.Lines(opened.size()), opened);

    HWND about = OpenAboutBox(dialog);
    ASSERT_NE(about, nullptr);
    for (const AboutText& shown : kAboutTexts) {
        if (shown.id == IDOK) {
            continue;
        }
        SCOPED_TRACE(shown.text);
        ClickOn(GetDlgItem(about, shown.id));
        if (shown.link) {
            opened.push_back(shown.text);
        }
        EXPECT_EQ(record.Lines(opened.size()), opened);
        EXPECT_TRUE(IsWindowVisible(about));
    }
    // OK closes the box and opens nothing.
    PostClick(GetDlgItem(about, IDOK));
    EXPECT_TRUE(WaitUntilGone(about));
    EXPECT_EQ(record.Lines(opened.size()), opened);
}

} // namespace

// ---- A long run: progress, Stop ------------------------------------------------------------

// 100 folders of 3,000 files each, which CTest has the shell make before the tests: a run long
// enough to watch.
std::string LongRunTree() {
    return BuiltFile("SCRIVTREE_LONG_RUN_TREE");
}

// The counts of a running dialog's title, such as "Scrivtree 1.4 - 12,345 files, 678 folders";
// nothing for any other title.
std::optional<std::pair<long, long>> TitleCounts(HWND dialog) {
    std::string title = ReadWindowText(dialog);
    const std::string prefix = SCRIVTREE_PROGRAM_TITLE " - ";
    if (title.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    title.erase(std::remove(title.begin(), title.end(), ','), title.end());
    long files = -1;
    long folders = -1;
    char rest[16] = "";
    if (std::sscanf(title.c_str() + prefix.size(), "%ld files %ld folder%15s", &files, &folders,
                    rest) != 3 ||
        std::string(rest) != "s") {
        return std::nullopt;
    }
    return std::make_pair(files, folders);
}

// Whether the dialog answers a message within 250 ms.
bool Answers(HWND dialog) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 250, &result) != 0;
}

// Waits while the run goes on until its title shows at least files files; false when the run
// ended first or the dialog did not answer within 250 ms.
bool WaitForProgress(const DialogDriver& dialog, long files) {
    for (int i = 0; i < 3000; ++i) {
        if (!Answers(dialog.Dialog())) {
            return false;
        }
        const auto counts = TitleCounts(dialog.Dialog());
        if (counts && counts->first >= files) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

// Whole lines of the listing: (file lines, sections); false when it ends inside a line. The
// tree's files are the names that begin with f.
std::optional<std::pair<long, long>> ListedCounts(const std::string& listing) {
    if (listing.size() < 2 || listing.compare(listing.size() - 2, 2, "\r\n") != 0) {
        return std::nullopt;
    }
    long files = 0;
    long sections = 0;
    for (size_t start = 0, end; (end = listing.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        const std::string line = listing.substr(start, end - start);
        files += line.rfind('f', 0) == 0 ? 1 : 0;
        sections += !line.empty() && line.find_first_not_of('=') == std::string::npos ? 1 : 0;
    }
    return std::make_pair(files, sections);
}

TEST(DialogLongRun, ShowsGrowingCountsAnswersThroughoutAndEndsAsToday) {
    const std::string output = Join(MakeTestFolder("long-run-whole"), "whole.txt");
    WriteStartSettings({kSubfolders | kFiles | kExtensions | kInformation | kFullPaths,
                        IDC_SORT_NAME, "*.*", output});
    DialogDriver dialog(LongRunTree(), LongRunTree());
    ASSERT_TRUE(dialog.WaitForDialog());
    MessageBoxWatcher watcher;
    dialog.Click(IDOK);
    // The title counts from the progress timer's first tick on, a quarter of a second later.
    EXPECT_EQ(dialog.Text(IDOK), "&Stop");
    EXPECT_TRUE(IsWindowEnabled(dialog.Control(IDOK)));
    for (const int id : {IDC_EXIT, IDC_BROWSE, IDC_FOLDER_LIST, IDC_FILTER, IDC_SORT_DATE}) {
        EXPECT_FALSE(IsWindowEnabled(dialog.Control(id))) << id;
    }
    std::vector<long> seen;
    for (int i = 0; i < 6000 && watcher.Shown().empty(); ++i) {
        ASSERT_TRUE(Answers(dialog.Dialog()));
        const auto counts = TitleCounts(dialog.Dialog());
        if (counts && (seen.empty() || counts->first > seen.back())) {
            seen.push_back(counts->first);
        }
        Sleep(20);
    }
    EXPECT_GE(seen.size(), 2u);
    EXPECT_EQ(watcher.Messages(), std::vector<std::string>{Summary(300000, 101, output)});
    EXPECT_TRUE(dialog.WaitForRunEnd());
    EXPECT_EQ(dialog.Text(IDOK), "&Go!");
    EXPECT_TRUE(IsWindowEnabled(dialog.Control(IDC_FOLDER_LIST)));
}

// Stopped by the button and by Escape: the file holds whole lines, the message counts them, and
// the output file is not opened although "&Launch Output File" is checked.
TEST(DialogLongRun, StopKeepsTheWholeLinesWrittenAndSaysHowFarItCame) {
    const Record record("long-run-record");
    SavedKey extension(HKEY_CLASSES_ROOT, ".scrivtest");
    extension.Set(nullptr, "ScrivtreeTest.Listing");
    const RecordedOpen open("ScrivtreeTest.Listing", record);
    const std::string folder = MakeTestFolder("long-run-stop");
    for (const bool by_escape : {false, true}) {
        SCOPED_TRACE(by_escape ? "Escape" : "Stop");
        const std::string output = Join(folder, by_escape ? "escape.scrivtest" : "stop.scrivtest");
        WriteStartSettings({kSubfolders | kFiles | kExtensions | kInformation | kLaunch,
                            IDC_SORT_NAME, "*.*", output});
        DialogDriver dialog(LongRunTree(), LongRunTree());
        ASSERT_TRUE(dialog.WaitForDialog());
        MessageBoxWatcher watcher;
        dialog.Click(IDOK);
        ASSERT_TRUE(WaitForProgress(dialog, 2000));
        if (by_escape) {
            dialog.PressEscape();
        } else {
            dialog.Click(IDOK);
        }
        WaitForBoxes(watcher, 1);
        EXPECT_TRUE(dialog.WaitForRunEnd());
        const auto listed = ListedCounts(ReadWholeFile(output));
        ASSERT_TRUE(listed);
        EXPECT_LT(listed->first, 300000);
        const ShownMessage stopped{"Listing stopped after " + std::to_string(listed->first) +
                                       " file(s) of " + std::to_string(listed->second) +
                                       " folder(s).\nThe part written so far is in \"" + output +
                                       "\"",
                                   {IDOK},
                                   BoxIcon::Information};
        EXPECT_EQ(watcher.Shown(), std::vector<ShownMessage>{stopped});
        dialog.Click(IDC_EXIT);
        EXPECT_EQ(dialog.WaitForExit(), 0u);
    }
    EXPECT_TRUE(record.Lines(0).empty());
}

// "E&xit" waits with the other controls; the close box in the title bar stays.
TEST(DialogLongRun, ClosingTheWindowDuringARunStopsItThenSavesTheSettings) {
    const std::string output = Join(MakeTestFolder("long-run-exit"), "exit.txt");
    WriteStartSettings({kSubfolders | kFiles | kInformation, IDC_SORT_NAME, "*.*", output});
    DialogDriver dialog(LongRunTree(), LongRunTree());
    ASSERT_TRUE(dialog.WaitForDialog());
    MessageBoxWatcher watcher;
    dialog.SetText(IDC_FILTER, "*.txt");
    dialog.Click(IDOK);
    ASSERT_TRUE(WaitForProgress(dialog, 2000));
    dialog.CloseBox();
    EXPECT_EQ(dialog.WaitForExit(), 0u);
    ASSERT_EQ(watcher.Shown().size(), 1u);
    EXPECT_EQ(watcher.Shown()[0].text.rfind("Listing stopped after ", 0), 0u);
    EXPECT_EQ(ReadSetting("Filter"), TextValue("*.txt"));
}

// The run's message comes once the dialog is back as before the run, and from the dialog's own
// thread: while it is up the dialog is disabled, and once it closes the dialog takes commands
// again at once. For a run that ends, one that is stopped, and one whose output file cannot be
// created.
TEST(DialogRunEnd, TheMessageDisablesTheDialogWhichIsBackWhenItCloses) {
    const JobTree tree("run-end");
    const struct {
        const char* name;
        std::string start;
        std::string output;
        bool stop;
        std::string message;
    } ends[] = {
        {"written", tree.tree, Join(tree.output, "written.txt"), false,
         Summary(6, 4, Join(tree.output, "written.txt"))},
        {"stopped", LongRunTree(), Join(tree.output, "stopped.txt"), true,
         "Listing stopped after "},
        {"cannot create", tree.tree, Join(tree.output, "missing\\list.txt"), false, kCannotCreate},
    };
    for (const auto& end : ends) {
        SCOPED_TRACE(end.name);
        WriteStartSettings({kSubfolders | kFiles, IDC_SORT_NAME, "*.*", end.output});
        DialogDriver dialog(end.start, end.start);
        ASSERT_TRUE(dialog.WaitForDialog());
        dialog.Click(IDOK);
        if (end.stop) {
            ASSERT_TRUE(WaitForProgress(dialog, 2000));
            dialog.Click(IDOK);
        }
        HWND box = WaitForWindow(ProcessOf(dialog.Dialog()), SCRIVTREE_PROGRAM_TITLE);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(ReadShownText(GetDlgItem(box, 0xFFFF)).rfind(end.message, 0), 0u);
        EXPECT_FALSE(IsWindowEnabled(dialog.Dialog()));
        EXPECT_EQ(ReadWindowText(dialog.Dialog()), SCRIVTREE_PROGRAM_TITLE);
        EXPECT_EQ(dialog.Text(IDOK), "&Go!");
        EXPECT_TRUE(IsWindowEnabled(dialog.Control(IDC_EXIT)));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(box));
        bool back = false;
        for (int i = 0; i < 25 && !back; ++i) {
            back = IsWindowEnabled(dialog.Dialog()) && Answers(dialog.Dialog());
            if (!back) {
                Sleep(10);
            }
        }
        EXPECT_TRUE(back);
        dialog.Click(IDC_EXIT);
        EXPECT_EQ(dialog.WaitForExit(), 0u);
    }
}
