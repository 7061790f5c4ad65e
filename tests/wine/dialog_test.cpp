// The real program's main dialog, driven through window messages as a user drives it: the
// settings it starts with and keeps, the folder list, the drive list and the keys it ignores.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/test_support.h"

namespace {

constexpr DWORD kSubfolderMark = 0xFFFF;

// The option boxes and their bits in Options12.
const std::pair<int, DWORD> kOptionBoxes[] = {
    {IDC_INCLUDE_SUBFOLDERS, 0x01},   {IDC_INCLUDE_FILES, 0x02},    {IDC_FULL_PATHS, 0x04},
    {IDC_FULL_PATHS_IN_TITLES, 0x08}, {IDC_FULL_INFORMATION, 0x10}, {IDC_USE_TABS, 0x20},
    {IDC_INCLUDE_EXTENSIONS, 0x40},   {IDC_LAUNCH_OUTPUT, 0x80},
};
const int kSortRadios[] = {IDC_SORT_NAME, IDC_SORT_EXTENSION, IDC_SORT_SIZE, IDC_SORT_DATE};

DWORD OptionsShown(const DialogDriver& dialog) {
    DWORD options = 0;
    for (const auto& [id, bit] : kOptionBoxes) {
        options |= dialog.Checked(id) ? bit : 0;
    }
    return options;
}

std::vector<int> SortRadiosChecked(const DialogDriver& dialog) {
    std::vector<int> checked;
    for (int id : kSortRadios) {
        if (dialog.Checked(id)) {
            checked.push_back(id);
        }
    }
    return checked;
}

// What the folder list shows for a folder: its path components, 8 pixels deeper each, with their
// offsets in the path, then the sub-folders one level deeper than the last component.
std::vector<ListItem> FolderItems(const std::string& folder,
                                  const std::vector<std::string>& subfolders) {
    std::vector<ListItem> items;
    DWORD indent = 0;
    for (size_t start = 0; start < folder.size(); indent += 8) {
        const size_t end = std::min(folder.find('\\', start), folder.size());
        items.push_back({folder.substr(start, end - start), indent << 16 | DWORD(start)});
        start = end + 1;
    }
    for (const std::string& name : subfolders) {
        items.push_back({name, indent << 16 | kSubfolderMark});
    }
    return items;
}

// The row of the combo box whose text begins with the drive's letter and colon.
int DriveRow(const DialogDriver& dialog, char letter) {
    const std::vector<std::string> rows = dialog.ComboRows(IDC_DRIVE_LIST);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].rfind(std::string{letter, ':'}, 0) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Opens an item of the folder list with a double-click, or with Enter when it is given.
void OpenFolderItem(DialogDriver& dialog, int index, std::optional<EnterBy> enter) {
    if (enter) {
        dialog.EnterOnListItem(IDC_FOLDER_LIST, index, *enter);
    } else {
        dialog.DoubleClickListItem(IDC_FOLDER_LIST, index);
    }
}

// A test folder holding the named sub-folders.
std::string MakeTree(const std::string& name, const std::vector<std::string>& subfolders) {
    const std::string work = MakeTestFolder(name);
    for (const std::string& sub : subfolders) {
        MakeFolder(Join(work, sub));
    }
    return work;
}

// A folder below the test folder, of any name, holding one sub-folder.
void MakeNamedFolder(const std::string& work, const std::string& name, const std::string& sub) {
    const std::wstring folder = LongPath(work) + L"\\" + FromUtf8(name);
    MakeFolder(folder);
    MakeFolder(folder + L"\\" + FromUtf8(sub));
}

TEST(DialogSettings, FirstStartShowsTheDefaults) {
    DeleteSettings();
    const std::string work = MakeTree("first-start", {"sub"});
    DialogDriver dialog("", work);
    ASSERT_TRUE(dialog.WaitForDialog());
    EXPECT_EQ(dialog.Text(IDC_FILTER), "*.*");
    EXPECT_EQ(OptionsShown(dialog), 0x8Bu);
    EXPECT_EQ(SortRadiosChecked(dialog), std::vector<int>{IDC_SORT_NAME});
    EXPECT_EQ(dialog.Text(IDC_OUTPUT_FILE), "");
    EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST), FolderItems(work, {"sub"}));
    EXPECT_EQ(dialog.ListSelection(IDC_FOLDER_LIST), LB_ERR);
    EXPECT_EQ(dialog.ComboSelection(IDC_DRIVE_LIST), DriveRow(dialog, work[0]));
}

// Both ways of closing store every setting with its type; the next start, from elsewhere,
// shows them again. The remembered folder is the one reached in the folder list.
TEST(DialogSettings, ExitAndCloseBoxStoreTheSettingsForTheNextStart) {
    const std::string work = MakeTree("round-trip", {"kept", "elsewhere"});
    const std::string kept = Join(work, "kept");
    const std::string output = Join(work, "list.txt");
    const size_t kept_item = FolderItems(work, {"elsewhere"}).size(); // the item after it
    for (const bool by_close_box : {false, true}) {
        SCOPED_TRACE(by_close_box ? "close box" : "Exit");
        DeleteSettings();
        {
            DialogDriver dialog("", work);
            ASSERT_TRUE(dialog.WaitForDialog());
            dialog.DoubleClickListItem(IDC_FOLDER_LIST, static_cast<int>(kept_item));
            dialog.SetText(IDC_FILTER, "");
            dialog.SetText(IDC_OUTPUT_FILE, output);
            for (int id : {IDC_INCLUDE_SUBFOLDERS, IDC_FULL_PATHS, IDC_INCLUDE_EXTENSIONS,
                           IDC_LAUNCH_OUTPUT}) {
                dialog.Click(id);
            }
            dialog.Click(IDC_SORT_SIZE);
            if (by_close_box) {
                dialog.CloseBox();
            } else {
                dialog.Click(IDC_EXIT);
            }
            EXPECT_EQ(dialog.WaitForExit(), 0u);
        }
        EXPECT_EQ(ReadSetting("InitDir"), TextValue(kept));
        EXPECT_EQ(ReadSetting("Filter"), TextValue(""));
        EXPECT_EQ(ReadSetting("Options12"), NumberValue(0x4E));
        EXPECT_EQ(ReadSetting("Sorting12"), NumberValue(IDC_SORT_SIZE));
        EXPECT_EQ(ReadSetting("Output"), TextValue(output));

        DialogDriver again("", Join(work, "elsewhere"));
        ASSERT_TRUE(again.WaitForDialog());
        EXPECT_EQ(again.ListItems(IDC_FOLDER_LIST), FolderItems(kept, {}));
        EXPECT_EQ(again.Text(IDC_FILTER), "");
        EXPECT_EQ(OptionsShown(again), 0x4Eu);
        EXPECT_EQ(SortRadiosChecked(again), std::vector<int>{IDC_SORT_SIZE});
        EXPECT_EQ(again.Text(IDC_OUTPUT_FILE), output);
    }
}

// A stored value of another type or out of range shows as its default, or as its valid bits,
// and is written back as shown.
TEST(DialogSettings, OddStoredValuesLoadAsDefaultsAndAreWrittenBackClean) {
    const std::string work = MakeTestFolder("odd-values");
    struct Case {
        const char* name;
        RegistryValue stored;
        DWORD options;
        int sort_radio;
        const char* filter;
        RegistryValue written;
    };
    const Case cases[] = {
        {"Options12", NumberValue(0xFFFFFF55), 0x55, IDC_SORT_NAME, "*.*", NumberValue(0x55)},
        {"Options12", TextValue("85"), 0x8B, IDC_SORT_NAME, "*.*", NumberValue(0x8B)},
        {"Sorting12", NumberValue(IDC_SORT_FRAME), 0x8B, IDC_SORT_NAME, "*.*",
         NumberValue(IDC_SORT_NAME)},
        {"Sorting12", NumberValue(1024), 0x8B, IDC_SORT_NAME, "*.*", NumberValue(IDC_SORT_NAME)},
        {"Sorting12", TextValue("1022"), 0x8B, IDC_SORT_NAME, "*.*", NumberValue(IDC_SORT_NAME)},
        {"Sorting12", NumberValue(IDC_SORT_DATE), 0x8B, IDC_SORT_DATE, "*.*",
         NumberValue(IDC_SORT_DATE)},
        {"Filter", NumberValue(7), 0x8B, IDC_SORT_NAME, "*.*", TextValue("*.*")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " stored as " << c.stored);
        DeleteSettings();
        WriteSetting(c.name, c.stored);
        DialogDriver dialog("", work);
        ASSERT_TRUE(dialog.WaitForDialog());
        EXPECT_EQ(OptionsShown(dialog), c.options);
        EXPECT_EQ(SortRadiosChecked(dialog), std::vector<int>{c.sort_radio});
        EXPECT_EQ(dialog.Text(IDC_FILTER), c.filter);
        dialog.Click(IDC_EXIT);
        EXPECT_EQ(dialog.WaitForExit(), 0u);
        EXPECT_EQ(ReadSetting(c.name), c.written);
    }
}

// A folder argument wins over the remembered folder without replacing it: its drive letter is
// shown upper-cased, and the next start without one opens on the remembered folder again.
TEST(DialogStartFolder, ArgumentIsShownWithUpperCaseDriveAndLeavesInitDirAlone) {
    const std::string work = MakeTree("argument", {"given", "remembered"});
    const std::string given = Join(work, "given");
    const std::string remembered = Join(work, "remembered");
    DeleteSettings();
    WriteSetting("InitDir", TextValue(remembered));
    std::string argument = given;
    argument[0] = static_cast<char>(tolower(argument[0]));
    {
        DialogDriver dialog("\"" + argument + "\"", work);
        ASSERT_TRUE(dialog.WaitForDialog());
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST), FolderItems(given, {}));
        dialog.Click(IDC_EXIT);
        EXPECT_EQ(dialog.WaitForExit(), 0u);
    }
    EXPECT_EQ(ReadSetting("InitDir"), TextValue(remembered));
    DialogDriver again("", work);
    ASSERT_TRUE(again.WaitForDialog());
    EXPECT_EQ(again.ListItems(IDC_FOLDER_LIST), FolderItems(remembered, {}));
}

// The first argument comes with every character it has, as Explorer's verb gives it: a folder
// whose name the code page cannot hold, or "dot." beside the "dot" that Windows' path rules
// would make of it, opens the dialog on that very folder.
TEST(DialogStartFolder, ArgumentOfAnyNameOpensTheDialogOnThatFolder) {
    DeleteSettings();
    const std::string work = MakeTestFolder("wide-argument");
    for (const std::string name : {"日本語", "emoji😀", "dot", "dot."}) {
        SCOPED_TRACE(name);
        MakeNamedFolder(work, name, "inner");
        const std::string folder = Join(work, name);
        DialogDriver dialog(FromUtf8("\"" + folder + "\""), work);
        ASSERT_TRUE(dialog.WaitForDialog());
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST, CP_UTF8), FolderItems(folder, {"inner"}));
    }
}

// Sub-folders follow the components, ordered by name without regard to case, with '_' before
// letters; a name that begins with a dot is left out, a hidden folder is not.
TEST(DialogFolderList, ShowsComponentsThenSubfoldersInNameOrder) {
    DeleteSettings();
    const std::string work = MakeTree("order", {"beta", "_tmp", "Alpha", "2010", ".config", "Hid"});
    ASSERT_TRUE(SetFileAttributesA(Join(work, "Hid").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(GetFileAttributesA(Join(work, "Hid").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    DialogDriver dialog("", work);
    ASSERT_TRUE(dialog.WaitForDialog());
    EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST),
              FolderItems(work, {"2010", "_tmp", "Alpha", "beta", "Hid"}));
}

TEST(DialogFolderList, ListsMoreThan1024SubfoldersInOrder) {
    DeleteSettings();
    std::vector<std::string> names;
    for (int i = 0; i < 1100; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%04d", i);
        names.push_back(name);
    }
    const std::string work = MakeTree("many-folders", {names.rbegin(), names.rend()});
    DialogDriver dialog("", work);
    ASSERT_TRUE(dialog.WaitForDialog());
    EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST), FolderItems(work, names));
}

// Opening a sub-folder goes down into it, opening a component goes up to it, the drive's to the
// root; the folder reached is the selected item. Double-click and Enter open alike.
TEST(DialogFolderList, OpeningGoesDownIntoSubfoldersAndUpToComponents) {
    const std::string work = MakeTree("open", {"Alpha", "Alpha\\inner", "beta"});
    const std::string alpha = Join(work, "Alpha");
    const int work_item = static_cast<int>(FolderItems(work, {}).size()) - 1;
    const std::pair<const char*, std::optional<EnterBy>> ways[] = {
        {"double-click", std::nullopt},
        {"Enter as the default command", EnterBy::DefaultCommand},
        {"Return key", EnterBy::ReturnKey},
    };
    for (const auto& [name, enter] : ways) {
        SCOPED_TRACE(name);
        DeleteSettings();
        DialogDriver dialog("", work);
        ASSERT_TRUE(dialog.WaitForDialog());
        OpenFolderItem(dialog, work_item + 1, enter);
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST), FolderItems(alpha, {"inner"}));
        EXPECT_EQ(dialog.ListSelection(IDC_FOLDER_LIST), work_item + 1);
        OpenFolderItem(dialog, work_item, enter);
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST), FolderItems(work, {"Alpha", "beta"}));
        EXPECT_EQ(dialog.ListSelection(IDC_FOLDER_LIST), work_item);
        OpenFolderItem(dialog, 0, enter);
        const std::vector<ListItem> root = dialog.ListItems(IDC_FOLDER_LIST);
        ASSERT_FALSE(root.empty());
        EXPECT_EQ(root[0], (ListItem{work.substr(0, 2), 0}));
        for (size_t i = 1; i < root.size(); ++i) {
            EXPECT_EQ(root[i].data, 8u << 16 | kSubfolderMark) << root[i];
        }
        EXPECT_EQ(dialog.ListSelection(IDC_FOLDER_LIST), 0);
    }
}

// Names outside the code page, and "dot." beside "dot", which Windows' path rules would turn
// into it: each is shown and opened by its exact name, and so is its sub-folder.
TEST(DialogFolderList, ShowsAndOpensFoldersByTheirExactNames) {
    DeleteSettings();
    const std::string work = MakeTestFolder("exact-names");
    // In the list's order. The sub-folder of "dot." is named apart from that of "dot", to tell
    // which of the two was opened.
    const std::pair<std::string, std::string> folders[] = {
        {"café", "inner"},   {"dot", "inner"},  {"dot.", "dotted-inner"},
        {"emoji😀", "inner"}, {"Łódź", "inner"}, {"日本語", "inner"},
    };
    std::vector<std::string> names;
    for (const auto& [name, sub] : folders) {
        MakeNamedFolder(work, name, sub);
        names.push_back(name);
    }
    DialogDriver dialog("", work);
    ASSERT_TRUE(dialog.WaitForDialog());
    const std::vector<ListItem> at_start = FolderItems(work, names);
    EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST, CP_UTF8), at_start);
    const int work_item = static_cast<int>(FolderItems(work, {}).size()) - 1;
    for (size_t i = 0; i < names.size(); ++i) {
        const auto& [name, sub] = folders[i];
        SCOPED_TRACE(name);
        const std::string folder = Join(work, name);
        dialog.DoubleClickListItem(IDC_FOLDER_LIST, work_item + 1 + static_cast<int>(i));
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST, CP_UTF8), FolderItems(folder, {sub}));
        dialog.DoubleClickListItem(IDC_FOLDER_LIST, work_item + 2);
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST, CP_UTF8), FolderItems(Join(folder, sub), {}));
        dialog.DoubleClickListItem(IDC_FOLDER_LIST, work_item + 1);
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST, CP_UTF8), FolderItems(folder, {sub}));
        dialog.DoubleClickListItem(IDC_FOLDER_LIST, work_item);
        EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST, CP_UTF8), at_start);
    }
}

// Escape reaches the dialog as IDCANCEL, which does not close it; Exit still does.
TEST(DialogKeys, EscapeLeavesTheDialogOpen) {
    DeleteSettings();
    DialogDriver dialog("", MakeTestFolder("escape"));
    ASSERT_TRUE(dialog.WaitForDialog());
    dialog.PressEscape();
    EXPECT_EQ(dialog.WaitForExit(500), std::nullopt);
    EXPECT_TRUE(IsWindowVisible(dialog.Dialog()));
    dialog.Click(IDC_EXIT);
    EXPECT_EQ(dialog.WaitForExit(), 0u);
}

// A drive letter that leads nowhere is a drive that is not ready. DefineDosDevice makes one for
// every process of this Wine session (or Windows log-on); a link in the prefix's dosdevices
// would not do, since the drives that Wine reports are only read from there when it starts.
class MissingDrive {
  public:
    explicit MissingDrive(const std::string& target) : target_(target) {
        defined_ = !(GetLogicalDrives() & (1u << ('Q' - 'A'))) &&
                   DefineDosDeviceA(0, "Q:", target_.c_str());
    }
    ~MissingDrive() {
        if (defined_) {
            DefineDosDeviceA(DDD_REMOVE_DEFINITION, "Q:", nullptr);
        }
    }
    bool defined() const { return defined_; }

  private:
    std::string target_;
    bool defined_ = false;
};

// Retry shows the message again; Cancel goes back to the drive row chosen before, and the
// folder list still shows the same folder.
TEST(DialogDriveList, DriveNotReadyAsksRetryOrCancelAndCancelKeepsTheFolder) {
    DeleteSettings();
    const std::string work = MakeTree("not-ready", {"sub"});
    MissingDrive drive(Join(work, "missing"));
    ASSERT_TRUE(drive.defined()) << "drive Q: is taken or cannot be defined";
    DialogDriver dialog("", work);
    ASSERT_TRUE(dialog.WaitForDialog());
    const int row = DriveRow(dialog, 'Q');
    ASSERT_GE(row, 0);
    const int previous_row = dialog.ComboSelection(IDC_DRIVE_LIST);
    MessageBoxWatcher watcher({IDRETRY, IDCANCEL});
    dialog.ChooseComboRow(IDC_DRIVE_LIST, row);
    const ShownMessage not_ready{"Drive Q:\\ is not ready", {IDCANCEL, IDRETRY}, BoxIcon::Warning};
    EXPECT_EQ(watcher.Shown(), (std::vector<ShownMessage>{not_ready, not_ready}));
    EXPECT_EQ(dialog.ComboSelection(IDC_DRIVE_LIST), previous_row);
    EXPECT_EQ(dialog.ListItems(IDC_FOLDER_LIST), FolderItems(work, {"sub"}));
}

} // namespace
