// The JSON the bench programs print for bench/measure.py and bench/dialog_run.py to read.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// A string as JSON, quoted; a line break becomes a space, so that a record stays on one line.
inline std::string JsonString(const std::string& value) {
    std::string text = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') {
            text += '\\';
        }
        text += c == '\n' ? ' ' : c;
    }
    return text + "\"";
}

// Seconds as a JSON list, to the microsecond.
inline std::string JsonList(const std::vector<double>& values) {
    std::string text = "[";
    for (double value : values) {
        char number[32];
        std::snprintf(number, sizeof number, "%s%.6f", text.size() > 1 ? ", " : "", value);
        text += number;
    }
    return text + "]";
}
