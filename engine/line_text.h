// The text of the listing's lines: titles, underlines, entry lines with their columns, and the
// TAB fill. Nothing here touches the file system; dates and times arrive already formatted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/entry_order.h"
#include "engine/list_job.h"

// Room for one formatted date or time.
constexpr int kDateTimeCapacity = 80;

// A line of any length: titles and full paths are written whole, however deep the folder.
struct TextLine {
    std::string text;
    // UTF-8 text counts its columns in characters, so that the columns line up in an editor;
    // text in the code page counts bytes.
    bool utf8 = false;

    std::string_view View() const { return text; }
};

// Columns the text takes: its characters in UTF-8, its bytes in the code page.
int TextColumns(std::string_view text, bool utf8);

void ClearLine(TextLine& line);

void AppendText(TextLine& line, std::string_view text);

// Appends count spaces, at least one.
void AppendSpaces(TextLine& line, int count);

// A folder's section title: its last path component, or the whole path for a drive root, a
// path without a backslash, or when the job wants full paths in titles.
std::string_view SectionTitle(std::string_view folder, bool full_paths_in_titles);

// A line of '=' as many columns wide as the title.
void BuildUnderline(TextLine& line, std::string_view title);

// Width in columns of the name column of a folder's section: the longest name among the
// entries (with extensions), plus the folder path when entry lines carry it.
int NameColumnWidth(const FolderEntry* list, std::string_view folder, bool full_paths, bool utf8);

// The whole entry line: optional folder path, the name (extension cut unless the job keeps it)
// and, with full information, the size or "DIR", date and time columns.
void BuildEntryLine(TextLine& line, const ListJob& job, std::string_view folder,
                    const FolderEntry& entry, int width, std::string_view date,
                    std::string_view time);

// Copies line into out with runs of spaces turned into TABs at every 8-column stop, as it looks
// with TAB stops every 8 columns (columns counted as TextColumns counts them); trailing spaces
// are dropped. out needs room for line.size() bytes (the fill never lengthens a line). Returns
// the number of bytes written.
size_t TabFill(std::string_view line, bool utf8, char* out);
