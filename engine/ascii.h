// Byte rules shared by the filter, the ordering and the command line. Only the 26 ASCII letters
// have a case; every other byte, 128 to 255 included, is an ordinary character that compares by
// its unsigned value. No locale is involved.
#pragma once

#include <string_view>

// A blank is a byte of value 1 to 32 (space, TAB and the other control characters). The NUL
// that ends a text also ends every run of non-blanks.
constexpr bool IsBlank(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 1 && byte <= 32;
}

constexpr bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

constexpr char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Negative, zero or positive as a sorts before, with or after b, ignoring the case of ASCII
// letters; a name that is a prefix of the other comes first.
constexpr int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}
