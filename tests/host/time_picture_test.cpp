// The user's time picture taken apart and applied: every piece a Windows time picture has, and
// the pictures left to Windows.
#include <gtest/gtest.h>

#include <string>

#include "engine/time_picture.h"

namespace {

std::string Formatted(const char* text, int hour, int minute, int second) {
    TimePicture picture;
    EXPECT_TRUE(ParseTimePicture(text, picture.pieces)) << text;
    picture.am = "AM";
    picture.pm = "PM";
    picture.am_initial = "A";
    picture.pm_initial = "P";
    std::string time;
    AppendTime(picture, hour, minute, second, time);
    return time;
}

TEST(TimePicture, EveryPieceOnBothSidesOfNoon) {
    const struct {
        const char* picture;
        int hour, minute, second;
        const char* text;
    } cases[] = {
        {"h:mm:ss tt", 0, 0, 0, "12:00:00 AM"},
        {"h:mm:ss tt", 9, 5, 7, "9:05:07 AM"},
        {"h:mm:ss tt", 12, 30, 59, "12:30:59 PM"},
        {"h:mm:ss tt", 23, 59, 9, "11:59:09 PM"},
        {"hh:mm:ss t", 13, 4, 5, "01:04:05 P"},
        {"HH:mm:ss", 7, 8, 9, "07:08:09"},
        {"H:m:s", 7, 8, 9, "7:8:9"},
        {"H:m:s", 17, 18, 19, "17:18:19"},
        {"tt h.mm", 11, 0, 0, "AM 11.00"},
        {"H'h'mm 'Uhr'", 21, 45, 0, "21h45 Uhr"},
        {"HH\xE6\x99\x82mm\xE5\x88\x86", 6, 7, 0,
         "06\xE6\x99\x82"
         "07\xE5\x88\x86"},
        {"", 1, 2, 3, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Formatted(c.picture, c.hour, c.minute, c.second), c.text) << c.picture;
    }
}

TEST(TimePicture, LeavesUnknownPicturesToWindows) {
    std::vector<TimePiece> pieces;
    for (const char* picture : {"hhh:mm", "HH:mm:ss.fff", "h:mm 'open", "h:mm ''", "dd HH:mm"}) {
        EXPECT_FALSE(ParseTimePicture(picture, pieces)) << picture;
    }
}

} // namespace
