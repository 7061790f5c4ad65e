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
