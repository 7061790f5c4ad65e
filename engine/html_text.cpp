#include "engine/html_text.h"

void AppendHtmlEscaped(std::string& out, std::string_view text) {
    for (size_t start = 0;;) {
        const size_t special = text.find_first_of("&<>\"'", start);
        out.append(text.substr(start, special - start));
        if (special == std::string_view::npos) {
            return;
        }
        switch (text[special]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += "&#39;";
            break;
        }
        start = special + 1;
    }
}
