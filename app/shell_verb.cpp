#include "app/shell_verb.h"

#include <windows.h>

#include <string>

#include "platform/registry_key.h"
#include "engine/program_resources.h"
#include "platform/wide_text.h"
#include "res/resource.h"

namespace {

bool SetDefaultValue(HKEY key, const std::string& text) {
    const std::wstring wide = Widen(text);
    return RegSetValueW(key, nullptr, REG_SZ, wide.c_str(),
                        static_cast<DWORD>(wide.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

void RegisterShellVerb(const char* class_name) {
    const RegistryKey verb = CreateRegistryKey(
        HKEY_CLASSES_ROOT, (std::string(class_name) + "\\shell\\UseScrivtree").c_str());
    if (!verb) {
        return;
    }
    if (!SetDefaultValue(verb.get(), ProgramString(IDS_SHELL_VERB))) {
        return;
    }
    const RegistryKey command = CreateRegistryKey(verb.get(), "command");
    if (!command) {
        return;
    }
    const std::string executable = ExecutablePath();
    if (!executable.empty()) {
        SetDefaultValue(command.get(), "\"" + executable + "\" \"%1\"");
    }
}
