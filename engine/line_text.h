// The text of the listing's lines: titles, underlines, entry lines with their columns, and the
// TAB fill. Nothing here touches the file system; dates and times arrive already formatted.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/entry_order.h"
#include "engine/list_job.h"

// 779 characters and the terminator. The longest line the engine can build (a 259-character
// folder path and a 259-character name, a 20-digit size, and a date and a time of at most 79
// characters each) stays below 710 characters, so lines are never cut.
constexpr int kLineCapacity = 780;

// Room for one formatted date or time.
constexpr int kDateTimeCapacity = 80;

struct TextLine {
    std::array<char, kLineCapacity> text{};
    int length = 0;

    std::string_view View() const { return {text.data(), static_cast<size_t>(length)}; }
};

void ClearLine(TextLine& line);

// Appends as much of the text as fits below the capacity.
void AppendText(TextLine& line, std::string_view text);

// Appends count spaces, at least one.
void AppendSpaces(TextLine& line, int count);

// A folder's section title: its last path component, or the whole path for a drive root, a
// path without a backslash, or when the job wants full paths in titles.
std::string_view SectionTitle(std::string_view folder, bool full_paths_in_titles);

// A line of '=' as long as the title.
void BuildUnderline(TextLine& line, std::string_view title);

// Width of the name column of a folder's section: the longest name among the entries (with
// extensions), plus the folder path when entry lines carry it.
int NameColumnWidth(const FolderEntry* list, std::string_view folder, bool full_paths);

// The whole entry line: optional folder path, the name (extension cut unless the job keeps it)
// and, with full information, the size or "DIR", date and time columns.
void BuildEntryLine(TextLine& line, const ListJob& job, std::string_view folder,
                    const FolderEntry& entry, int width, std::string_view date,
                    std::string_view time);

// Copies line into out with runs of spaces turned into TABs at every 8-column stop, as it looks
// with TAB stops every 8 columns; trailing spaces are dropped. out needs room for line.size()
// characters (the fill never lengthens a line). Returns the number of characters written.
int TabFill(std::string_view line, char* out);
