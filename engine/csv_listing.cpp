#include "engine/csv_listing.h"

#include <windows.h>

#include <charconv>

#include "engine/csv_text.h"
#include "engine/last_write_text.h"
#include "platform/wide_text.h"

namespace {

std::string Separator;
// The Folder field of the section's rows, made once for all of them.
std::string SectionFolder;
// A folder's exact name, made UTF-8 for its row.
std::string FolderName;
LastWriteText Modified;

void Begin(std::wstring_view) {
    PrepareLastWriteText(true, LocalTimeRule::BiasOfItsDate);
    Separator = CsvSeparator(UserLocaleText(LOCALE_SLIST));
    OutputBuffer += "\xEF\xBB\xBF";
    const char* separator = "";
    for (const char* column : {"Folder", "Name", "Extension", "Type", "Size", "Modified"}) {
        OutputBuffer += separator;
        OutputBuffer += column;
        separator = Separator.c_str();
    }
    OutputBuffer += "\r\n";
}

void SectionStart(const ListingSection& section) {
    SectionFolder.clear();
    AppendCsvField(SectionFolder, ExactShownPath(section.walk_path), Separator);
}

void Entry(const FolderEntry& entry) {
    std::string& out = OutputBuffer;
    out += SectionFolder;
    out += Separator;
    AppendCsvField(out, ExactName(entry, FolderName), Separator);
    out += Separator;
    if (!entry.is_folder) {
        AppendCsvField(out, entry.Extension(), Separator);
    }
    out += Separator;
    out += entry.is_folder ? "Folder" : "File";
    out += Separator;
    if (!entry.is_folder) {
        char digits[20];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, entry.size).ptr);
    }
    out += Separator;
    Modified.FormatSortable(entry.last_write);
    if (!Modified.date.empty()) {
        out += Modified.date;
        out += ' ';
        out += Modified.time;
    }
    out += "\r\n";
    OutputAppended();
}

void Nothing() {}

} // namespace

const ListingWriter CsvListing = {Begin, SectionStart, Entry, Nothing, Nothing};
