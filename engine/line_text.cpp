#include "engine/line_text.h"

#include "engine/ascii.h"

void ClearLine(TextLine& line) {
    line.length = 0;
    line.text[0] = '\0';
}

void AppendText(TextLine& line, std::string_view text) {
    const size_t room = static_cast<size_t>(kLineCapacity - 1 - line.length);
    const size_t count = text.size() < room ? text.size() : room;
    text.copy(line.text.data() + line.length, count);
    line.length += static_cast<int>(count);
    line.text[static_cast<size_t>(line.length)] = '\0';
}

void AppendSpaces(TextLine& line, int count) {
    if (count <= 0) {
        count = 1;
    }
    constexpr std::string_view kSpaces = "                                ";
    while (count > 0) {
        const int step = count < static_cast<int>(kSpaces.size()) ? count : kSpaces.size();
        AppendText(line, kSpaces.substr(0, static_cast<size_t>(step)));
        count -= step;
    }
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
    for (size_t i = 0; i < title.size(); ++i) {
        AppendText(line, "=");
    }
}

static bool EndsWithBackslash(std::string_view path) {
    return !path.empty() && path.back() == '\\';
}

int NameColumnWidth(const FolderEntry* list, std::string_view folder, bool full_paths) {
    int width = 0;
    for (const FolderEntry* entry = list; entry != nullptr; entry = entry->next) {
        if (entry->name_length > width) {
            width = entry->name_length;
        }
    }
    return full_paths ? width + static_cast<int>(folder.size()) : width;
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
    const int start = line.length;
    AppendText(line, entry.Name());
    if (entry.is_folder) {
        for (int i = start; i < line.length; ++i) {
            line.text[static_cast<size_t>(i)] = UpperAscii(line.text[static_cast<size_t>(i)]);
        }
    }
}

// Cuts the extension of the name at the end of the line: back to the last '.', unless a
// backslash comes first, so the cut never reaches into a folder path.
static void CutExtension(TextLine& line) {
    for (int i = line.length - 1; i >= 0; --i) {
        const char c = line.text[static_cast<size_t>(i)];
        if (c == '\\') {
            return;
        }
        if (c == '.') {
            line.length = i;
            line.text[static_cast<size_t>(i)] = '\0';
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
    AppendSpaces(line, width + 6 - line.length);
    if (entry.is_folder) {
        AppendText(line, "DIR");
        AppendSpaces(line, 9);
    } else {
        const int size_start = line.length;
        AppendNumber(line, entry.size);
        AppendSpaces(line, size_start + 12 - line.length);
    }
    const int date_start = line.length;
    AppendText(line, date);
    AppendSpaces(line, date_start + 15 - line.length);
    AppendText(line, time);
}

int TabFill(std::string_view line, char* out) {
    int written = 0;
    int pending = 0;
    for (size_t column = 0; column < line.size(); ++column) {
        if (column % 8 == 0 && pending > 0) {
            out[written++] = '\t';
            pending = 0;
        }
        if (line[column] == ' ') {
            ++pending;
            continue;
        }
        for (; pending > 0; --pending) {
            out[written++] = ' ';
        }
        out[written++] = line[column];
    }
    return written;
}
