// The text of a window of another process, for the tests and the bench that drive the program
// from outside.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

// Read with the wide messages, which carry it across processes intact under Wine, and given up
// after five seconds when the window does not answer.
inline std::wstring ForeignWindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(std::min<size_t>(copied, length));
    return text;
}

// The text of a window that has just been shown, once it is there: not empty and the same on
// two reads. A message box can be visible before its text can be read, on a busy machine and in
// a prefix's first program above all. Empty when no text came within timeout_ms.
inline std::wstring SettledWindowText(HWND window, DWORD timeout_ms = 30000) {
    const DWORD start = GetTickCount();
    std::wstring before;
    while (IsWindow(window)) {
        std::wstring text = ForeignWindowText(window);
        if (!text.empty() && text == before) {
            return text;
        }
        if (GetTickCount() - start >= timeout_ms) {
            break;
        }
        before = std::move(text);
        Sleep(20);
    }
    return {};
}
