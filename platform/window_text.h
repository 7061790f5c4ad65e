// The texts of windows and dialog controls, as UTF-8, through the wide functions: a control
// shows and holds every character, whatever the code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/wide_text.h"

inline std::string WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8FromWide(text);
}

inline std::string DialogItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

inline void SetDialogItemText(HWND dialog, int id, std::string_view text) {
    SetDlgItemTextW(dialog, id, Widen(text).c_str());
}
