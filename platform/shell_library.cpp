#include "platform/shell_library.h"

namespace {

// The function name exports from the system library, or nullptr. The library stays loaded for
// the rest of the process.
template <typename Function> Function LoadSystemFunction(const wchar_t* library, const char* name) {
    const HMODULE module = LoadLibraryW(library);
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

bool ShowSaveAsDialog(OPENFILENAMEA& dialog_data) {
    using SaveFileFunction = BOOL(WINAPI*)(OPENFILENAMEA*);
    static const SaveFileFunction save_file =
        LoadSystemFunction<SaveFileFunction>(L"comdlg32.dll", "GetSaveFileNameA");
    return save_file != nullptr && save_file(&dialog_data);
}

void OpenWithShell(HWND window, const char* target) {
    using ShellExecuteFunction =
        HINSTANCE(WINAPI*)(HWND, const char*, const char*, const char*, const char*, int);
    static const ShellExecuteFunction shell_execute =
        LoadSystemFunction<ShellExecuteFunction>(L"shell32.dll", "ShellExecuteA");
    if (shell_execute != nullptr) {
        shell_execute(window, "open", target, nullptr, nullptr, SW_SHOW);
    }
}
