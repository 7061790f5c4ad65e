// The settings store inside the program's own process: the per-user copy that keeps the
// settings where the machine-wide key refuses them, and stored texts of any length.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "res/resource.h"
#include "tests/wine/test_support.h"
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

// Opens the main dialog in this process, as the program does, with the filter set to filter
// when one is given, and closes it as the close box does; returns the filter it loaded.
std::string OpenAndClose(const char* filter = nullptr) {
    HWND dialog =
        CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
    EXPECT_NE(dialog, nullptr);
    char loaded[1024] = "";
    GetDlgItemTextA(dialog, IDC_FILTER, loaded, sizeof loaded);
    if (filter != nullptr) {
        SetDlgItemTextA(dialog, IDC_FILTER, filter);
    }
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    DestroyWindow(dialog);
    return loaded;
}

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        SetCurrentDirectoryA(MakeTestFolder("settings").c_str());
    }
    void TearDown() override { MachineSettingsRoot = HKEY_LOCAL_MACHINE; }
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

} // namespace
