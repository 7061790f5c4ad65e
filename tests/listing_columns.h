// Expected listing lines written the way the listing's layout is described: each text at its
// column, counted from 0, with spaces between. Shared by the host and the Wine tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

inline std::string Columns(const std::vector<std::pair<std::string, size_t>>& pieces) {
    std::string line;
    for (const auto& [text, column] : pieces) {
        line.append(column > line.size() ? column - line.size() : 0, ' ');
        line += text;
    }
    return line;
}
