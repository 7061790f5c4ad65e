#include "app/shell_verb.h"

#include <windows.h>

#include <string>

#include "app/registry_key.h"
#include "engine/program_resources.h"
#include "res/resource.h"

namespace {

bool SetDefaultValue(HKEY key, const std::string& text) {
    return RegSetValueA(key, nullptr, REG_SZ, text.c_str(), static_cast<DWORD>(text.size())) ==
           ERROR_SUCCESS;
}

} // namespace

void RegisterShellVerb(const char* class_name) {
    const RegistryKey verb = CreateRegistryKey(
        HKEY_CLASSES_ROOT, (std::string(class_name) + "\\shell\\UseScrivtree").c_str());
    if (!verb) {
        return;
    }
    char menu_text[256];
    LoadProgramString(IDS_SHELL_VERB, menu_text, sizeof menu_text);
    if (!SetDefaultValue(verb.get(), menu_text)) {
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
