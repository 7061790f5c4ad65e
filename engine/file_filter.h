// The file filter: blank-separated name.extension wildcard patterns, with a bar before the
// exclusions. Decides which files of a folder are listed; folders are never filtered.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Each pattern is two NUL-terminated strings, the name pattern then the extension pattern; an
// exclusion pattern has the mark '|' at the start of both. One more NUL follows the last
// pattern. The store grows with the text, so a compiled form is never cut.
struct CompiledFilter {
    int32_t pattern_count = 0;
    std::string pattern_store;
    // Names and patterns are UTF-8: '?' takes one character, whatever its number of bytes.
    // Otherwise they are in the code page, and '?' takes one byte.
    bool utf8 = false;
};

// Replaces the contents of filter with the compiled form of text, which is UTF-8 or in the code
// page as utf8 says. Cannot fail.
void CompileFilter(std::string_view text, bool utf8, CompiledFilter& filter);

// True when the file name (without a path) is listed: it matches at least one inclusion
// pattern and no exclusion pattern.
bool MatchFilter(const CompiledFilter& filter, std::string_view name);

// True when the NUL-terminated pattern matches the whole piece. '*' takes one or more
// characters and ends the comparison; '?' takes exactly one: a byte, or with utf8 a character.
bool MatchPattern(const char* pattern, std::string_view piece, bool utf8);
