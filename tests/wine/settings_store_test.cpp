// The settings store inside the program's own process: the per-user copy that keeps the
// settings where the machine-wide key refuses them, stored texts of any length and characters,
// and the stored encoding and file type.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "res/resource.h"
#include "tests/wine/test_support.h"
#include "ui/current_folder.h"
#include "ui/dialog_job.h"
#include "ui/main_dialog.h"
#include "ui/settings_store.h"

namespace {

bool KeyExists(HKEY root) {
    HKEY key = nullptr;
    if (RegOpenKeyA(root, kSettingsKey, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::string StoredFilter(HKEY root) {
    char text[1024] = "";
    DWORD size = sizeof text;
    RegGetValueA(root, kSettingsKey, "Filter", RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

// A text value of the machine-wide key as stored, UTF-16 made UTF-8; "missing" when it is not
// a REG_SZ.
std::string StoredText(const char* name) {
    wchar_t text[1024] = L"";
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, FromAnsi(kSettingsKey).c_str(), FromAnsi(name).c_str(),
                     RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
        return "missing";
    }
    return ToUtf8(text);
}

// A number of the machine-wide key; 99 when it is not a REG_DWORD.
DWORD StoredNumber(const char* name) {
    DWORD number = 99;
    DWORD size = sizeof number;
    RegGetValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &number, &size);
    return number;
}

std::string ItemText(HWND dialog, int id) {
    wchar_t text[1024] = L"";
    GetDlgItemTextW(dialog, id, text, 1024);
    return ToUtf8(text);
}

// What the dialog loaded, texts in UTF-8.
struct Loaded {
    std::string folder;
    std::string filter;
    std::string output;
    uint32_t encoding = 0;
    uint32_t file_type = 0;
};
bool operator==(const Loaded& a, const Loaded& b) {
    return a.folder == b.folder && a.filter == b.filter && a.output == b.output &&
           a.encoding == b.encoding && a.file_type == b.file_type;
}
std::ostream& operator<<(std::ostream& out, const Loaded& loaded) {
    return out << "{folder \"" << loaded.folder << "\", filter \"" << loaded.filter
               << "\", output \"" << loaded.output << "\", encoding " << loaded.encoding
               << ", file type " << loaded.file_type << "}";
}

// Opens the main dialog in this process, as the program does, lets change act on it, and closes
// it as the close box does; returns what it loaded.
Loaded OpenChangeAndClose(const std::function<void(HWND)>& change) {
    DialogEncoding = 7; // neither encoding nor file type: the load must set them
    DialogFileType = 7;
    HWND dialog =
        CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
    EXPECT_NE(dialog, nullptr);
    const Loaded loaded{CurrentFolder, ItemText(dialog, IDC_FILTER),
                        ItemText(dialog, IDC_OUTPUT_FILE), DialogEncoding, DialogFileType};
    change(dialog);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    DestroyWindow(dialog);
    return loaded;
}

// The same with the filter set to filter when one is given; returns the filter it loaded.
std::string OpenAndClose(const char* filter = nullptr) {
    return OpenChangeAndClose([filter](HWND dialog) {
               if (filter != nullptr) {
                   SetDlgItemTextA(dialog, IDC_FILTER, filter);
               }
           })
        .filter;
}

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        SetCurrentDirectoryA(MakeTestFolder("settings").c_str());
    }
    void TearDown() override {
        MachineSettingsRoot = HKEY_LOCAL_MACHINE;
        DialogEncoding = kCodePageEncoding;
        DialogFileType = kTextFileType;
    }
};

TEST_F(SettingsStore, RefusedMachineKeyKeepsTheSettingsPerUserUntilItCanBeWrittenAgain) {
    // A key opened for reading only, and a handle that is no key at all: both refuse to
    // create the settings key below them.
    HKEY read_only = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &read_only),
              ERROR_SUCCESS);
    for (HKEY refusing : {read_only, reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0))}) {
        HKEY probe = nullptr;
        if (RegCreateKeyA(refusing, kSettingsKey, &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
            continue;
        }
        MachineSettingsRoot = refusing;
        OpenAndClose("*.cpp");
        EXPECT_EQ(StoredFilter(HKEY_CURRENT_USER), "*.cpp");
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE));
        EXPECT_EQ(OpenAndClose("*.h"), "*.cpp");
        EXPECT_EQ(StoredFilter(HKEY_CURRENT_USER), "*.h");

        MachineSettingsRoot = HKEY_LOCAL_MACHINE;
        EXPECT_EQ(OpenAndClose("*.txt"), "*.h");
        EXPECT_EQ(StoredFilter(HKEY_LOCAL_MACHINE), "*.txt");
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER));
        EXPECT_EQ(OpenAndClose(), "*.txt");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
    }
    RegCloseKey(read_only);
}

TEST_F(SettingsStore, StoredTextsAreCutSafelyOnLoad) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kSettingsKey, &key), ERROR_SUCCESS);
    const std::string long_text(400, 'x');
    const struct {
        std::string stored;
        std::string loaded;
    } cases[] = {
        {long_text, long_text.substr(0, 259)},
        {"*.txt", "*.txt"},
        {"", ""},
    };
    for (const auto& c : cases) {
        // Stored without its terminator, as another program may have written it.
        RegSetValueExA(key, "Filter", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.stored.data()),
                       static_cast<DWORD>(c.stored.size()));
        EXPECT_EQ(OpenAndClose(), c.loaded) << c.stored.size();
    }
    RegCloseKey(key);
}

// Texts as the older ANSI program wrote them, in the code page, and texts of any characters as
// this one writes them: each loads as it was written, and is written back so. A remembered
// "dot." is that folder, not the "dot" that Windows' path rules would make of it.
TEST_F(SettingsStore, StoredTextsOfAnyCharactersLoadUnchanged) {
    const std::string work = MakeTestFolder("texts");
    const struct {
        bool by_ansi_program;
        std::string folder;
        std::string filter;
        std::string output;
    } cases[] = {
        {true, "café", "été*.txt | *.bak", "Résumé.txt"},
        {false, "日本語", "日本語*.txt | *.bak", "出力😀.txt"},
        {false, "dot.", "*.*", "list."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        const Loaded stored{Join(work, c.folder), c.filter, Join(work, c.output)};
        MakeFolder(LongPath(work) + L"\\" + FromUtf8(c.folder));
        if (c.by_ansi_program) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kSettingsKey, &key), ERROR_SUCCESS);
            for (const auto& [name, text] : {std::pair{"InitDir", stored.folder},
                                             {"Filter", stored.filter},
                                             {"Output", stored.output}}) {
                const std::string ansi = ToAnsi(FromUtf8(text));
                RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi.c_str()),
                               static_cast<DWORD>(ansi.size() + 1));
            }
            RegCloseKey(key);
        } else {
            OpenChangeAndClose([&](HWND dialog) {
                CurrentFolder = stored.folder; // as the folder list sets it
                SetDlgItemTextW(dialog, IDC_FILTER, FromUtf8(stored.filter).c_str());
                SetDlgItemTextW(dialog, IDC_OUTPUT_FILE, FromUtf8(stored.output).c_str());
            });
        }
        for (int open = 0; open < 2; ++open) {
            EXPECT_EQ(OpenChangeAndClose([](HWND) {}), stored) << "open " << open;
            EXPECT_EQ(StoredText("InitDir"), stored.folder);
            EXPECT_EQ(StoredText("Filter"), stored.filter);
            EXPECT_EQ(StoredText("Output"), stored.output);
        }
    }
}

// Only the number 1 stored as a REG_DWORD is UTF-8; what loads is written back as a number.
TEST_F(SettingsStore, EncodingIsUtf8OnlyForTheNumberOne) {
    const auto number = [](DWORD value) {
        return std::string(reinterpret_cast<const char*>(&value), sizeof value);
    };
    const struct {
        std::optional<DWORD> type;
        std::string bytes;
        uint32_t loaded;
    } cases[] = {
        {std::nullopt, "", kCodePageEncoding},
        {REG_DWORD, number(0), kCodePageEncoding},
        {REG_DWORD, number(1), kUtf8Encoding},
        {REG_DWORD, number(2), kCodePageEncoding},
        {REG_DWORD, number(0x10001), kCodePageEncoding},
        {REG_SZ, std::string("1", 2), kCodePageEncoding},
        {REG_BINARY, number(1), kCodePageEncoding},
        {REG_QWORD, number(1) + number(0), kCodePageEncoding},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << c.type.value_or(~0u) << ", " << c.bytes.size() << " bytes");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        if (c.type) {
            ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, "Encoding", *c.type,
                                      c.bytes.data(), static_cast<DWORD>(c.bytes.size())),
                      ERROR_SUCCESS);
        }
        EXPECT_EQ(OpenChangeAndClose([](HWND) {}).encoding, c.loaded);
        EXPECT_EQ(StoredNumber("Encoding"), c.loaded);
    }
}

// CSV and the web page load as stored; any other file type is the encoding's text type, as in
// settings older than the types, which hold the encoding alone. Both are written back.
TEST_F(SettingsStore, FileTypeIsCsvOrWebPageAsStoredElseTheEncodingsText) {
    const struct {
        std::optional<DWORD> stored;
        DWORD encoding;
        uint32_t loaded;
    } cases[] = {
        {std::nullopt, kCodePageEncoding, kTextFileType},
        {std::nullopt, kUtf8Encoding, kUtf8TextFileType},
        {kCsvFileType, kUtf8Encoding, kCsvFileType},
        {kWebPageFileType, kCodePageEncoding, kWebPageFileType},
        {kTextFileType, kUtf8Encoding, kUtf8TextFileType},
        {kUtf8TextFileType, kCodePageEncoding, kTextFileType},
        {4, kCodePageEncoding, kTextFileType},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "stored " << c.stored.value_or(~0u) << ", encoding " << c.encoding);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, "Encoding", REG_DWORD,
                                  &c.encoding, sizeof c.encoding),
                  ERROR_SUCCESS);
        if (c.stored) {
            ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, "File Type", REG_DWORD,
                                      &*c.stored, sizeof *c.stored),
                      ERROR_SUCCESS);
        }
        const Loaded loaded = OpenChangeAndClose([](HWND) {});
        EXPECT_EQ(loaded.file_type, c.loaded);
        EXPECT_EQ(loaded.encoding, c.encoding);
        EXPECT_EQ(StoredNumber("File Type"), c.loaded);
        EXPECT_EQ(StoredNumber("Encoding"), c.encoding);
    }
}

} // namespace
