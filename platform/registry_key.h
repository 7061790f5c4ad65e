// Registry keys that close themselves, for the shell verb, the settings and the help engine.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "platform/wide_text.h"

struct RegistryKeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyCloser>;

// Creates the key, or opens it when it exists; empty on failure.
inline RegistryKey CreateRegistryKey(HKEY parent, const char* path) {
    HKEY key = nullptr;
    return RegCreateKeyW(parent, Widen(path).c_str(), &key) == ERROR_SUCCESS ? RegistryKey(key)
                                                                             : nullptr;
}

// Opens an existing key for reading; empty when it is missing or may not be read.
inline RegistryKey OpenRegistryKey(HKEY parent, const char* path) {
    HKEY key = nullptr;
    return RegOpenKeyExW(parent, Widen(path).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS
               ? RegistryKey(key)
               : nullptr;
}
