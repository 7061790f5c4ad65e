#include "engine/program_resources.h"

#include "platform/utf8.h"
#include "platform/wide_text.h"

HINSTANCE ModuleInstance = GetModuleHandleW(nullptr);

std::string ProgramString(UINT id) {
    // With a length of 0 the function hands out the resource's own read-only text.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(ModuleInstance, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? Utf8FromWide({text, static_cast<size_t>(length)}) : std::string();
}

void LoadProgramString(UINT id, char* buffer, int size) {
    const std::string text = ProgramString(id);
    size_t length = text.size() < static_cast<size_t>(size) ? text.size() : size - 1;
    while (length > 0 && length < text.size() && IsContinuationByte(text[length])) {
        --length;
    }
    buffer[text.copy(buffer, length)] = '\0';
}

int ShowProgramMessage(const char* text, UINT style) {
    return MessageBoxW(nullptr, Widen(text).c_str(), Widen(kProgramTitle).c_str(),
                       MB_TASKMODAL | style);
}

void ShowProgramString(UINT id, UINT icon) {
    ShowProgramMessage(ProgramString(id).c_str(), icon);
}

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(ModuleInstance, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return Utf8FromWide(path);
        }
        path.resize(path.size() * 2);
    }
}
