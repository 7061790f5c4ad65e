#include "ui/help_engine.h"

#include <string>

#include "platform/wide_text.h"
#include "platform/registry_key.h"
#include "engine/program_resources.h"

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

// HtmlHelpW, which takes the help file's path with every character a folder name may have.
constexpr WORD kHtmlHelpOrdinal = 15;
constexpr UINT kDisplayTableOfContents = 1;

HMODULE HelpLibrary = nullptr;
HtmlHelpFunction HtmlHelpEntry = nullptr;
// Set once the engine could not be had: "&Help" then does nothing without trying again.
bool HelpUnavailable = false;

} // namespace

bool FindHelpControl(wchar_t (&path)[MAX_PATH]) {
    const RegistryKey key = OpenRegistryKey(HKEY_CLASSES_ROOT, kHelpControlKey);
    DWORD size = sizeof path;
    if (!key ||
        RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                         &size) != ERROR_SUCCESS ||
        size < sizeof(wchar_t)) {
        return false;
    }
    // A path stored without its terminator is taken whole when the terminator fits after it;
    // a cut path would name another file.
    const size_t length = size / sizeof(wchar_t);
    if (path[length - 1] != L'\0') {
        if (length == MAX_PATH) {
            return false;
        }
        path[length] = L'\0';
    }
    return true;
}

HWND CallHtmlHelp(HWND window, const wchar_t* file, UINT command, DWORD_PTR data) {
    if (HelpLibrary == nullptr && !HelpUnavailable) {
        wchar_t registered[MAX_PATH];
        if (FindHelpControl(registered)) {
            HelpLibrary = LoadLibraryW(registered);
        }
        if (HelpLibrary == nullptr) {
            HelpLibrary = LoadLibraryW(L"hhctrl.ocx");
        }
        if (HelpLibrary == nullptr) {
            HelpUnavailable = true;
        }
    }
    if (HelpUnavailable) {
        return nullptr;
    }
    if (HtmlHelpEntry == nullptr) {
        HtmlHelpEntry = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(
            GetProcAddress(HelpLibrary, MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
        if (HtmlHelpEntry == nullptr) {
            HelpUnavailable = true;
            return nullptr;
        }
    }
    return HtmlHelpEntry(window, file, command, data);
}

void ShowHelp(HWND dialog) {
    // The path is built at whatever length the executable's folder has.
    std::string path = ExecutablePath();
    const size_t separator = path.find_last_of("\\/");
    path.resize(separator == std::string::npos ? 0 : separator);
    path += "\\Scrivtree.chm";
    CallHtmlHelp(dialog, Widen(path).c_str(), kDisplayTableOfContents, 0);
}
