#include "ui/folder_navigator.h"

#include <algorithm>

#include "engine/program_resources.h"
#include "platform/folder_search.h"
#include "platform/wait_cursor.h"
#include "platform/wide_text.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "ui/folder_path.h"

std::string CurrentFolder;

namespace {

// The folder the list shows, as of the last fill that could read the folder.
std::string ShownFolder;

HICON ClosedFolderIcon = nullptr;
HICON OpenFolderIcon = nullptr;

// A reusable wide copy of a name, for the list's wide messages.
const wchar_t* WideCopy(std::string_view text, std::wstring& buffer) {
    buffer.resize(text.size() + 1);
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           buffer.data(), static_cast<int>(buffer.size()));
    buffer[static_cast<size_t>(length > 0 ? length : 0)] = L'\0';
    return buffer.c_str();
}

// Starts reading the entries of the folder at path, an absolute path; false when the folder
// cannot be read. A drive's empty root has not even "." to give: it can be read, and find stays
// empty.
bool StartReading(std::string_view path, WIN32_FIND_DATAW& found, FindHandle& find) {
    if (path.empty()) {
        return false;
    }
    find = FindFirstEntry(EveryEntry(ExactPath(Widen(path))).c_str(), found);
    return find || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The item just before the first sub-folder item: after a fill that could read the folder, the
// folder's own item. The last item when there is no sub-folder; -1 (no item) when the list is
// empty or begins with a sub-folder.
LRESULT CurrentFolderItem(HWND list) {
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    LRESULT item = 0;
    while (item < count && LOWORD(SendMessageW(list, LB_GETITEMDATA, item, 0)) != SubfolderMark) {
        ++item;
    }
    return item - 1;
}

// The list's window procedure. A folder may hold a hundred thousand sub-folders, and the fill
// calls it directly for each item, as SendMessageW does for a window of the calling thread,
// without the message call's own cost, which is as large as the insertion's.
WNDPROC ListProcedure(HWND list) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC));
}

void AddWideItem(HWND list, WNDPROC procedure, const wchar_t* text, uint16_t indent,
                 uint16_t path_offset) {
    const LRESULT item =
        CallWindowProcW(procedure, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) {
        CallWindowProcW(procedure, list, LB_SETITEMDATA, item, MAKELONG(path_offset, indent));
    }
}

} // namespace

bool FolderCanBeRead(std::string_view path) {
    WIN32_FIND_DATAW found;
    FindHandle find;
    return StartReading(path, found, find);
}

bool ReadSubfolderNames(std::string_view path, FolderNames<wchar_t>& names) {
    const WaitCursor wait;
    names = {};
    WIN32_FIND_DATAW found;
    FindHandle find;
    if (!StartReading(path, found, find)) {
        return false;
    }
    if (!find) {
        return true;
    }
    do {
        if (found.cFileName[0] != L'.' && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.Add(found.cFileName);
        }
    } while (FindNextFileW(find.get(), &found));
    return true;
}

std::string FolderItemText(HWND list, LRESULT item) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, item, 0);
    if (length == LB_ERR) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return Utf8FromWide(text);
}

void AddFolderItem(HWND list, std::string_view text, uint16_t indent, uint16_t path_offset) {
    std::wstring buffer;
    AddWideItem(list, ListProcedure(list), WideCopy(text, buffer), indent, path_offset);
}

void FillFolderList(HWND list) {
    FolderNames<wchar_t> names;
    if (!ReadSubfolderNames(CurrentFolder, names)) {
        if (!ShownFolder.empty()) {
            CurrentFolder = ShownFolder;
        }
        return;
    }
    ShownFolder = CurrentFolder;
    const std::string_view folder = CurrentFolder;
    const std::vector<PathComponent> components = SplitFolderPath(folder);
    SortSubfolderNames(names);

    // A folder may hold a hundred thousand sub-folders: no drawing until all are in, and room
    // for them taken at once.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const size_t text_units = folder.size() + 1 + names.store.size();
    SendMessageW(list, LB_INITSTORAGE, components.size() + names.Count(),
                 text_units * sizeof(wchar_t));
    const WNDPROC procedure = ListProcedure(list);
    std::wstring buffer;
    uint16_t indent = 0;
    for (const PathComponent& component : components) {
        AddWideItem(list, procedure,
                    WideCopy(folder.substr(component.offset, component.length), buffer), indent,
                    static_cast<uint16_t>(component.offset));
        indent = static_cast<uint16_t>(indent + kIndentPerLevel);
    }
    for (size_t index = 0; index < names.Count(); ++index) {
        AddWideItem(list, procedure, names.Name(index), indent, SubfolderMark);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void OpenFolderItem(HWND list) {
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        return;
    }
    const WORD path_offset = LOWORD(SendMessageW(list, LB_GETITEMDATA, selected, 0));
    std::string path;
    if (path_offset == SubfolderMark) {
        path = SubfolderPath(CurrentFolder, FolderItemText(list, selected));
        if (path.empty()) {
            MessageBeep(MB_ICONWARNING);
            return;
        }
    } else {
        path = ComponentPath(CurrentFolder, path_offset);
    }
    CurrentFolder = path;
    FillFolderList(list);
    SendMessageW(list, LB_SETCURSEL, CurrentFolderItem(list), 0);
}

void MeasureFolderItem(MEASUREITEMSTRUCT& item, HWND dialog) {
    // The list's font is the dialog's: the list only gets it after this first measure.
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    const HDC device = GetDC(dialog);
    const HGDIOBJ previous =
        SelectObject(device, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(device, &metrics);
    SelectObject(device, previous);
    ReleaseDC(dialog, device);
    const int icon = GetSystemMetrics(SM_CYSMICON);
    item.itemHeight = static_cast<UINT>(std::max<int>(metrics.tmHeight, icon) + 2);
}

void DrawFolderItem(const DRAWITEMSTRUCT& item, HWND list) {
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    // The icons at the system's small-icon size and the indent in step with the screen's
    // scaling: an item's indent is kept in pixels at 96 DPI.
    const int icon_width = GetSystemMetrics(SM_CXSMICON);
    const int icon_height = GetSystemMetrics(SM_CYSMICON);
    if (ClosedFolderIcon == nullptr || OpenFolderIcon == nullptr) {
        OpenFolderIcon =
            static_cast<HICON>(LoadImageW(ModuleInstance, MAKEINTRESOURCEW(IDI_FOLDER_OPEN),
                                          IMAGE_ICON, icon_width, icon_height, LR_DEFAULTCOLOR));
        ClosedFolderIcon =
            static_cast<HICON>(LoadImageW(ModuleInstance, MAKEINTRESOURCEW(IDI_FOLDER_CLOSED),
                                          IMAGE_ICON, icon_width, icon_height, LR_DEFAULTCOLOR));
    }
    const int item_height = item.rcItem.bottom - item.rcItem.top;
    const int indent = MulDiv(HIWORD(item.itemData), GetDeviceCaps(item.hDC, LOGPIXELSX), 96);
    const bool subfolder = LOWORD(item.itemData) == SubfolderMark;
    // The icon is blended onto what lies beneath it: that is the list's background, every time.
    RECT icon_area = item.rcItem;
    icon_area.right = icon_area.left + indent + icon_width + 2;
    FillRect(item.hDC, &icon_area, GetSysColorBrush(COLOR_WINDOW));
    DrawIconEx(item.hDC, item.rcItem.left + indent,
               item.rcItem.top + (item_height - icon_height) / 2,
               subfolder ? ClosedFolderIcon : OpenFolderIcon, icon_width, icon_height, 0, nullptr,
               DI_NORMAL);

    const bool highlighted = (item.itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
    const int background = highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    SetBkColor(item.hDC, GetSysColor(background));
    SetTextColor(item.hDC, GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text_area = item.rcItem;
    text_area.left += indent + icon_width + 2;
    FillRect(item.hDC, &text_area, GetSysColorBrush(background));

    // Drawn from the list's own wide text: every character the name has.
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, item.itemID, 0);
    if (length == LB_ERR) {
        return;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(length), &text_area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
}
