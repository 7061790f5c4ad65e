// Compiles the filter text into name/extension pattern pairs and matches file names against them.
#include "engine/file_filter.h"

#include <cstring>

#include "engine/ascii.h"
#include "platform/utf8.h"

namespace {

// Index of the first blank, stop byte or end of text at or after pos.
size_t RunEnd(std::string_view text, size_t pos, char stop) {
    while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != stop) {
        ++pos;
    }
    return pos;
}

// Appends one pattern: the name pattern, then the extension pattern, each with its NUL and, for
// an exclusion, led by the mark.
void StorePattern(CompiledFilter& filter, bool exclusion, std::string_view name_pattern,
                  std::string_view ext_pattern) {
    for (const std::string_view piece : {name_pattern, ext_pattern}) {
        if (exclusion) {
            filter.pattern_store += '|';
        }
        filter.pattern_store += piece;
        filter.pattern_store += '\0';
    }
    ++filter.pattern_count;
}

// The pattern string that starts after the NUL ending the one at p.
const char* NextString(const char* p) {
    return p + std::strlen(p) + 1;
}

} // namespace

void CompileFilter(std::string_view text, bool utf8, CompiledFilter& filter) {
    // The text ends at its first NUL, as a C string does; a NUL inside a pattern would split it.
    text = text.substr(0, text.find('\0'));
    filter.utf8 = utf8;
    filter.pattern_count = 0;
    filter.pattern_store.clear();
    bool exclusion = false;
    size_t pos = 0;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos])) {
            ++pos;
        }
        if (pos == text.size()) {
            break;
        }
        // Once on, exclusion stays on: every token after the first bar is an exclusion.
        if (text[pos] == '|') {
            exclusion = true;
            ++pos;
            continue;
        }

        // A token splits at its first dot; a bar before that dot is part of the name pattern.
        std::string_view name_pattern = "*";
        if (text[pos] == '.') {
            ++pos;
        } else {
            const size_t end = RunEnd(text, pos, '.');
            name_pattern = text.substr(pos, end - pos);
            pos = end;
            if (pos == text.size() || text[pos] != '.') {
                StorePattern(filter, exclusion, name_pattern, {});
                continue;
            }
            ++pos;
        }

        // A dot with nothing after it means any extension. Otherwise the extension runs to a
        // blank or a bar, keeping any further dots; the bar is left for the loop to read.
        std::string_view ext_pattern = "*";
        if (pos < text.size() && !IsBlank(text[pos])) {
            const size_t end = RunEnd(text, pos, '|');
            ext_pattern = text.substr(pos, end - pos);
            pos = end;
        }
        StorePattern(filter, exclusion, name_pattern, ext_pattern);
    }
    filter.pattern_store += '\0';
}

bool MatchFilter(const CompiledFilter& filter, std::string_view name) {
    // A name splits at its last dot; without a dot it is all name piece.
    const size_t dot = name.rfind('.');
    const std::string_view name_piece = name.substr(0, dot);
    const std::string_view ext_piece =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);

    bool listed = false;
    const char* pattern = filter.pattern_store.c_str();
    for (int32_t i = 0; i < filter.pattern_count; ++i) {
        const char* name_pattern = pattern;
        const char* ext_pattern = NextString(name_pattern);
        pattern = NextString(ext_pattern);
        if (*name_pattern == '|') {
            ++name_pattern;
        }
        // The extension's mark alone decides the kind of the pattern.
        const bool exclusion = *ext_pattern == '|';
        if (exclusion) {
            ++ext_pattern;
        }
        if (MatchPattern(name_pattern, name_piece, filter.utf8) &&
            MatchPattern(ext_pattern, ext_piece, filter.utf8)) {
            listed = !exclusion;
        }
    }
    return listed;
}

bool MatchPattern(const char* pattern, std::string_view piece, bool utf8) {
    for (size_t i = 0; i < piece.size(); ++i) {
        if (*pattern == '\0') {
            return false;
        }
        // '*' takes the rest of the piece, which is not empty here; what follows it is ignored.
        if (*pattern == '*') {
            return true;
        }
        if (*pattern == '?') {
            // The bytes after a character's first belong to it. Other characters of a UTF-8
            // pattern compare byte by byte: both sides stay at character starts.
            while (utf8 && i + 1 < piece.size() && IsContinuationByte(piece[i + 1])) {
                ++i;
            }
        } else if (LowerAscii(*pattern) != LowerAscii(piece[i])) {
            return false;
        }
        ++pattern;
    }
    return *pattern == '\0';
}
