#include "platform/shell_library.h"

#include "platform/wide_text.h"

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

bool ShowSaveAsDialog(OPENFILENAMEW& dialog_data) {
    using SaveFileFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
    static const SaveFileFunction save_file =
        LoadSystemFunction<SaveFileFunction>(L"comdlg32.dll", "GetSaveFileNameW");
    return save_file != nullptr && save_file(&dialog_data);
}

void OpenWithShell(HWND window, std::string_view target) {
    using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, const wchar_t*, const wchar_t*,
                                                    const wchar_t*, const wchar_t*, int);
    static const ShellExecuteFunction shell_execute =
        LoadSystemFunction<ShellExecuteFunction>(L"shell32.dll", "ShellExecuteW");
    if (shell_execute != nullptr) {
        shell_execute(window, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOW);
    }
}
