#include "engine/csv_text.h"

#include "platform/utf8.h"

// Characters that end or quote a field; NUL ends the text itself.
constexpr std::string_view kNoSeparators("\"\r\n\0", 4);

std::string_view CsvSeparator(std::string_view list_separator) {
    if (CountCharacters(list_separator) != 1 ||
        list_separator.find_first_of(kNoSeparators) != std::string_view::npos) {
        return ",";
    }
    return list_separator;
}

void AppendCsvField(std::string& out, std::string_view field, std::string_view separator) {
    const bool guarded =
        !field.empty() && std::string_view("=+-@\t\r'").find(field[0]) != std::string_view::npos;
    const bool quoted = field.find(separator) != std::string_view::npos ||
                        field.find_first_of("\"\r\n") != std::string_view::npos;
    if (quoted) {
        out += '"';
    }
    if (guarded) {
        out += '\'';
    }
    if (!quoted) {
        out += field;
        return;
    }
    for (size_t start = 0;;) {
        const size_t quote = field.find('"', start);
        out.append(field.substr(start, quote - start));
        if (quote == std::string_view::npos) {
            break;
        }
        out += "\"\"";
        start = quote + 1;
    }
    out += '"';
}
