#include "app/command_line_parse.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/ascii.h"

namespace {

constexpr std::string_view kPrefix = "Error in command line at";

struct Parsed {
    CommandLineParse result;
    CommandLineRequest request;
};

// Parses from the first non-blank character, as start-up hands the text over.
Parsed Parse(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) {
        ++start;
    }
    Parsed parsed;
    parsed.result = ParseCommandLine(text, start, parsed.request);
    return parsed;
}

// The names of the set flags, in a fixed order, separated by blanks.
std::string SetFlags(const ListJob& job) {
    const std::pair<const char*, uint8_t> flags[] = {
        {"s", job.include_subfolders},    {"f", job.include_files},    {"p", job.full_paths},
        {"pt", job.full_paths_in_titles}, {"i", job.full_information}, {"t", job.use_tabs},
        {"e", job.include_extensions},    {"cb", job.show_summary},    {"u", job.utf8_output},
    };
    std::string names;
    for (const auto& [name, value] : flags) {
        if (value != 0) {
            names += names.empty() ? "" : " ";
            names += name;
        }
    }
    return names;
}

// The text from the error position, or "(ok)" when the parse succeeded.
std::string ErrorRest(std::string_view text, const CommandLineParse& result) {
    if (result.ok) {
        return "(ok)";
    }
    if (result.error_position > text.size()) {
        return "(position past the end)";
    }
    return std::string(text.substr(result.error_position));
}

using Text = std::optional<std::string>;
constexpr std::nullopt_t kAbsent = std::nullopt;

struct ValueCase {
    std::string text;
    Text output_path;
    Text start_folder;
    Text filter_text;
};

void ExpectValues(const std::vector<ValueCase>& cases) {
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.text);
        const Parsed parsed = Parse(c.text);
        EXPECT_EQ(ErrorRest(c.text, parsed.result), "(ok)");
        EXPECT_EQ(parsed.request.output_path, c.output_path);
        EXPECT_EQ(parsed.request.start_folder, c.start_folder);
        EXPECT_EQ(parsed.request.filter_text, c.filter_text);
    }
}

TEST(CommandLineValues, SeparatorsQuotesAndCase) {
    ExpectValues({
        {"-out list.txt -path C:\\data", "list.txt", "C:\\data", kAbsent},
        {"/OUT:list.txt /PATH:. /F /CB", "list.txt", ".", kAbsent},
        {"-path \"C:\\My Data\" -out 'C:\\out file.txt' -s -f -sort size", "C:\\out file.txt",
         "C:\\My Data", kAbsent},
        {"-filter \"*.* | *.bak\"", kAbsent, kAbsent, "*.* | *.bak"},
        {"-Out=a", "a", kAbsent, kAbsent},
        {"-oUT:a", "a", kAbsent, kAbsent},
        {"-out = a", "a", kAbsent, kAbsent},
        {"-out : a", "a", kAbsent, kAbsent},
        {"-out\t=\ta", "a", kAbsent, kAbsent},
        {"-out'a b'", "a b", kAbsent, kAbsent},
        {"-out\"a b\"", "a b", kAbsent, kAbsent},
        {"-out = 'a b'", "a b", kAbsent, kAbsent},
        {"-out==a", "=a", kAbsent, kAbsent},
        {"-out=:a", ":a", kAbsent, kAbsent},
        {"-out 'it\"s'", "it\"s", kAbsent, kAbsent},
        {"-out \"it's\"", "it's", kAbsent, kAbsent},
        {"-out a'b", "a'b", kAbsent, kAbsent},
        {"-path a/b-c", kAbsent, "a/b-c", kAbsent},
        {"- out a", "a", kAbsent, kAbsent},
        {"/\tpath\t.", kAbsent, ".", kAbsent},
        {"-out\"a\"-path'b'-filter\"c\"", "a", "b", "c"},
        {"  -out a  ", "a", kAbsent, kAbsent},
    });
}

TEST(CommandLineValues, EmptyValues) {
    ExpectValues({
        {"-out", "", kAbsent, kAbsent},
        {"-out=", "", kAbsent, kAbsent},
        {"-path . -out=", "", ".", kAbsent},
        {"-out   ", "", kAbsent, kAbsent},
        {"-out ''", "", kAbsent, kAbsent},
        {"-out \"\" -path x", "", "x", kAbsent},
        {"-filter \"\"", kAbsent, kAbsent, ""},
    });
}

TEST(CommandLineValues, UnterminatedQuoteRunsToTheEnd) {
    ExpectValues({
        {"-out \"a b -f", "a b -f", kAbsent, kAbsent},
        {"-path 'x", kAbsent, "x", kAbsent},
        {"-out \"", "", kAbsent, kAbsent},
        {"-out 'a\" -f", "a\" -f", kAbsent, kAbsent},
    });
    EXPECT_EQ(SetFlags(Parse("-out \"a b -f").request.job), "");
}

TEST(CommandLineValues, OnlyASpaceEndsAnUnquotedValue) {
    ExpectValues({
        {"-out a\tb -path c", "a\tb", "c", kAbsent},
        {"-out a\t-path", "a\t-path", kAbsent, kAbsent},
        {"-out a\x01"
         "b",
         "a\x01"
         "b",
         kAbsent, kAbsent},
        {"-out\ta", "a", kAbsent, kAbsent},
        {"-out\n\r=\x01x", "x", kAbsent, kAbsent},
    });
}

TEST(CommandLineValues, BytesFrom128AreOrdinaryCharacters) {
    ExpectValues({
        {"-out \xE9t\xE9", "\xE9t\xE9", kAbsent, kAbsent},
        {"-out\xE9", "\xE9", kAbsent, kAbsent},
        {"-out \xA0x", "\xA0x", kAbsent, kAbsent},
        {"-out=\xA0", "\xA0", kAbsent, kAbsent},
        {"-out '\xFF \x80'", "\xFF \x80", kAbsent, kAbsent},
    });
}

TEST(CommandLineValues, RepeatedOptionReplacesTheEarlierValue) {
    ExpectValues({
        {"-out a.txt -out b.txt -path .", "b.txt", ".", kAbsent},
        {"-path a -path b -path c", kAbsent, "c", kAbsent},
        {"-filter x -filter \"\"", kAbsent, kAbsent, ""},
        {"-filter \"*.c *.h\" -FILTER *.txt", kAbsent, kAbsent, "*.txt"},
    });
}

TEST(CommandLineFlags, EachNameSetsItsOwnFlag) {
    const struct {
        const char* text;
        const char* flags;
    } cases[] = {
        {"", ""},
        {"-s", "s"},
        {"-f", "f"},
        {"-p", "p"},
        {"-pt", "pt"},
        {"-i", "i"},
        {"-t", "t"},
        {"-e", "e"},
        {"-cb", "cb"},
        {"-u", "u"},
        {"-p-t", "p t"},
        {"-s-f-e", "s f e"},
        {"-S /F -Pt -CB", "s f pt cb"},
        {"/s/f/p/pt/i/t/e/cb", "s f p pt i t e cb"},
        {"-f -f /F", "f"},
        {"-\tf", "f"},
        {"-f\x01-s", "s f"},
        {"-out -f", ""},
        {"-sort -f", ""},
        {"-filter -cb -s", "s"},
        {"-out x -f", "f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Parsed parsed = Parse(c.text);
        EXPECT_EQ(ErrorRest(c.text, parsed.result), "(ok)");
        EXPECT_EQ(SetFlags(parsed.request.job), c.flags);
    }
}

TEST(CommandLineFlags, OneFormatAtATime) {
    const struct {
        const char* text;
        int32_t format;
        const char* error_rest;
    } cases[] = {
        {"-s", TextFormat, "(ok)"},          {"-csv -s", CsvFormat, "(ok)"},
        {"/HTML -csv", HtmlFormat, "csv"},   {"-csv -f -html -s", CsvFormat, "html -s"},
        {"-html -Html", HtmlFormat, "(ok)"}, {"-csvx", TextFormat, "csvx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Parsed parsed = Parse(c.text);
        EXPECT_EQ(ErrorRest(c.text, parsed.result), c.error_rest);
        EXPECT_EQ(parsed.request.job.output_format, c.format);
    }
}

TEST(CommandLineFlags, FirstErrorEndsTheParse) {
    const Parsed parsed = Parse("-f -x -s -out a");
    EXPECT_FALSE(parsed.result.ok);
    EXPECT_EQ(SetFlags(parsed.request.job), "f");
    EXPECT_EQ(parsed.request.output_path, kAbsent);
}

TEST(CommandLineSort, ValuesAndTheirEffect) {
    const struct {
        const char* text;
        int32_t sort_mode;
    } cases[] = {
        {"", ByName},
        {"-sort name", ByName},
        {"-sort ext", ByExtension},
        {"-sort EXT", ByExtension},
        {"-sort Extension", ByExtension},
        {"-sort size", BySize},
        {"-SORT SIZE", BySize},
        {"-sort DaTe", ByDate},
        {"-sort=size", BySize},
        {"-sort:'date'", ByDate},
        {"-sort \"extension\"", ByExtension},
        {"-sort bogus", ByName},
        {"-sort sizes", ByName},
        {"-sort siz", ByName},
        {"-sort ex", ByName},
        {"-sort \"size \"", ByName},
        {"-sort size\t", ByName},
        {"-sort -f", ByName},
        {"-sort size -sort bogus", BySize},
        {"-sort size -sort", BySize},
        {"-sort size -sort ''", BySize},
        {"-sort size -sort date", ByDate},
        {"-sort date -sort name", ByName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Parsed parsed = Parse(c.text);
        EXPECT_EQ(ErrorRest(c.text, parsed.result), "(ok)");
        EXPECT_EQ(parsed.request.job.sort_mode, c.sort_mode);
    }
}

TEST(CommandLineErrors, PositionOfTheFirstError) {
    // Each case gives the text from the error position on.
    const struct {
        const char* text;
        const char* rest;
    } cases[] = {
        {"x", "x"},
        {"  x", "x"},
        {"-f x", "x"},
        {"-f \"x\"", "\"x\""},
        {"-f=", "="},
        {"-", ""},
        {"/", ""},
        {"- ", ""},
        {"-\t ", ""},
        {"-f -", ""},
        {"-f-", ""},
        {"-1", "1"},
        {"- 1", "1"},
        {"--f", "-f"},
        {"- -f", "-f"},
        {"-xyz foo", "xyz foo"},
        {"-outx", "outx"},
        {"-OUTPUT x", "OUTPUT x"},
        {"-pt2", "2"},
        {"-p2", "2"},
        {"-out -path x", "x"},
        {"-out a.txt -path b extra", "extra"},
        {"-path C:\\My Data", "Data"},
        {"-out a\"b c\"", "c\""},
        {"-\xE9", "\xE9"},
        {"\xA0-f", "\xA0-f"},
        {"-f \xA0-s", "\xA0-s"},
        {"-o\xE9ut", "o\xE9ut"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ErrorRest(c.text, Parse(c.text).result), c.rest);
    }
}

TEST(CommandLineErrors, NameLength) {
    const struct {
        const char* text;
        const char* rest;
    } cases[] = {
        // Up to 14 letters are read as a name, which no option has.
        {"-abcdefghijklmn", "abcdefghijklmn"},
        {"-abcdefghijklmn1", "abcdefghijklmn1"},
        {"-abcdefghijklmn -f", "abcdefghijklmn -f"},
        // From 15 letters on, the error stands after the fifteenth.
        {"-abcdefghijklmno", ""},
        {"-abcdefghijklmnop", "p"},
        {"- abcdefghijklmnopqrst", "pqrst"},
        {"-outoutoutoutout x", " x"},
        {"-f /FILTERFILTERFILTER", "TER"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ErrorRest(c.text, Parse(c.text).result), c.rest);
    }
}

TEST(CommandLineErrors, OptionOutputSurvivesUpToTheError) {
    const Parsed parsed = Parse("-out -path x");
    EXPECT_EQ(parsed.request.output_path, "-path");
    EXPECT_EQ(parsed.request.start_folder, kAbsent);
}

TEST(CommandLineErrors, ReadingStartsAtTheGivenPosition) {
    CommandLineRequest request;
    EXPECT_TRUE(ParseCommandLine("junk -f", 5, request).ok);
    EXPECT_EQ(SetFlags(request.job), "f");

    CommandLineRequest empty;
    EXPECT_TRUE(ParseCommandLine("-f", 2, empty).ok);
    EXPECT_EQ(SetFlags(empty.job), "");
}

// A value of any characters; repeated text of count characters.
std::string Repeated(std::string_view character, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += character;
    }
    return text;
}

TEST(CommandLineLongValues, CutAfter259Characters) {
    const std::string v259(259, 'a');
    // Counted as Windows counts a path: a character beyond U+FFFF takes two UTF-16 units, and a
    // value is never cut inside a character.
    const std::string e259 = Repeated("é", 259);
    const std::string emoji129 = Repeated("😀", 129);
    const struct {
        std::string text;
        std::string rest;
        Text output_path;
        const char* flags;
    } cases[] = {
        {"-out " + v259, "(ok)", v259, ""},
        {"-out " + v259 + " -f", "(ok)", v259, "f"},
        {"-out \"" + v259 + "\" -f", "(ok)", v259, "f"},
        {"-out=" + v259 + "'", "'", v259, ""},
        // What follows the cut is read as if an option began there.
        {"-out " + v259 + "b", "b", v259, ""},
        {"-out " + v259 + "-f", "(ok)", v259, "f"},
        {"-out " + v259 + "/f", "(ok)", v259, "f"},
        {"-out " + v259 + "\t-f", "(ok)", v259, "f"},
        {"-out \"" + v259 + "b\"", "b\"", v259, ""},
        {"-out \"" + v259 + "-f\"", "\"", v259, "f"},
        {"-out \"" + v259 + " -f\"", "\"", v259, "f"},
        {"-out " + v259 + v259 + "b", v259 + "b", v259, ""},
        {"-out " + v259 + "-out b", "(ok)", "b", ""},
        {"-out " + e259 + " -u", "(ok)", e259, "u"},
        {"-out " + e259 + "é", "é", e259, ""},
        {"-out " + emoji129 + "😀", "😀", emoji129, ""},
        {"-out " + emoji129 + "ab", "b", emoji129 + "a", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Parsed parsed = Parse(c.text);
        EXPECT_EQ(ErrorRest(c.text, parsed.result), c.rest);
        EXPECT_EQ(parsed.request.output_path, c.output_path);
        EXPECT_EQ(SetFlags(parsed.request.job), c.flags);
    }
}

TEST(CommandLineLongValues, SortValueIsCutToo) {
    const std::string text = "-sort size -sort '" + std::string(259, 'x') + "date'";
    const Parsed parsed = Parse(text);
    EXPECT_EQ(ErrorRest(text, parsed.result), "date'");
    EXPECT_EQ(parsed.request.job.sort_mode, BySize);
}

TEST(CommandLineErrorText, FragmentOfAtMost15Characters) {
    const struct {
        const char* text;
        size_t position;
        const char* message;
    } cases[] = {
        {"-xyz foo", 1, "Error in command line at \"xyz foo\""},
        {"-", 1, "Error in command line at \"\""},
        {"-abcdefghijklmnopqrstuvwxyz", 1, "Error in command line at \"abcdefghijklmno\""},
        {"0123456789abcdef", 1, "Error in command line at \"123456789abcdef\""},
        {"0123456789abcdef", 2, "Error in command line at \"23456789abcdef\""},
        {"0123456789abcdef", 0, "Error in command line at \"0123456789abcde\""},
        {"0123456789abcdef", 16, "Error in command line at \"\""},
        {"0123456789abcdef", 17, "Error in command line at \"\""},
        {"-f  \"a b\"", 4, "Error in command line at \"\"a b\"\""},
        {"-f \xE9\t\xFF", 3, "Error in command line at \"\xE9\t\xFF\""},
        {"-日本語😀エラーのテキストは十五文字で切れる", 1,
         "Error in command line at \"日本語😀エラーのテキストは十五\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CommandLineErrorText(kPrefix, c.text, c.position), c.message);
    }
    EXPECT_EQ(CommandLineErrorText("Fehler bei", "-x", 1), "Fehler bei \"x\"");
    EXPECT_EQ(CommandLineErrorText("", "", 0), " \"\"");
}

TEST(CommandLineErrorText, MessagesForParsedCommandLines) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"-xyz foo", "Error in command line at \"xyz foo\""},
        {"-", "Error in command line at \"\""},
        {"-out a.txt -path b extra", "Error in command line at \"extra\""},
        {"-f -abcdefghijklmnopqrstuvwxyz", "Error in command line at \"pqrstuvwxyz\""},
        {"-f -unknownoption is here", "Error in command line at \"unknownoption i\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Parsed parsed = Parse(c.text);
        ASSERT_FALSE(parsed.result.ok);
        EXPECT_EQ(CommandLineErrorText(kPrefix, c.text, parsed.result.error_position), c.message);
    }
}

} // namespace
