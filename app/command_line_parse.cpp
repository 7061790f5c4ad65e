#include "app/command_line_parse.h"

#include "engine/ascii.h"
#include "engine/list_options.h"
#include "platform/utf8.h"

namespace {

// A value holds at most 259 characters, counted in UTF-16 units as Windows counts a path.
constexpr size_t kMaxValueLength = 259;

// A name of this many letters is already too long; no more of it is read.
constexpr size_t kMaxNameLetters = 15;

constexpr size_t kMaxFragmentLength = 15;

struct TextOption {
    std::string_view name;
    std::optional<std::string> CommandLineRequest::*field;
};

constexpr TextOption kTextOptions[] = {
    {"out", &CommandLineRequest::output_path},
    {"path", &CommandLineRequest::start_folder},
    {"filter", &CommandLineRequest::filter_text},
};

struct SortValue {
    std::string_view name;
    SortMode mode;
};

constexpr SortValue kSortValues[] = {
    {"name", ByName}, {"ext", ByExtension}, {"extension", ByExtension},
    {"size", BySize}, {"date", ByDate},
};

struct FormatOption {
    std::string_view name;
    ListingFormat format;
};

constexpr FormatOption kFormatOptions[] = {
    {"csv", CsvFormat},
    {"html", HtmlFormat},
};

// Index of the character after the one at pos.
size_t NextCharacter(std::string_view text, size_t pos) {
    do {
        ++pos;
    } while (pos < text.size() && IsContinuationByte(text[pos]));
    return pos;
}

size_t SkipBlanks(std::string_view text, size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// Reads the value that follows an option name and moves pos past it. An unquoted value ends at
// a space only, so a TAB stays inside it. A value that does not fit is cut, and its remaining
// characters are left for the option reader.
std::string_view ReadValue(std::string_view text, size_t& pos) {
    pos = SkipBlanks(text, pos);
    if (pos < text.size() && (text[pos] == '=' || text[pos] == ':')) {
        pos = SkipBlanks(text, pos + 1);
    }
    char end = ' ';
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
        end = text[pos];
        ++pos;
    }
    // A value is cut between characters, never inside one.
    const size_t begin = pos;
    size_t units = 0;
    while (pos < text.size() && text[pos] != end) {
        const size_t next = NextCharacter(text, pos);
        units += Utf16Length(text.substr(pos, next - pos));
        if (units > kMaxValueLength) {
            break;
        }
        pos = next;
    }
    const std::string_view value = text.substr(begin, pos - begin);
    if (pos < text.size() && text[pos] == end) {
        ++pos;
    }
    return value;
}

// An unrecognised value keeps the earlier sort key, so a typo does not stop the run.
void ApplySortValue(std::string_view value, ListJob& job) {
    for (const SortValue& sort : kSortValues) {
        if (EqualNoCase(value, sort.name)) {
            job.sort_mode = sort.mode;
            return;
        }
    }
}

// Carries out the option called name, reading its value from pos when it takes one. False
// when no option has that name, or when it asks for a format other than one already asked for.
bool ApplyOption(std::string_view name, std::string_view text, size_t& pos,
                 CommandLineRequest& request) {
    for (const TextOption& option : kTextOptions) {
        if (EqualNoCase(name, option.name)) {
            request.*option.field = std::string(ReadValue(text, pos));
            return true;
        }
    }
    if (EqualNoCase(name, "sort")) {
        ApplySortValue(ReadValue(text, pos), request.job);
        return true;
    }
    for (const FormatOption& option : kFormatOptions) {
        if (EqualNoCase(name, option.name)) {
            ListJob& job = request.job;
            if (job.output_format != TextFormat && job.output_format != option.format) {
                return false;
            }
            job.output_format = option.format;
            return true;
        }
    }
    for (const ListOption& option : kListOptions) {
        if (!option.flag.empty() && EqualNoCase(name, option.flag)) {
            request.job.*option.field = 1;
            return true;
        }
    }
    return false;
}

CommandLineParse ErrorAt(size_t position) {
    return CommandLineParse{false, position};
}

} // namespace

CommandLineParse ParseCommandLine(std::string_view text, size_t start,
                                  CommandLineRequest& request) {
    size_t pos = start;
    while (pos < text.size()) {
        if (text[pos] != '-' && text[pos] != '/') {
            return ErrorAt(pos);
        }
        pos = SkipBlanks(text, pos + 1);
        const size_t name_start = pos;
        while (pos < text.size() && pos - name_start < kMaxNameLetters &&
               IsAsciiLetter(text[pos])) {
            ++pos;
        }
        const std::string_view name = text.substr(name_start, pos - name_start);
        if (name.empty()) {
            return ErrorAt(name_start);
        }
        if (name.size() == kMaxNameLetters) {
            return ErrorAt(pos);
        }
        if (!ApplyOption(name, text, pos, request)) {
            return ErrorAt(name_start);
        }
        pos = SkipBlanks(text, pos);
    }
    return CommandLineParse{};
}

std::string CommandLineErrorText(std::string_view prefix, std::string_view text, size_t position) {
    const size_t start = position < text.size() ? position : text.size();
    size_t end = start;
    for (size_t characters = 0; end < text.size() && characters < kMaxFragmentLength;
         ++characters) {
        end = NextCharacter(text, end);
    }
    const std::string_view fragment = text.substr(start, end - start);
    std::string message(prefix);
    message += " \"";
    message += fragment;
    message += '"';
    return message;
}
