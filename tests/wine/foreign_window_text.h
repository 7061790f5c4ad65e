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
