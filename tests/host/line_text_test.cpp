// The text of the listing's lines: titles, the column layout of entry lines, extension cutting
// and the TAB fill.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/line_text.h"
#include "tests/listing_columns.h"

namespace {

struct EntryList {
    EntryMark mark = MarkEntries();
    FolderEntry* head = nullptr;

    explicit EntryList(const std::vector<std::pair<std::string, bool>>& items) {
        FolderEntry** tail = &head;
        for (const auto& [name, is_folder] : items) {
            *tail = NewEntry(name, is_folder, 0, 0);
            tail = &(*tail)->next;
        }
    }
    ~EntryList() { ReleaseEntries(mark); }

    const FolderEntry& At(size_t index) const {
        const FolderEntry* entry = head;
        while (index-- > 0) {
            entry = entry->next;
        }
        return *entry;
    }
};

std::string EntryLine(const ListJob& job, std::string_view folder, const FolderEntry& entry,
                      int width, std::string_view date = "", std::string_view time = "") {
    TextLine line;
    line.utf8 = job.utf8_output != 0;
    BuildEntryLine(line, job, folder, entry, width, date, time);
    return std::string(line.View());
}

std::string Filled(std::string_view line, bool utf8 = false) {
    std::string out(line.size(), '?');
    out.resize(TabFill(line, utf8, out.data()));
    return out;
}

TEST(SectionTitle, LastComponentOrWholePath) {
    const struct {
        const char* folder;
        bool full;
        const char* title;
    } cases[] = {
        {"C:\\Work\\Demo", false, "Demo"},
        {"C:\\Work\\Demo", true, "C:\\Work\\Demo"},
        {"C:\\", false, "C:\\"},
        {"C:\\Work\\Demo\\DOCS", false, "DOCS"},
        {"Demo", false, "Demo"},
        {"", false, ""},
        {"\\\\server\\share", false, "share"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SectionTitle(c.folder, c.full), c.title) << c.folder;
    }
    TextLine underline;
    BuildUnderline(underline, "C:\\");
    EXPECT_EQ(underline.View(), "===");
    BuildUnderline(underline, "");
    EXPECT_EQ(underline.View(), "");
}

TEST(EntryLine, ColumnsOfTheWorkedExample) {
    const EntryList list({{"docs", true}, {"build.cmd", false}, {"readme.txt", false}});
    ListJob job;
    job.full_information = 1;
    job.include_extensions = 1;
    const int width = NameColumnWidth(list.head, "C:\\Work\\Demo", false, false);
    EXPECT_EQ(width, 10);
    EXPECT_EQ(EntryLine(job, "C:\\Work\\Demo", list.At(0), width, "3/14/2003", "9:05:12 AM"),
              Columns({{"DOCS", 0}, {"DIR", 16}, {"3/14/2003", 28}, {"9:05:12 AM", 43}}));

    job.full_paths = 1;
    const int full_width = NameColumnWidth(list.head, "C:\\Work\\Demo", true, false);
    EXPECT_EQ(full_width, 22);
    EXPECT_EQ(EntryLine(job, "C:\\Work\\Demo", list.At(2), full_width, "3/13/2003", "11:20:55 AM"),
              Columns({{"C:\\Work\\Demo\\readme.txt", 0},
                       {"0", 28},
                       {"3/13/2003", 40},
                       {"11:20:55 AM", 55}}));
    // A root already ends in a backslash: no second one, and one more space before the size.
    EXPECT_EQ(EntryLine(job, "C:\\", list.At(1), NameColumnWidth(list.head, "C:\\", true, false)),
              Columns({{"C:\\build.cmd", 0}, {"0", 19}, {"", 46}}));
}

TEST(EntryLine, WideFieldsStillGetOneSpace) {
    const EntryMark mark = MarkEntries();
    FolderEntry* entry = NewEntry("f", false, 123456789012345ull, 0);
    ListJob job;
    job.full_information = 1;
    job.include_extensions = 1;
    // A size of 12 digits or more and a date of 14 characters or more are followed by exactly
    // one space; a width below the name's length still leaves one.
    EXPECT_EQ(EntryLine(job, "", *entry, 1, "Wednesday, 3/14", "9:05"),
              "f      123456789012345 Wednesday, 3/14 9:05");
    EXPECT_EQ(EntryLine(job, "", *entry, 0, "", ""),
              Columns({{"f", 0}, {"123456789012345", 6}}) + std::string(16, ' '));
    ReleaseEntries(mark);
}

TEST(EntryLine, ExtensionCut) {
    const EntryList list({{"archive.tar.gz", false},
                          {".notes.txt", false},
                          {"README", false},
                          {"my.dir", true},
                          {"data.", false}});
    ListJob job;
    const char* without_paths[] = {"archive.tar", ".notes", "README", "MY", "data"};
    const char* with_paths[] = {"C:\\a.b\\archive.tar", "C:\\a.b\\.notes", "C:\\a.b\\README",
                                "C:\\a.b\\MY", "C:\\a.b\\data"};
    for (size_t i = 0; i < 5; ++i) {
        job.full_paths = 0;
        EXPECT_EQ(EntryLine(job, "C:\\a.b", list.At(i), 0), without_paths[i]);
        job.full_paths = 1;
        EXPECT_EQ(EntryLine(job, "C:\\a.b", list.At(i), 0), with_paths[i]);
    }
    // The cut names do not narrow the column: the width comes from the whole names.
    job.full_paths = 0;
    job.full_information = 1;
    EXPECT_EQ(EntryLine(job, "C:\\a.b", list.At(2), NameColumnWidth(list.head, "", false, false)),
              Columns({{"README", 0}, {"0", 20}, {"", 47}}));
}

TEST(TabFill, RunsOfSpacesBecomeTabsAtEightColumnStops) {
    const struct {
        std::string line;
        std::string filled;
    } cases[] = {
        {"", ""},
        {"no spaces", "no spaces"},
        {"ab  cd", "ab  cd"},
        {"abcdefg h", "abcdefg\th"},
        {"DOCS            DIR         3/14/2003      9:05:12 AM",
         "DOCS\t\tDIR\t    3/14/2003\t   9:05:12 AM"},
        {"trailing   ", "trailing"},
        {"x       ", "x"},
        // A stop inside a run at the end still takes its TAB.
        {"ab          ", "ab\t"},
        {"ab" + std::string(20, ' ') + "c", "ab\t\t      c"},
        {"       y", "       y"},
        {"        y", "\ty"},
        // A TAB already in the line is copied and counts as one column.
        {"a\tb      c", "a\tb\t c"},
        {"abcdefgh        i", "abcdefgh\ti"},
        // The single space inside the time stands just before column 64.
        {Columns({{"C:\\Work\\Demo\\readme.txt", 0},
                  {"980", 28},
                  {"3/13/2003", 40},
                  {"11:20:55 AM", 55}}),
         "C:\\Work\\Demo\\readme.txt\t    980\t\t3/13/2003      11:20:55\tAM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Filled(c.line), c.filled) << '"' << c.line << '"';
    }
}

TEST(TextLine, LongLinesAreKeptWhole) {
    TextLine line;
    AppendText(line, std::string(700, 'x'));
    AppendSpaces(line, 0);
    AppendSpaces(line, 500);
    AppendText(line, "tail");
    EXPECT_EQ(line.text, std::string(700, 'x') + std::string(501, ' ') + "tail");
}

// UTF-8 listings count columns in characters, so that they line up in an editor: the width,
// the column positions, the underline and the TAB fill.
TEST(Utf8Line, ColumnsCountCharacters) {
    const EntryList list({{"日本語", true}, {"emoji😀.txt", false}, {"a.txt", false}});
    EXPECT_EQ(NameColumnWidth(list.head, "", false, true), 10);
    EXPECT_EQ(NameColumnWidth(list.head, "Z:\\Łódź", true, true), 17);
    EXPECT_EQ(NameColumnWidth(list.head, "", false, false), 13);
    ListJob job;
    job.full_information = 1;
    job.include_extensions = 1;
    job.utf8_output = 1;
    EXPECT_EQ(EntryLine(job, "", list.At(0), 10, "3/14/2003", "9:05 AM"),
              "日本語" + std::string(13, ' ') + "DIR         3/14/2003      9:05 AM");
    EXPECT_EQ(EntryLine(job, "", list.At(1), 10, "3/14/2003", "9:05 AM"),
              "emoji😀.txt      0           3/14/2003      9:05 AM");

    TextLine underline;
    underline.utf8 = true;
    BuildUnderline(underline, "EMOJI😀");
    EXPECT_EQ(underline.View(), "======");

    EXPECT_EQ(Filled("日本語     x", true), "日本語\tx");
    EXPECT_EQ(Filled("日本語     x", false), "日本語     x");
    EXPECT_EQ(Filled("é" + std::string(7, ' ') + "x", true), "é\tx");
    EXPECT_EQ(Filled("é  日本語" + std::string(12, ' ') + "x", true), "é  日本語\t\t  x");
}

} // namespace
