// The fields of a CSV listing, as spreadsheets read them: the separator, the quoting of RFC 4180
// and the guard that keeps a name from being taken for a formula.
#pragma once

#include <string>
#include <string_view>

// The separator for the user's list separator (UTF-8): what a spreadsheet splits a
// double-clicked .csv at. A comma when the user's is not one character, or is one that cannot
// separate fields (a double quote or a line break).
std::string_view CsvSeparator(std::string_view list_separator);

// Appends one field. A field that begins with '=', '+', '-', '@', TAB or CR would be run as a
// formula by a spreadsheet, so it gets an apostrophe in front, which shows it as text; so does a
// field that already begins with one, so that dropping the first character of every field
// that begins with an apostrophe gives each name back. A field holding the separator, a double
// quote or a line break is then quoted, its quotes doubled.
void AppendCsvField(std::string& out, std::string_view field, std::string_view separator);
