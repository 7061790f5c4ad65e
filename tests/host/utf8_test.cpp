// UTF-8, the program's inside form of text: counting and making it from UTF-16.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace {

std::string Encoded(std::u16string_view units) {
    std::string out(units.size() * kMaxUtf8PerUtf16Unit, '\0');
    out.resize(EncodeUtf8(units.data(), units.size(), out.data()));
    return out;
}

TEST(Utf8, CountsAndLengths) {
    const struct {
        std::string_view text;
        int characters;
        size_t utf16_units;
    } cases[] = {
        {"", 0, 0},
        {"abc", 3, 3},
        {"café", 4, 4},
        {"Łódź", 4, 4},
        {"日本語", 3, 3},
        {"emoji😀", 6, 7},
        // A stray continuation byte belongs to the character before it.
        {"a\x80", 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountCharacters(c.text), c.characters) << c.text;
        EXPECT_EQ(Utf16Length(c.text), c.utf16_units) << c.text;
    }
}

TEST(Utf8, EncodedFromUtf16) {
    const struct {
        std::u16string_view units;
        std::string_view text;
    } cases[] = {
        {u"", ""},
        {u"abc", "abc"},
        {u"caf\u00E9", "café"},
        {u"\u0141\u00F3d\u017A", "Łódź"},
        {u"\u65E5\u672C\u8A9E", "日本語"},
        {u"\U0001F600", "😀"},
        {u"\uFFFF\u0080\u07FF\u0800", "\xEF\xBF\xBF\xC2\x80\xDF\xBF\xE0\xA0\x80"},
        // A surrogate without its partner, as file names on Windows may hold, becomes U+FFFD.
        {std::u16string_view(u"a\xD800"
                             "b",
                             3),
         "a\xEF\xBF\xBD"
         "b"},
        {std::u16string_view(u"\xDC00\xD800", 2), "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::u16string_view(u"x\xD83D", 2), "x\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Encoded(c.units), c.text) << c.text;
    }
}

} // namespace
