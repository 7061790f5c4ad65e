// Stands in, in the dialog's tests, for the HTML Help engine: its HtmlHelpA (ordinal 14, as in
// hhctrl.ocx) appends the call's arguments, and the width of its own pointers, as one line to
// the file named by SCRIVTREE_HELP_RECORD, and shows nothing.
#include <windows.h>

#include <cstdint>
#include <string>

extern "C" HWND WINAPI HtmlHelpA(HWND window, LPCSTR file, UINT command, DWORD_PTR data) {
    char record[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("SCRIVTREE_HELP_RECORD", record, sizeof record);
    if (length == 0 || length >= sizeof record) {
        return nullptr;
    }
    const std::string line =
        "window=" + std::to_string(reinterpret_cast<uintptr_t>(window)) +
        " file=" + (file != nullptr ? file : "(null)") + " command=" + std::to_string(command) +
        " data=" + std::to_string(data) + " bits=" + std::to_string(sizeof(void*) * 8) + "\r\n";
    HANDLE out = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(out);
    }
    return nullptr;
}
