// Input: a byte whose lowest bit chooses UTF-8 or code-page matching, a filter text, a newline,
// then a file name. Checks the shape of the compiled store and that matching agrees with an
// independent reading of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/ascii.h"
#include "engine/file_filter.h"
#include "platform/utf8.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Pattern {
    std::string_view name;
    std::string_view ext;
    bool exclusion;
};

// Reads the pattern starting at pos and moves pos past it; aborts on a malformed pattern.
Pattern ReadPattern(const std::string& store, size_t& pos) {
    const size_t name_end = store.find('\0', pos);
    Check(name_end != std::string::npos);
    const size_t ext_end = store.find('\0', name_end + 1);
    Check(ext_end != std::string::npos);
    std::string_view name(store.data() + pos, name_end - pos);
    std::string_view ext(store.data() + name_end + 1, ext_end - name_end - 1);
    pos = ext_end + 1;

    // Both strings carry the mark, or neither does.
    const bool exclusion = !ext.empty() && ext[0] == '|';
    Check(!name.empty() && (name[0] == '|') == exclusion);
    if (exclusion) {
        name.remove_prefix(1);
        ext.remove_prefix(1);
    }
    Check(!name.empty() && name.find('.') == std::string_view::npos);
    Check(ext.find('|') == std::string_view::npos);
    for (const std::string_view piece : {name, ext}) {
        for (const char c : piece) {
            Check(!IsBlank(c));
        }
    }
    return {name, ext, exclusion};
}

// A text that compiles to the same patterns as the store.
std::string Rebuild(const std::string& store) {
    std::string text;
    bool exclusion = false;
    for (size_t pos = 0; store[pos] != '\0';) {
        const Pattern pattern = ReadPattern(store, pos);
        if (pattern.exclusion && !exclusion) {
            text += " |";
            exclusion = true;
        }
        text += ' ';
        text += pattern.name;
        if (!pattern.ext.empty()) {
            text += '.';
            text += pattern.ext;
        }
    }
    return text;
}

// '?' takes one character each: a run of as many as the piece has matches it whole, and one
// more does not. Characters are bytes in the code page; in UTF-8, a byte that starts one with
// the continuation bytes after it.
void CheckQuestionMarks(std::string_view piece, bool utf8) {
    if (piece.empty() || (utf8 && IsContinuationByte(piece[0]))) {
        return;
    }
    std::string marks(static_cast<size_t>(utf8 ? CountCharacters(piece) : piece.size()), '?');
    Check(MatchPattern(marks.c_str(), piece, utf8));
    marks += '?';
    Check(!MatchPattern(marks.c_str(), piece, utf8));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool utf8 = (data[0] & 1) != 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t newline = input.find('\n');
    const std::string_view text = input.substr(0, newline);
    const std::string_view name =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    CompiledFilter filter;
    CompileFilter(text, utf8, filter);
    const std::string& store = filter.pattern_store;
    Check(!store.empty() && store.back() == '\0');
    Check(store.size() <= 3 * text.size() + 2);

    // Walk the store: exactly pattern_count patterns, inclusions before exclusions, and the
    // closing NUL as the last byte.
    int32_t count = 0;
    bool any_included = false;
    bool any_excluded = false;
    bool seen_exclusion = false;
    size_t pos = 0;
    while (store[pos] != '\0') {
        const Pattern pattern = ReadPattern(store, pos);
        Check(!seen_exclusion || pattern.exclusion);
        seen_exclusion = pattern.exclusion;
        const std::string name_pattern(pattern.name);
        const std::string ext_pattern(pattern.ext);
        const size_t dot = name.rfind('.');
        const bool matches =
            MatchPattern(name_pattern.c_str(), name.substr(0, dot), utf8) &&
            MatchPattern(ext_pattern.c_str(),
                         dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1),
                         utf8);
        if (matches) {
            (pattern.exclusion ? any_excluded : any_included) = true;
        }
        ++count;
    }
    Check(pos == store.size() - 1);
    Check(count == filter.pattern_count);

    const bool listed = MatchFilter(filter, name);
    Check(listed == (any_included && !any_excluded));

    // ASCII letters have no case anywhere in matching.
    std::string lowered(name);
    for (char& c : lowered) {
        c = LowerAscii(c);
    }
    Check(MatchFilter(filter, lowered) == listed);
    CheckQuestionMarks(name, utf8);

    // The patterns, written back as a text, compile to the same store.
    CompiledFilter again;
    CompileFilter(Rebuild(store), utf8, again);
    Check(again.pattern_count == filter.pattern_count && again.pattern_store == store);
    return 0;
}
