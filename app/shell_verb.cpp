#include "app/shell_verb.h"

#include <string>

#include "engine/program_resources.h"
#include "platform/registry_key.h"
#include "platform/wide_text.h"
#include "res/resource.h"

HKEY MachineClassesRoot = HKEY_LOCAL_MACHINE;

namespace {

bool SetDefaultValue(HKEY key, const std::string& text) {
    const std::wstring wide = Widen(text);
    return RegSetValueW(key, nullptr, REG_SZ, wide.c_str(),
                        static_cast<DWORD>(wide.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Writes the verb's key and its command below root; false when any of it is refused.
bool WriteVerb(HKEY root, const std::string& verb_path) {
    const RegistryKey verb = CreateRegistryKey(root, verb_path.c_str());
    if (!verb || !SetDefaultValue(verb.get(), ProgramString(IDS_SHELL_VERB))) {
        return false;
    }
    const RegistryKey command = CreateRegistryKey(verb.get(), "command");
    const std::string executable = ExecutablePath();
    return command && !executable.empty() &&
           SetDefaultValue(command.get(), "\"" + executable + "\" \"%1\"");
}

} // namespace

void RegisterShellVerb(const char* class_name) {
    const std::string verb_path =
        std::string("Software\\Classes\\") + class_name + "\\shell\\UseScrivtree";
    if (WriteVerb(MachineClassesRoot, verb_path)) {
        // The per-user copy holds the two keys this program writes, its command innermost.
        RegDeleteKeyW(HKEY_CURRENT_USER, Widen(verb_path + "\\command").c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, Widen(verb_path).c_str());
        return;
    }
    WriteVerb(HKEY_CURRENT_USER, verb_path);
}
