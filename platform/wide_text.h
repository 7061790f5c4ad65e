// Text at the edge to Windows. Inside, every name, path and message is UTF-8; the wide (UTF-16)
// functions get a copy made at the call, and what they give back is made UTF-8 at once. The
// code page appears only where a listing is written in it, and in the dialog's ANSI controls.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/utf8.h"

// A UTF-8 text for a wide function. Invalid bytes, which no text of the program's own holds,
// become U+FFFD.
inline std::wstring Widen(std::string_view text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}

// What a wide function gave, as UTF-8; a surrogate without its partner becomes U+FFFD.
inline std::string Utf8FromWide(std::wstring_view wide) {
    std::string text(wide.size() * kMaxUtf8PerUtf16Unit, '\0');
    text.resize(EncodeUtf8(wide.data(), wide.size(), text.data()));
    return text;
}

// A setting of the user's locale (LOCALE_SLIST, LOCALE_STHOUSAND, ...) as UTF-8; empty when
// Windows has none.
inline std::string UserLocaleText(LCTYPE type) {
    wchar_t text[80];
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 80);
    return length > 1 ? Utf8FromWide({text, static_cast<size_t>(length - 1)}) : std::string();
}

// The code page's form of a wide text, as the ANSI functions give it: best-fit letters, and '?'
// where the code page has none.
inline std::string CodePageFromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

inline std::string CodePageFromUtf8(std::string_view text) {
    return CodePageFromWide(Widen(text));
}

// A wide text in a listing's encoding: UTF-8, or the code page as the ANSI functions give it.
// out holds units * kMaxUtf8PerUtf16Unit bytes; returns the bytes written.
inline size_t EncodeForListing(const wchar_t* text, size_t units, bool utf8, char* out) {
    if (utf8) {
        return EncodeUtf8(text, units, out);
    }
    if (units == 0) {
        return 0;
    }
    const int written =
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(units), out,
                            static_cast<int>(units * kMaxUtf8PerUtf16Unit), nullptr, nullptr);
    return static_cast<size_t>(written > 0 ? written : 0);
}

// A UTF-8 text in a listing's encoding.
inline std::string ListingText(std::string_view text, bool utf8) {
    return utf8 ? std::string(text) : CodePageFromUtf8(text);
}

// Text of the code page (from an ANSI function or control) as UTF-8.
inline std::string Utf8FromCodePage(std::string_view text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return Utf8FromWide(wide);
}
