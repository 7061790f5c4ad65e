// Stands in, in the dialog's tests, for the HTML Help engine: its HtmlHelpW (ordinal 15, as in
// hhctrl.ocx) appends the call's arguments (the file's path in UTF-8), and the width of its own
// pointers, as one line to the file named by SCRIVTREE_HELP_RECORD, and shows nothing.
#include <windows.h>

#include <cstdint>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    if (text == nullptr) {
        return "(null)";
    }
    std::string out(wcslen(text) * 3, '\0');
    out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(),
                                                       static_cast<int>(out.size() + 1), nullptr,
                                                       nullptr)) -
               1);
    return out;
}

} // namespace

extern "C" HWND WINAPI HtmlHelpW(HWND window, const wchar_t* file, UINT command, DWORD_PTR data) {
    char record[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("SCRIVTREE_HELP_RECORD", record, sizeof record);
    if (length == 0 || length >= sizeof record) {
        return nullptr;
    }
    const std::string line = "window=" + std::to_string(reinterpret_cast<uintptr_t>(window)) +
                             " file=" + Utf8(file) + " command=" + std::to_string(command) +
                             " data=" + std::to_string(data) +
                             " bits=" + std::to_string(sizeof(void*) * 8) + "\r\n";
    HANDLE out = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(out);
    }
    return nullptr;
}
