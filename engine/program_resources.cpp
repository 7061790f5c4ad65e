#include "engine/program_resources.h"

HINSTANCE ModuleInstance = GetModuleHandleA(nullptr);

void LoadProgramString(UINT id, char* buffer, int size) {
    if (LoadStringA(ModuleInstance, id, buffer, size) <= 0) {
        buffer[0] = '\0';
    }
}

int ShowProgramMessage(const char* text, UINT style) {
    return MessageBoxA(nullptr, text, kProgramTitle, MB_TASKMODAL | style);
}

void ShowProgramString(UINT id, UINT icon) {
    char text[256];
    LoadProgramString(id, text, sizeof text);
    ShowProgramMessage(text, icon);
}

std::string ExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(ModuleInstance, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
