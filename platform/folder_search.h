// Reading a folder's entries through the wide functions, by exact names and at any length: the
// listing's walk and the dialog's folder list both read folders this way.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};
using FindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

// The absolute path with the "\\?\" prefix, under which Windows takes every name as it is (a
// trailing dot or blank stays, "aux" is no device) and paths may pass 259 characters: C:\x
// gives \\?\C:\x, \\server\share gives \\?\UNC\server\share.
inline std::wstring ExactPath(std::wstring absolute) {
    if (absolute.rfind(L"\\\\?\\", 0) == 0) {
        return absolute;
    }
    if (absolute.rfind(L"\\\\", 0) == 0) {
        return absolute.replace(0, 2, L"\\\\?\\UNC\\");
    }
    return absolute.insert(0, L"\\\\?\\");
}

// The path as Windows shows it, without the "\\?\" prefix: ExactPath undone.
inline std::wstring PlainPath(std::wstring_view exact) {
    if (exact.substr(0, 8) == L"\\\\?\\UNC\\") {
        return std::wstring(L"\\").append(exact.substr(7));
    }
    return std::wstring(exact.substr(exact.substr(0, 4) == L"\\\\?\\" ? 4 : 0));
}

// The path made absolute with the usual rules (a trailing dot or blank goes, "." and ".."
// resolve); empty when it cannot be made.
inline std::wstring FullPath(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) {
        return {};
    }
    full.resize(length);
    return full;
}

// Starts reading the entries that match pattern: without the short names, which the program
// never shows, and fetching many entries per call; Windows before 7 knows neither and refuses
// them. Empty when nothing can be read; GetLastError tells why.
inline FindHandle FindFirstEntry(const wchar_t* pattern, WIN32_FIND_DATAW& found) {
    HANDLE find = FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        find = FindFirstFileExW(pattern, FindExInfoStandard, &found, FindExSearchNameMatch, nullptr,
                                0);
    }
    return FindHandle(find != INVALID_HANDLE_VALUE ? find : nullptr);
}

// The pattern of every entry of the folder at path: "*" and not "*.*", which some file systems
// take to leave out a name that ends with a dot.
inline std::wstring EveryEntry(std::wstring path) {
    return path.append(!path.empty() && path.back() == L'\\' ? L"*" : L"\\*");
}
