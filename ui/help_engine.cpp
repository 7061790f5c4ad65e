#include "ui/help_engine.h"

#include <string>

#include "platform/wide_text.h"
#include "app/registry_key.h"
#include "engine/program_resources.h"

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

constexpr WORD kHtmlHelpOrdinal = 14;
constexpr UINT kDisplayTableOfContents = 1;

HMODULE HelpLibrary = nullptr;
HtmlHelpFunction HtmlHelpEntry = nullptr;
// Set once the engine could not be had: "&Help" then does nothing without trying again.
bool HelpUnavailable = false;

} // namespace

bool FindHelpControl(char (&path)[MAX_PATH]) {
    const RegistryKey key = OpenRegistryKey(HKEY_CLASSES_ROOT, kHelpControlKey);
    DWORD size = sizeof path;
    if (!key ||
        RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                         &size) != ERROR_SUCCESS ||
        size == 0) {
        return false;
    }
    // A path stored without its terminator is taken whole when the terminator fits after it;
    // a cut path would name another file.
    if (path[size - 1] != '\0') {
        if (size == sizeof path) {
            return false;
        }
        path[size] = '\0';
    }
    return true;
}

HWND CallHtmlHelp(HWND window, const char* file, UINT command, DWORD_PTR data) {
    if (HelpLibrary == nullptr && !HelpUnavailable) {
        char registered[MAX_PATH];
        if (FindHelpControl(registered)) {
            HelpLibrary = LoadLibraryA(registered);
        }
        if (HelpLibrary == nullptr) {
            HelpLibrary = LoadLibraryA("hhctrl.ocx");
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
    // The ANSI entry of the help engine takes the path in the code page.
    CallHtmlHelp(dialog, CodePageFromUtf8(path).c_str(), kDisplayTableOfContents, 0);
}
