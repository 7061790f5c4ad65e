// UTF-8, the form every name and path has inside the program: counting its characters, and
// making it from Windows' UTF-16. Nothing here touches Windows, so it is tested and fuzzed on
// the host like the rest of the portable pieces.
#pragma once

#include <cstddef>
#include <string_view>

// The second, third or fourth byte of a character; never the start of one.
constexpr bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters (code points) in the text: every byte that starts one. A stray continuation byte
// belongs to the character before it.
constexpr int CountCharacters(std::string_view text) {
    int count = 0;
    for (const char c : text) {
        count += IsContinuationByte(c) ? 0 : 1;
    }
    return count;
}

// Length of the text in UTF-16 units, as Windows counts it: a character beyond U+FFFF (a
// four-byte sequence) takes two.
constexpr size_t Utf16Length(std::string_view text) {
    size_t units = 0;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        units += IsContinuationByte(c) ? 0 : byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

// Bytes of the longest start of the text that is whole characters and at most max_units UTF-16
// units long: where a text is shortened to fit, it is never cut inside a character.
constexpr size_t PrefixOfUnits(std::string_view text, size_t max_units) {
    size_t units = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsContinuationByte(text[i])) {
            continue;
        }
        units += static_cast<unsigned char>(text[i]) >= 0xF0 ? 2 : 1;
        if (units > max_units) {
            return i;
        }
    }
    return text.size();
}

// A UTF-16 text's worst case in UTF-8: three bytes for every unit.
constexpr size_t kMaxUtf8PerUtf16Unit = 3;

// Writes the UTF-8 form of count UTF-16 units to out, which needs room for
// kMaxUtf8PerUtf16Unit * count bytes, and returns the number written. A surrogate without its
// partner, which file names on Windows may hold, becomes U+FFFD. Unit is wchar_t on Windows
// (char16_t in tests).
template <typename Unit> size_t EncodeUtf8(const Unit* units, size_t count, char* out) {
    char* const start = out;
    for (size_t i = 0; i < count; ++i) {
        unsigned long code = static_cast<unsigned long>(units[i]) & 0xFFFF;
        if (code >= 0xD800 && code <= 0xDFFF) {
            const unsigned long low =
                i + 1 < count ? static_cast<unsigned long>(units[i + 1]) & 0xFFFF : 0;
            if (code <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                code = 0xFFFD;
            }
        }
        if (code < 0x80) {
            *out++ = static_cast<char>(code);
        } else if (code < 0x800) {
            *out++ = static_cast<char>(0xC0 | (code >> 6));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (code >> 12));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | (code >> 18));
            *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return static_cast<size_t>(out - start);
}
