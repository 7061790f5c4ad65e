#include "app/shell_verb.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "engine/program_resources.h"
#include "res/resource.h"

namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

Key CreateKey(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyA(parent, path.c_str(), &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return Key(key);
}

bool SetDefaultValue(HKEY key, const std::string& text) {
    return RegSetValueA(key, nullptr, REG_SZ, text.c_str(), static_cast<DWORD>(text.size())) ==
           ERROR_SUCCESS;
}

} // namespace

void RegisterShellVerb(const char* class_name) {
    const Key verb =
        CreateKey(HKEY_CLASSES_ROOT, std::string(class_name) + "\\shell\\UseScrivtree");
    if (!verb) {
        return;
    }
    char menu_text[256];
    LoadProgramString(IDS_SHELL_VERB, menu_text, sizeof menu_text);
    if (!SetDefaultValue(verb.get(), menu_text)) {
        return;
    }
    const Key command = CreateKey(verb.get(), "command");
    if (!command) {
        return;
    }
    const std::string executable = ExecutablePath();
    if (!executable.empty()) {
        SetDefaultValue(command.get(), "\"" + executable + "\" \"%1\"");
    }
}
