// What the bench programs share: their clock, and the JSON they print for bench/measure.py to
// read.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

// Seconds on the performance counter, the clock of every span the bench programs time.
inline double Seconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

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
