// A time picture of the user's locale, such as "h:mm:ss tt", taken apart once, so that a listing
// formats the time of each of its files itself instead of asking Windows a million times.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TimePiece {
    enum class Kind : uint8_t {
        Text,
        Hour12,
        Hour24,
        Minute,
        Second,
        // The time marker ("AM", "PM"): whole, or its first character.
        Marker,
        MarkerInitial,
    };
    Kind kind;
    // Numbers: with a leading zero below 10.
    bool two_digits;
    // Text pieces: the characters as they stand, quotes taken off.
    std::string text;
};

struct TimePicture {
    std::vector<TimePiece> pieces;
    // The markers before and after noon, whole and their first characters.
    std::string am;
    std::string pm;
    std::string am_initial;
    std::string pm_initial;
};

// Takes the picture (UTF-8) apart into pieces: h, hh, H, HH, m, mm, s, ss, t and tt, and text,
// either quoted with ' or any character that is no letter. Returns false for a picture with
// anything else (another letter, a letter three times, an empty or open quote), which is then
// left for Windows to format.
bool ParseTimePicture(std::string_view picture, std::vector<TimePiece>& pieces);

// Appends the time of day (hour 0 to 23) as the picture shows it.
void AppendTime(const TimePicture& picture, int hour, int minute, int second, std::string& text);
