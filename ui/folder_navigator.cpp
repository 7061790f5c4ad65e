#include "ui/folder_navigator.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/program_resources.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "ui/folder_path.h"
#include "app/wait_cursor.h"

char CurrentFolder[MAX_PATH] = "";

namespace {

// The folder the list shows, as of the last fill that could enter it.
char ShownFolder[MAX_PATH] = "";

HICON ClosedFolderIcon = nullptr;
HICON OpenFolderIcon = nullptr;

// The sub-folders of the current directory, in the order the file system gives them. Names
// that begin with a dot (".", ".." and folders such as .git) are left out.
std::vector<std::string> ReadSubfolderNames() {
    const WaitCursor wait;
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*.*", &found);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (found.cFileName[0] != '.' && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// The item just before the first sub-folder item: after a fill that could enter the folder, the
// folder's own item. The last item when there is no sub-folder; -1 (no item) when the list is
// empty or begins with a sub-folder.
LRESULT CurrentFolderItem(HWND list) {
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    LRESULT item = 0;
    while (item < count && LOWORD(SendMessageA(list, LB_GETITEMDATA, item, 0)) != SubfolderMark) {
        ++item;
    }
    return item - 1;
}

} // namespace

std::string FolderItemText(HWND list, LRESULT item) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, item, 0);
    if (length == LB_ERR) {
        return {};
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

void AddFolderItem(HWND list, const char* text, uint16_t indent, uint16_t path_offset) {
    const LRESULT item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) {
        SendMessageA(list, LB_SETITEMDATA, item, MAKELONG(path_offset, indent));
    }
}

void FillFolderList(HWND list) {
    if (!SetCurrentDirectoryA(CurrentFolder)) {
        if (ShownFolder[0] != '\0') {
            strcpy(CurrentFolder, ShownFolder);
        }
        return;
    }
    strcpy(ShownFolder, CurrentFolder);
    const std::string_view folder = CurrentFolder;
    const std::vector<PathComponent> components = SplitFolderPath(folder);
    std::vector<std::string> names = ReadSubfolderNames();
    SortSubfolderNames(names);

    // A folder may hold a hundred thousand sub-folders: no drawing until all are in, and room
    // for them taken at once.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    size_t text_bytes = folder.size() + 1;
    for (const std::string& name : names) {
        text_bytes += name.size() + 1;
    }
    SendMessageA(list, LB_INITSTORAGE, components.size() + names.size(), text_bytes);
    uint16_t indent = 0;
    for (const PathComponent& component : components) {
        const std::string text(folder.substr(component.offset, component.length));
        AddFolderItem(list, text.c_str(), indent, static_cast<uint16_t>(component.offset));
        indent = static_cast<uint16_t>(indent + kIndentPerLevel);
    }
    for (const std::string& name : names) {
        AddFolderItem(list, name.c_str(), indent, SubfolderMark);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void OpenFolderItem(HWND list) {
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        return;
    }
    const WORD path_offset = LOWORD(SendMessageA(list, LB_GETITEMDATA, selected, 0));
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
    // Both moves fit: a longer sub-folder path was refused above, and a component path is
    // never longer than the folder it is cut from.
    memcpy(CurrentFolder, path.c_str(), path.size() + 1);
    FillFolderList(list);
    SendMessageA(list, LB_SETCURSEL, CurrentFolderItem(list), 0);
}

void DrawFolderItem(const DRAWITEMSTRUCT& item, HWND list) {
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    if (ClosedFolderIcon == nullptr || OpenFolderIcon == nullptr) {
        OpenFolderIcon =
            static_cast<HICON>(LoadImageA(ModuleInstance, MAKEINTRESOURCEA(IDI_FOLDER_OPEN),
                                          IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        ClosedFolderIcon =
            static_cast<HICON>(LoadImageA(ModuleInstance, MAKEINTRESOURCEA(IDI_FOLDER_CLOSED),
                                          IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    }
    const int indent = HIWORD(item.itemData);
    const bool subfolder = LOWORD(item.itemData) == SubfolderMark;
    DrawIconEx(item.hDC, item.rcItem.left + indent, item.rcItem.top,
               subfolder ? ClosedFolderIcon : OpenFolderIcon, 16, 16, 0, nullptr, DI_NORMAL);

    const bool highlighted = (item.itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
    const int background = highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    SetBkColor(item.hDC, GetSysColor(background));
    SetTextColor(item.hDC, GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text_area = item.rcItem;
    text_area.left += indent + 18;
    FillRect(item.hDC, &text_area, GetSysColorBrush(background));

    const std::string text = FolderItemText(list, item.itemID);
    TextOutA(item.hDC, text_area.left, item.rcItem.top, text.c_str(),
             static_cast<int>(text.size()));
}
