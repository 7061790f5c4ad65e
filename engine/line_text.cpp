#include "engine/line_text.h"

#include "engine/ascii.h"
#include "platform/utf8.h"

int TextColumns(std::string_view text, bool utf8) {
    return utf8 ? CountCharacters(text) : static_cast<int>(text.size());
}

void ClearLine(TextLine& line) {
    line.text.clear();
}

void AppendText(TextLine& line, std::string_view text) {
    line.text.append(text);
}

void AppendSpaces(TextLine& line, int count) {
    line.text.append(static_cast<size_t>(count > 0 ? count : 1), ' ');
}

static int LineColumns(const TextLine& line) {
    return TextColumns(line.text, line.utf8);
}

std::string_view SectionTitle(std::string_view folder, bool full_paths_in_titles) {
    const size_t slash = folder.rfind('\\');
    if (full_paths_in_titles || slash == std::string_view::npos || slash + 1 == folder.size()) {
        return folder;
    }
    return folder.substr(slash + 1);
}

void BuildUnderline(TextLine& line, std::string_view title) {
    ClearLine(line);
    line.text.append(static_cast<size_t>(TextColumns(title, line.utf8)), '=');
}

static bool EndsWithBackslash(std::string_view path) {
    return !path.empty() && path.back() == '\\';
}

int NameColumnWidth(const FolderEntry* list, std::string_view folder, bool full_paths, bool utf8) {
    int width = 0;
    for (const FolderEntry* entry = list; entry != nullptr; entry = entry->next) {
        // A name has at least one column per character: only names that may be wider count.
        if (entry->name_length > width) {
            const int columns = TextColumns(entry->Name(), utf8);
            width = columns > width ? columns : width;
        }
    }
    return full_paths ? width + TextColumns(folder, utf8) : width;
}

// Appends the number in decimal, every bit of it: a 5 GiB file shows as 5368709120.
static void AppendNumber(TextLine& line, uint64_t value) {
    char digits[20];
    size_t start = sizeof digits;
    do {
        digits[--start] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    AppendText(line, {digits + start, sizeof digits - start});
}

// Appends the entry's name as the listing shows it: folders upper-cased.
static void AppendShownName(TextLine& line, const FolderEntry& entry) {
    const size_t start = line.text.size();
    AppendText(line, entry.Name());
    if (entry.is_folder) {
        for (size_t i = start; i < line.text.size(); ++i) {
            line.text[i] = UpperAscii(line.text[i]);
        }
    }
}

// Cuts the extension of the name at the end of the line: back to the last '.', unless a
// backslash comes first, so the cut never reaches into a folder path.
static void CutExtension(TextLine& line) {
    for (size_t at = line.text.size(); at-- > 0;) {
        if (line.text[at] == '\\') {
            return;
        }
        if (line.text[at] == '.') {
            line.text.resize(at);
            return;
        }
    }
}

void BuildEntryLine(TextLine& line, const ListJob& job, std::string_view folder,
                    const FolderEntry& entry, int width, std::string_view date,
                    std::string_view time) {
    ClearLine(line);
    if (job.full_paths) {
        AppendText(line, folder);
        if (!EndsWithBackslash(folder)) {
            AppendText(line, "\\");
        }
    }
    AppendShownName(line, entry);
    if (!job.include_extensions) {
        CutExtension(line);
    }
    if (!job.full_information) {
        return;
    }
    AppendSpaces(line, width + 6 - LineColumns(line));
    if (entry.is_folder) {
        AppendText(line, "DIR");
        AppendSpaces(line, 9);
    } else {
        const size_t size_start = line.text.size();
        AppendNumber(line, entry.size);
        AppendSpaces(line, static_cast<int>(size_start + 12 - line.text.size()));
    }
    AppendText(line, date);
    AppendSpaces(line, 15 - TextColumns(date, line.utf8));
    AppendText(line, time);
}

// Characters are copied as they come; each run of spaces is weighed whole: a TAB for every stop
// after the run's start that a character of the line reaches, then the spaces left before the
// next character. A run at the line's end leaves no spaces.
size_t TabFill(std::string_view line, bool utf8, char* out) {
    size_t written = 0;
    size_t column = 0;
    size_t at = 0;
    while (at < line.size()) {
        if (line[at] != ' ') {
            column += utf8 && IsContinuationByte(line[at]) ? 0 : 1;
            out[written++] = line[at++];
            continue;
        }
        size_t run = 1;
        while (at + run < line.size() && line[at + run] == ' ') {
            ++run;
        }
        const bool trailing = at + run == line.size();
        const size_t next = column + run;
        const size_t last_reached = trailing ? next - 1 : next;
        while ((column | 7) + 1 <= last_reached) {
            out[written++] = '\t';
            column = (column | 7) + 1;
        }
        for (; !trailing && column < next; ++column) {
            out[written++] = ' ';
        }
        column = next;
        at += run;
    }
    return written;
}
