#include "engine/last_write_text.h"

#include <windows.h>

#include <array>
#include <iterator>

#include "engine/line_text.h"
#include "engine/time_picture.h"
#include "platform/wide_text.h"

namespace {

bool Utf8Output = false;

// What FileTimeToLocalFileTime adds to every time: local time less UTC, with the daylight saving
// time in force now, in the units of a file time (wrapping when local time is behind).
uint64_t LocalBias = 0;
bool HaveLocalBias = false;

// Formatted dates remembered by their day: a listing meets the same days again and again, and
// having Windows format one costs more than the rest of the line. Enough slots for every day of
// 32 years; a text too long for a slot is formatted each time.
struct DateSlot {
    static constexpr uint32_t kNoDay = UINT32_MAX;
    uint32_t day = kNoDay;
    uint8_t length = 0;
    char text[27];
};
std::array<DateSlot, 16384> DateTexts;

// Times are formatted here from the user's picture when it is one this program knows and gives,
// at the start of a run, the same texts as Windows; otherwise Windows formats each.
TimePicture Picture;
bool OwnTimes = false;

// A text from GetDateFormatW or GetTimeFormatW (length counting its NUL, 0 on failure) in the
// listing's encoding.
void AssignWritten(const wchar_t* text, int length, std::string& written) {
    const size_t units = length > 1 ? static_cast<size_t>(length - 1) : 0;
    written.resize(units * kMaxUtf8PerUtf16Unit);
    written.resize(EncodeForListing(text, units, Utf8Output, written.data()));
}

void WindowsTime(const SYSTEMTIME& calendar, std::string& written) {
    wchar_t text[kDateTimeCapacity];
    AssignWritten(
        text, GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, text, kDateTimeCapacity),
        written);
}

std::wstring LocaleText(LCTYPE type) {
    wchar_t text[kDateTimeCapacity];
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, kDateTimeCapacity);
    return length > 1 ? std::wstring(text, static_cast<size_t>(length - 1)) : std::wstring();
}

// The first character of a marker: a surrogate pair is one.
std::wstring Initial(const std::wstring& marker) {
    if (marker.empty()) {
        return marker;
    }
    const bool pair = marker.size() > 1 && marker[0] >= 0xD800 && marker[0] <= 0xDBFF;
    return marker.substr(0, pair ? 2 : 1);
}

// Whether the picture gives Windows' own text for times of every kind: hours on both sides of
// noon and at its edges, numbers of one and two digits.
bool PictureMatchesWindows() {
    static constexpr WORD kSamples[][3] = {{0, 0, 0},    {1, 2, 3},   {9, 59, 9},   {10, 10, 10},
                                           {11, 59, 59}, {12, 0, 0},  {12, 34, 56}, {13, 5, 7},
                                           {21, 9, 30},  {23, 59, 59}};
    std::string own;
    std::string windows;
    for (const auto& sample : kSamples) {
        SYSTEMTIME calendar{2024, 2, 0, 29, sample[0], sample[1], sample[2], 0};
        own.clear();
        AppendTime(Picture, sample[0], sample[1], sample[2], own);
        WindowsTime(calendar, windows);
        if (own != windows) {
            return false;
        }
    }
    return true;
}

void PrepareTimePicture() {
    OwnTimes = ParseTimePicture(Utf8FromWide(LocaleText(LOCALE_STIMEFORMAT)), Picture.pieces);
    if (!OwnTimes) {
        return;
    }
    for (TimePiece& piece : Picture.pieces) {
        piece.text = ListingText(piece.text, Utf8Output);
    }
    const std::wstring am = LocaleText(LOCALE_S1159);
    const std::wstring pm = LocaleText(LOCALE_S2359);
    Picture.am = ListingText(Utf8FromWide(am), Utf8Output);
    Picture.pm = ListingText(Utf8FromWide(pm), Utf8Output);
    Picture.am_initial = ListingText(Utf8FromWide(Initial(am)), Utf8Output);
    Picture.pm_initial = ListingText(Utf8FromWide(Initial(pm)), Utf8Output);
    OwnTimes = PictureMatchesWindows();
}

bool ToLocalTime(uint64_t last_write, FILETIME& local) {
    if (HaveLocalBias) {
        const uint64_t time = last_write + LocalBias;
        local = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
        return true;
    }
    const FILETIME utc{static_cast<DWORD>(last_write), static_cast<DWORD>(last_write >> 32)};
    return FileTimeToLocalFileTime(&utc, &local) != 0;
}

} // namespace

void PrepareLastWriteText(bool utf8_output) {
    Utf8Output = utf8_output;
    FILETIME now;
    FILETIME local;
    GetSystemTimeAsFileTime(&now);
    HaveLocalBias = FileTimeToLocalFileTime(&now, &local) != 0;
    const auto join = [](const FILETIME& time) {
        return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    LocalBias = join(local) - join(now);
    for (DateSlot& slot : DateTexts) {
        slot.day = DateSlot::kNoDay;
    }
    PrepareTimePicture();
}

void LastWriteText::Format(uint64_t last_write) {
    date = {};
    time = {};
    FILETIME local;
    SYSTEMTIME calendar;
    if (!ToLocalTime(last_write, local) || !FileTimeToSystemTime(&local, &calendar)) {
        return;
    }
    const uint32_t day = (calendar.wYear * 16u + calendar.wMonth) * 32u + calendar.wDay;
    DateSlot& slot = DateTexts[day % DateTexts.size()];
    if (slot.day == day) {
        date = {slot.text, slot.length};
    } else {
        wchar_t text[kDateTimeCapacity];
        AssignWritten(
            text,
            GetDateFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, text, kDateTimeCapacity),
            date_text_);
        date = date_text_;
        if (date_text_.size() <= std::size(slot.text)) {
            slot.day = day;
            slot.length = static_cast<uint8_t>(date_text_.copy(slot.text, std::size(slot.text)));
        }
    }
    if (OwnTimes) {
        time_text_.clear();
        AppendTime(Picture, calendar.wHour, calendar.wMinute, calendar.wSecond, time_text_);
    } else {
        WindowsTime(calendar, time_text_);
    }
    time = time_text_;
}
