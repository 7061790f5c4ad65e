// The program on today's Windows screens: the manifest Windows reads at its start, the DPI
// awareness it asks for, the shell font of its dialogs, names of other scripts drawn with real
// letters, and both dialogs laid out at 150% scaling.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "scrivtree_version.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/test_support.h"
#include "ui/main_dialog.h"

namespace {

std::wstring ProgramPath() {
    return FromAnsi(ScrivtreePath());
}

// The manifest that the program carries as resource 1, as text.
std::string ManifestOf(const std::wstring& program) {
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        return {};
    }
    std::string text;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        text.assign(bytes, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

TEST(Manifest, AsksForTheUsersRightsThemedControlsAndTheSystemDpiAndMakesAContext) {
    const std::string manifest = ManifestOf(ProgramPath());
    ASSERT_FALSE(manifest.empty());
    const std::string version = std::to_string(SCRIVTREE_VERSION_MAJOR) + "." +
                                std::to_string(SCRIVTREE_VERSION_MINOR) + ".0.0";
    const char* architecture = sizeof(void*) == 8 ? "amd64" : "x86";
    for (const std::string& part : {
             "name=\"Quorvane.Scrivtree\"\n                    version=\"" + version +
                 "\"\n                    processorArchitecture=\"" + architecture + "\"",
             std::string("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
             std::string("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
             std::string("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), // Vista
             std::string("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"), // 7
             std::string("{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"), // 8
             std::string("{1f676c76-80e1-4239-95bb-83d0f6d0da78}"), // 8.1
             std::string("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), // 10 and 11
             std::string("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                         "WindowsSettings\">true</dpiAware>"),
         }) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    const std::wstring program = ProgramPath();
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = program.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE made = CreateActCtxW(&context);
    ASSERT_NE(made, INVALID_HANDLE_VALUE) << GetLastError();
    // What Windows reads from it at the start to make the process aware of the system's DPI
    // (Wine makes every process aware).
    wchar_t dpi_aware[16] = L"";
    EXPECT_TRUE(QueryActCtxSettingsW(0, made, nullptr, L"dpiAware", dpi_aware, 16, nullptr));
    EXPECT_STREQ(dpi_aware, L"true");
    ReleaseActCtx(made);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

TEST(DialogFont, BothDialogsUseTheShellFontAtEightPoints) {
    for (const int template_id : {IDD_MAIN, IDD_ABOUT}) {
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id),
                                         nullptr, PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        DestroyWindow(dialog);
        EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg") << template_id;
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
        ReleaseDC(nullptr, screen);
    }
}

// The screen's pixels of one item of the folder list.
std::vector<DWORD> ItemPixels(const DialogDriver& dialog, int index) {
    HWND list = dialog.Control(IDC_FOLDER_LIST);
    const int height = static_cast<int>(dialog.Send(list, LB_GETITEMHEIGHT, 0, 0));
    const int top = static_cast<int>(dialog.Send(list, LB_GETTOPINDEX, 0, 0));
    RECT client;
    GetClientRect(list, &client);
    POINT corner = {0, (index - top) * height};
    ClientToScreen(list, &corner);
    return ScreenPixels({corner.x, corner.y, corner.x + client.right, corner.y + height});
}

// Whether the pixels show more than one colour: something drawn on the background.
bool HasInk(const std::vector<DWORD>& pixels) {
    return !pixels.empty() && std::count(pixels.begin(), pixels.end(), pixels.front()) !=
                                  static_cast<std::ptrdiff_t>(pixels.size());
}

// The same, once the list has drawn it: with ink, and the same pixels twice in a row (at most
// 10 s). A row not painted yet is as steady as a painted one.
std::vector<DWORD> SettledItemPixels(const DialogDriver& dialog, int index) {
    std::vector<DWORD> before;
    for (int i = 0; i < 500; ++i) {
        std::vector<DWORD> now = ItemPixels(dialog, index);
        if (now == before && HasInk(now)) {
            break;
        }
        before = std::move(now);
        Sleep(20);
    }
    return before;
}

// Two folders named by one CJK letter each: drawn as the missing letter's box, both items would
// show the same pixels.
TEST(DialogFont, NamesInOtherScriptsAreDrawnWithTheirOwnLetters) {
    const std::string folder = MakeTestFolder("cjk-letters");
    for (const wchar_t* name : {L"\u6771", L"\u4eac"}) {
        MakeFolder(LongPath(folder) + L"\\" + name);
    }
    DialogDriver dialog(folder, folder);
    ASSERT_TRUE(dialog.WaitForDialog());
    const std::vector<ListItem> items = dialog.ListItems(IDC_FOLDER_LIST);
    ASSERT_GE(items.size(), 2u);
    const int last = static_cast<int>(items.size()) - 1;
    const std::vector<DWORD> first = SettledItemPixels(dialog, last - 1);
    const std::vector<DWORD> second = SettledItemPixels(dialog, last);
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(HasInk(first));
}

// ---- 150% ----------------------------------------------------------------------------------

// The screen's DPI that the programs started from here on take, put back at the end.
class ScreenDpi {
  public:
    explicit ScreenDpi(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
        DWORD size = sizeof saved_;
        had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&saved_), &size) == ERROR_SUCCESS;
        Set(dpi);
    }
    ~ScreenDpi() {
        if (had_) {
            Set(saved_);
        } else {
            RegDeleteValueW(key_, L"LogPixels");
        }
        RegCloseKey(key_);
    }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

  private:
    void Set(DWORD dpi) {
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof dpi);
    }
    HKEY key_ = nullptr;
    DWORD saved_ = 96;
    bool had_ = false;
};

// The dialogs' font at the DPI, made here at the same pixel size.
HFONT ShellFontAt(int dpi) {
    return CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
}

RECT ScreenRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string ClassOf(HWND window) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsGroupBox(HWND control) {
    return ClassOf(control) == "Button" &&
           (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The room a control's text needs beside what the control draws of its own: the box of a check
// box or radio button, a button's edge, a group box's indent.
int OwnRoom(HWND control, int dpi) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (ClassOf(control) != "Button") {
        return 0;
    }
    switch (style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
    case BS_AUTORADIOBUTTON:
        return MulDiv(13 + 4, dpi, 96);
    case BS_GROUPBOX:
        return 16;
    default:
        return 4;
    }
}

// Every control of the dialog lies inside it, none overlaps another, one that meets a group box
// lies inside it, and the text of each fits it in the dialogs' font.
void ExpectLaidOut(HWND dialog, int dpi) {
    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        controls.push_back(child);
    }
    HDC screen = GetDC(nullptr);
    HFONT font = ShellFontAt(dpi);
    HGDIOBJ previous = SelectObject(screen, font);
    for (HWND control : controls) {
        const RECT rect = ScreenRect(control);
        const std::string text = ReadWindowText(control);
        SCOPED_TRACE(ClassOf(control) + " \"" + text + "\"");
        EXPECT_TRUE(Inside(rect, client));
        for (HWND other : controls) {
            RECT common;
            const RECT other_rect = ScreenRect(other);
            if (other == control || IsGroupBox(control) ||
                IntersectRect(&common, &rect, &other_rect) == 0) {
                continue;
            }
            if (!IsGroupBox(other)) {
                ADD_FAILURE() << "overlaps \"" << ReadWindowText(other) << "\"";
            } else if (!Inside(rect, other_rect)) {
                ADD_FAILURE() << "crosses the edge of \"" << ReadWindowText(other) << "\"";
            }
        }
        std::wstring shown = FromAnsi(text);
        shown.erase(std::remove(shown.begin(), shown.end(), L'&'), shown.end());
        SIZE size{};
        GetTextExtentPoint32W(screen, shown.c_str(), static_cast<int>(shown.size()), &size);
        if (ClassOf(control) == "Button" || ClassOf(control) == "Static") {
            EXPECT_LE(size.cx + OwnRoom(control, dpi), rect.right - rect.left);
            EXPECT_LE(size.cy, rect.bottom - rect.top);
        }
    }
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
}

// At 100% and at 150%.
TEST(Scaling, BothDialogsFitTheirTextsAndTheListItsLettersAtEveryScale) {
    const std::string folder = MakeTestFolder("scaling");
    MakeFolder(Join(folder, "Sub"));
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        const ScreenDpi screen_dpi(static_cast<DWORD>(dpi));
        DialogDriver dialog(folder, folder);
        ASSERT_TRUE(dialog.WaitForDialog());
        {
            SCOPED_TRACE("main dialog");
            ExpectLaidOut(dialog.Dialog(), dpi);
        }
        HDC screen = GetDC(nullptr);
        HFONT font = ShellFontAt(dpi);
        HGDIOBJ previous = SelectObject(screen, font);
        TEXTMETRICW metrics{};
        GetTextMetricsW(screen, &metrics);
        SelectObject(screen, previous);
        DeleteObject(font);
        ReleaseDC(nullptr, screen);
        const LRESULT item_height =
            dialog.Send(dialog.Control(IDC_FOLDER_LIST), LB_GETITEMHEIGHT, 0, 0);
        EXPECT_GE(item_height, metrics.tmHeight);
        EXPECT_GE(item_height, MulDiv(16, dpi, 96)); // the small icon's height

        PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, IDM_ABOUT, 0);
        HWND about = nullptr;
        for (int i = 0; i < 1500 && about == nullptr; ++i) {
            about = FindWindowW(L"#32770", L"About Scrivtree");
            Sleep(20);
        }
        ASSERT_NE(about, nullptr);
        SCOPED_TRACE("About box");
        ExpectLaidOut(about, dpi);
    }
}

// The list's items are drawn again when the run disables the list and when it enables it again.
TEST(FolderListDrawing, ShowsItsItemsAgainAfterARun) {
    const std::string folder = MakeTestFolder("list-after-run");
    MakeFolder(Join(folder, "Sub"));
    const std::string output = Join(MakeTestFolder("list-after-run-out"), "list.txt");
    DialogDriver dialog(folder, folder);
    ASSERT_TRUE(dialog.WaitForDialog());
    dialog.SetText(IDC_OUTPUT_FILE, output);
    MessageBoxWatcher watcher;
    dialog.Click(IDOK);
    ASSERT_TRUE(dialog.WaitForRunEnd());
    // Drawn again: an item erased and left so would show the list's background alone. The
    // first item, the drive's, lies above the summary box, whose closing draws what it covered.
    EXPECT_TRUE(HasInk(SettledItemPixels(dialog, 0)));
}

} // namespace
