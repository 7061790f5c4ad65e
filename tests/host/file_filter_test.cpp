#include "engine/file_filter.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

using namespace std::literals;

namespace {

// Stored forms are written out byte for byte: name pattern NUL, extension pattern NUL, and so
// on, then the closing NUL.
struct CompileCase {
    std::string_view text;
    int32_t count;
    std::string_view store;
};

void ExpectCompiles(const CompileCase& c) {
    CompiledFilter filter;
    CompileFilter(c.text, false, filter);
    EXPECT_EQ(filter.pattern_count, c.count) << '"' << c.text << '"';
    EXPECT_EQ(filter.pattern_store, c.store) << '"' << c.text << '"';
}

// The names every filter is tried on; a row's verdicts are one character per name.
constexpr std::array<std::string_view, 9> kNames = {
    "README",   "notes.txt",      "NOTES.TXT", "a.t",  "x.bak",
    "data.csv", "archive.tar.gz", ".profile",  "a.b.c"};

std::string Verdicts(std::string_view text) {
    CompiledFilter filter;
    CompileFilter(text, false, filter);
    std::string verdicts;
    for (const std::string_view name : kNames) {
        verdicts += MatchFilter(filter, name) ? 'Y' : '-';
    }
    return verdicts;
}

} // namespace

TEST(CompileFilter, TokensWithoutBar) {
    const CompileCase cases[] = {
        {"*.*", 1, "*\0*\0\0"sv},
        {"*.txt *.doc", 2, "*\0txt\0*\0doc\0\0"sv},
        {"  *.c\t*.h  ", 2, "*\0c\0*\0h\0\0"sv},
        {".txt", 1, "*\0txt\0\0"sv},
        {"readme", 1, "readme\0\0\0"sv},
        {"*", 1, "*\0\0\0"sv},
        {"data.", 1, "data\0*\0\0"sv},
        {"data.\t*.h", 2, "data\0*\0*\0h\0\0"sv},
        {".", 1, "*\0*\0\0"sv},
        {"a.b.c", 1, "a\0b.c\0\0"sv},
        {"*.*.gz", 1, "*\0*.gz\0\0"sv},
        {"", 0, "\0"sv},
        {" \t\r\n\x1f ", 0, "\0"sv},
    };
    for (const CompileCase& c : cases) {
        ExpectCompiles(c);
    }
}

TEST(CompileFilter, TokensWithBar) {
    const CompileCase cases[] = {
        {"*.* | *.bak", 2, "*\0*\0|*\0|bak\0\0"sv},
        {"*.*|*.bak", 2, "*\0*\0|*\0|bak\0\0"sv},
        {"*.* | *.bak *.tmp", 3, "*\0*\0|*\0|bak\0|*\0|tmp\0\0"sv},
        {"*.* | data.", 2, "*\0*\0|data\0|*\0\0"sv},
        {"*.* | *", 2, "*\0*\0|*\0|\0\0"sv},
        {"|*.txt *.*", 2, "|*\0|txt\0|*\0|*\0\0"sv},
        {"*.txt|", 1, "*\0txt\0\0"sv},
        {"a|b.txt", 1, "a|b\0txt\0\0"sv},
        {"readme|*.bak", 1, "readme|*\0bak\0\0"sv},
        {"data.|*.bak", 2, "data\0\0|*\0|bak\0\0"sv},
        {"*.txt | | *.bak", 2, "*\0txt\0|*\0|bak\0\0"sv},
        {"|", 0, "\0"sv},
        {" | |\t||  ", 0, "\0"sv},
    };
    for (const CompileCase& c : cases) {
        ExpectCompiles(c);
    }
    CompiledFilter filter;
    CompileFilter("*.* | *.bak", false, filter);
    EXPECT_EQ(filter.pattern_store.size(), 13u);
}

TEST(CompileFilter, ReplacesThePreviousFilter) {
    CompiledFilter filter;
    CompileFilter("*.* | *.bak *.tmp", false, filter);
    CompileFilter("*.txt", false, filter);
    EXPECT_EQ(filter.pattern_count, 1);
    EXPECT_EQ(filter.pattern_store, "*\0txt\0\0"sv);
    CompileFilter("", false, filter);
    EXPECT_EQ(filter.pattern_count, 0);
    EXPECT_EQ(filter.pattern_store, "\0"sv);
}

TEST(CompileFilter, TextEndsAtItsFirstNul) {
    ExpectCompiles({"*.txt\0*.bak"sv, 1, "*\0txt\0\0"sv});
}

TEST(CompileFilter, LongTextCompilesWhole) {
    // Many exclusion tokens, so the compiled form is far larger than the text.
    std::string text = "*.*|";
    int32_t tokens = 1;
    while (text.size() + 6 <= 259) {
        text += " n" + std::to_string(tokens) + ".";
        ++tokens;
    }
    text.resize(259, ' ');
    CompiledFilter filter;
    CompileFilter(text, false, filter);
    EXPECT_EQ(filter.pattern_count, tokens);
    const std::string last = "n" + std::to_string(tokens - 1);
    const std::string tail = "|" + last + "\0|*\0\0"s;
    ASSERT_GT(filter.pattern_store.size(), tail.size());
    EXPECT_EQ(filter.pattern_store.substr(filter.pattern_store.size() - tail.size()), tail);
    EXPECT_FALSE(MatchFilter(filter, last + ".txt"));
    EXPECT_FALSE(MatchFilter(filter, "n1.txt"));
    EXPECT_TRUE(MatchFilter(filter, "m1.txt"));

    // The costliest shape: every two characters become six bytes.
    std::string dots = "|";
    while (dots.size() < 259) {
        dots += " .";
    }
    CompileFilter(dots, false, filter);
    EXPECT_EQ(filter.pattern_count, 129);
    EXPECT_EQ(filter.pattern_store.size(), 129u * 6 + 1);
}

TEST(MatchFilter, WhichNamesPass) {
    const std::pair<std::string_view, std::string_view> rows[] = {
        // README, notes.txt, NOTES.TXT, a.t, x.bak, data.csv, archive.tar.gz, .profile, a.b.c
        {"*.*", "-YYYYYY-Y"},          {"*", "Y--------"},         {"*.* *", "YYYYYYY-Y"},
        {"*.txt", "-YY------"},        {"*.t*", "-YY------"},      {"?.*", "---YY----"},
        {"*.gz", "------Y--"},         {"*.*.gz", "-YYYYYY-Y"},    {"readme", "Y--------"},
        {"a.b.c", "---------"},        {".", "-YYYYYY-Y"},         {"*.TXT", "-YY------"},
        {"*.* | *.bak", "-YYY-YY-Y"},  {"*.*|*.bak", "-YYY-YY-Y"}, {"*.* | data.", "-YYYY-Y-Y"},
        {"|*.txt *.*", "---------"},   {"|", "---------"},         {"   ", "---------"},
        {"readme|*.bak", "---------"},
    };
    for (const auto& [text, verdicts] : rows) {
        EXPECT_EQ(Verdicts(text), verdicts) << '"' << text << '"';
    }
}

TEST(MatchFilter, SingleNames) {
    const struct {
        std::string_view text;
        std::string_view name;
        bool listed;
        // UTF-8 names and filter: '?' takes a character of any length.
        bool utf8 = false;
    } cases[] = {
        {"a*z.txt", "abc.txt", true},
        {"readme|*.bak", "readme|x.bak", true},
        {"readme", "readme.", true},
        {"data.|*.bak", "data.", true},
        {"data.|*.bak", "data.c", false},
        {"*.*", "name.", false},
        {"*", ".", false},
        {"*.*", "..", false},
        {"*.*", "..x", true},
        {"?.txt", "日.txt", true, true},
        {"?.txt", "日.txt", false},
        {"??.*", "😀x.doc", true, true},
        {"?", "😀😀", false, true},
        {"caf?.*", "café.txt", true, true},
        {"*.?", "a.é", true, true},
        {"日*.txt", "日本.txt", true, true},
        {"CAFÉ.*", "café.txt", false, true},
        {"Ł?dź.* | *.bak", "łódź.txt", false, true},
        {"Ł?dź.* | *.bak", "Łódź.txt", true, true},
    };
    for (const auto& c : cases) {
        CompiledFilter filter;
        CompileFilter(c.text, c.utf8, filter);
        EXPECT_EQ(MatchFilter(filter, c.name), c.listed) << '"' << c.text << "\" " << c.name;
    }
}

TEST(MatchFilter, OrderOfTokensDoesNotMatter) {
    std::vector<std::string> included = {"*.txt", "?.*", "readme", "a*.c"};
    std::vector<std::string> excluded = {"*.bak", "data.", "n*.*", "|"};
    const std::string first = Verdicts("*.txt ?.* readme a*.c | *.bak data. n*.* |");
    std::sort(included.begin(), included.end());
    do {
        std::sort(excluded.begin(), excluded.end());
        do {
            std::string text;
            for (const std::string& token : included) {
                text += token + " ";
            }
            text += "|";
            for (const std::string& token : excluded) {
                text += " " + token;
            }
            EXPECT_EQ(Verdicts(text), first) << text;
        } while (std::next_permutation(excluded.begin(), excluded.end()));
    } while (std::next_permutation(included.begin(), included.end()));
}

TEST(MatchPattern, WholePieceRules) {
    const struct {
        const char* pattern;
        std::string_view piece;
        bool matches;
        bool utf8 = false;
    } cases[] = {
        {"*", "", false},
        {"*", "x", true},
        {"a*", "a", false},
        {"a*", "ab", true},
        {"a*z", "abc", true},
        {"?", "", false},
        {"?", "x", true},
        {"??", "x", false},
        {"", "", true},
        {"", "x", false},
        {"abc", "ab", false},
        {"ab", "abc", false},
        {"readme", "README", true},
        {"ReadMe", "rEADmE", true},
        {"a?c", "AbC", true},
        {"[", "{", false},
        {"@", "`", false},
        {"\xE9", "\xC9", false},
        {"\xE9", "\xE9", true},
        {"b.c", "b.c", true},
        {"*.gz", "tar", true},
        {"?", "é", true, true},
        {"?", "é", false},
        {"??", "é", true},
        {"?", "😀", true, true},
        {"a?", "a\x80\x80", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchPattern(c.pattern, c.piece, c.utf8), c.matches)
            << '"' << c.pattern << "\" \"" << c.piece << '"';
    }
}

TEST(FilterBytesAbove127, AreOrdinaryCharacters) {
    ExpectCompiles({"caf\xE9.*", 1, "caf\xE9\0*\0\0"sv});
    ExpectCompiles({"a\xE9"
                    "b.txt \xA0",
                    2,
                    "a\xE9"
                    "b\0txt\0\xA0\0\0\0"sv});
    const struct {
        std::string_view text;
        std::string_view name;
        bool listed;
    } cases[] = {
        {"caf\xE9.*", "caf\xE9.txt", true}, {"caf\xE9.*", "caf\xC9.txt", false},
        {"caf\xE9.*", "cafe.txt", false},   {"*.\xFF", "x.\xFF", true},
        {"*.* | *.\xFF", "x.\xFF", false},
    };
    for (const auto& c : cases) {
        CompiledFilter filter;
        CompileFilter(c.text, false, filter);
        EXPECT_EQ(MatchFilter(filter, c.name), c.listed) << c.name;
    }
}
