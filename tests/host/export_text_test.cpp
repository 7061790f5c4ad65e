#include <gtest/gtest.h>

#include <string>

#include "engine/csv_text.h"
#include "engine/grouped_digits.h"
#include "engine/html_text.h"

namespace {

TEST(CsvText, SeparatorIsTheUsersWhenItIsOneCharacterThatCanSeparate) {
    const struct {
        std::string list_separator;
        std::string separator;
    } cases[] = {
        {",", ","},   {";", ";"},
        {"\t", "\t"}, {"\xD8\x8C", "\xD8\x8C"}, // Arabic comma
        {"", ","},    {";;", ","},
        {"\"", ","},  {"\n", ","},
        {"\r", ","},  {std::string(1, '\0'), ","},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list_separator);
        EXPECT_EQ(CsvSeparator(c.list_separator), c.separator);
    }
}

TEST(CsvText, FieldsAreGuardedAgainstFormulasThenQuoted) {
    const struct {
        std::string field;
        std::string separator;
        std::string written;
    } cases[] = {
        {"plain name.txt", ",", "plain name.txt"},
        {"", ",", ""},
        {"a,b", ",", "\"a,b\""},
        {"a,b", ";", "a,b"},
        {"a;b", ";", "\"a;b\""},
        {"say \"hi\"", ",", "\"say \"\"hi\"\"\""},
        {"\"", ",", "\"\"\"\""},
        {"line\nbreak", ",", "\"line\nbreak\""},
        {"it's", ",", "it's"},
        {"=1+1", ",", "'=1+1"},
        {"+x", ",", "'+x"},
        {"-x", ",", "'-x"},
        {"@SUM(A1)", ",", "'@SUM(A1)"},
        {"\tx", ",", "'\tx"},
        {"\rx", ",", "\"'\rx\""},
        {"'=x", ",", "''=x"},
        {"=a,b", ",", "\"'=a,b\""},
        {"=\"x\"", ",", "\"'=\"\"x\"\"\""},
        {"x=1", ",", "x=1"},
        {"a\xD8\x8C"
         "b",
         "\xD8\x8C",
         "\"a\xD8\x8C"
         "b\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        std::string out = "<";
        AppendCsvField(out, c.field, c.separator);
        EXPECT_EQ(out, "<" + c.written);
    }
}

TEST(HtmlText, EveryMarkupCharacterIsEscaped) {
    const struct {
        std::string text;
        std::string escaped;
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a & b", "a &amp; b"},
        {"<script>", "&lt;script&gt;"},
        {"\"quoted\" 'single'", "&quot;quoted&quot; &#39;single&#39;"},
        {"&amp;", "&amp;amp;"},
        {"日本語 & Ελληνικά", "日本語 &amp; Ελληνικά"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string out = "<p>";
        AppendHtmlEscaped(out, c.text);
        EXPECT_EQ(out, "<p>" + c.escaped);
    }
}

TEST(HtmlText, DigitsAreGroupedAsTheUsersSettingsSay) {
    const struct {
        uint64_t value;
        std::string separator;
        std::string grouping;
        std::string written;
    } cases[] = {
        {0, ",", "3;0", "0"},
        {999, ",", "3;0", "999"},
        {1000, ",", "3;0", "1,000"},
        {1234567, ",", "3;0", "1,234,567"},
        {18446744073709551615u, ",", "3;0", "18,446,744,073,709,551,615"},
        {1234567, "\xC2\xA0", "3;0",
         "1\xC2\xA0"
         "234\xC2\xA0"
         "567"},
        {1234567, "", "3;0", "1234567"},
        {123456789, ",", "3;2;0", "12,34,56,789"},
        {123456789, ",", "3", "123456,789"},
        {123456789, ",", "3;2", "1234,56,789"},
        {123456789, ",", "0", "123456789"},
        {123456789, ",", "", "123456789"},
        {123456789, "'", "3;0", "123'456'789"},
        {100, ",", "3;0", "100"},
        {123456, ",", "3;0", "123,456"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        std::string out = "#";
        AppendGroupedDigits(out, c.value, c.separator, c.grouping);
        EXPECT_EQ(out, "#" + c.written);
    }
}

} // namespace
