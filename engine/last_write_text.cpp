#include "engine/last_write_text.h"

#include <windows.h>

#include <array>
#include <iterator>

#include "engine/line_text.h"
#include "engine/time_picture.h"
#include "platform/wide_text.h"

namespace {

bool Utf8Output = false;
LocalTimeRule Rule = LocalTimeRule::BiasNow;

uint64_t Join(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME Split(uint64_t time) {
    return {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

// What FileTimeToLocalFileTime adds to every time: local time less UTC, with the daylight saving
// time in force now, in the units of a file time (wrapping when local time is behind).
uint64_t LocalBias = 0;
bool HaveLocalBias = false;

// Formatted texts remembered by the value they show: a listing meets the same days, and the same
// seconds, again and again, and having Windows format one costs more than the rest of the line.
// A text too long for a slot is formatted each time.
template <size_t kSlots> class FormattedTexts {
  public:
    void Clear() {
        for (Slot& slot : slots_) {
            slot.key = kNoKey;
        }
    }

    // The text remembered for key, or the one format (a call that formats into the string it
    // is given) makes, kept in text when it does not fit a slot.
    template <typename Format>
    std::string_view Text(uint32_t key, std::string& text, Format format) {
        Slot& slot = slots_[key % kSlots];
        if (slot.key == key) {
            return {slot.text, slot.length};
        }
        format(text);
        if (text.size() <= std::size(slot.text)) {
            slot.key = key;
            slot.length = static_cast<uint8_t>(text.copy(slot.text, std::size(slot.text)));
        }
        return text;
    }

  private:
    static constexpr uint32_t kNoKey = UINT32_MAX;
    struct Slot {
        uint32_t key = kNoKey;
        uint8_t length = 0;
        char text[27];
    };
    std::array<Slot, kSlots> slots_;
};

// Every day of 32 years; times only when Windows formats them (see OwnTimes), by the second.
FormattedTexts<16384> DateTexts;
FormattedTexts<4096> TimeTexts;

// Times are formatted here from the user's picture when it is one this program knows and gives,
// at the start of a run, the same texts as Windows; otherwise Windows formats each second once.
TimePicture Picture;
bool OwnTimes = false;

// A text from GetDateFormatW or GetTimeFormatW (length counting its NUL, 0 on failure) in the
// listing's encoding.
void AssignWritten(const wchar_t* text, int length, std::string& written) {
    const size_t units = length > 1 ? static_cast<size_t>(length - 1) : 0;
    written.resize(units * kMaxUtf8PerUtf16Unit);
    written.resize(EncodeForListing(text, units, Utf8Output, written.data()));
}

void WindowsDate(const SYSTEMTIME& calendar, std::string& written) {
    wchar_t text[kDateTimeCapacity];
    AssignWritten(
        text, GetDateFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, text, kDateTimeCapacity),
        written);
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

// The bias of each date, remembered by the quarter hour of UTC it holds: a zone changes its
// daylight saving time on a quarter hour, and a listing meets the same hours again and again.
struct DateBias {
    uint64_t quarter = UINT64_MAX;
    uint64_t bias = 0;
};
std::array<DateBias, 1024> DateBiases;
constexpr uint64_t kQuarterHour = 900ull * 10'000'000;

// The zone, and its rules for each year met: the rules of daylight saving time have changed over
// the years, and a file's time is shown by those of its own. Asking for a year's rules reads the
// registry, and a tree's files come from many years in no order: each year is asked for once.
DYNAMIC_TIME_ZONE_INFORMATION Zone;
bool HaveZone = false;
struct YearRules {
    WORD year = 0;
    TIME_ZONE_INFORMATION rules;
};
std::array<YearRules, 128> RulesByYear;

const TIME_ZONE_INFORMATION* RulesOfYear(WORD year) {
    if (!HaveZone) {
        return nullptr;
    }
    YearRules& remembered = RulesByYear[year % RulesByYear.size()];
    if (remembered.year != year) {
        TIME_ZONE_INFORMATION rules;
        if (!GetTimeZoneInformationForYear(year, &Zone, &rules)) {
            return nullptr;
        }
        remembered = {year, rules};
    }
    return &remembered.rules;
}

bool ToLocalTimeOfItsDate(uint64_t last_write, FILETIME& local) {
    const uint64_t quarter = last_write / kQuarterHour;
    DateBias& remembered = DateBiases[quarter % DateBiases.size()];
    if (remembered.quarter != quarter) {
        const uint64_t start = quarter * kQuarterHour;
        const FILETIME utc = Split(start);
        SYSTEMTIME utc_calendar;
        SYSTEMTIME local_calendar;
        FILETIME local_start;
        if (!FileTimeToSystemTime(&utc, &utc_calendar) ||
            !SystemTimeToTzSpecificLocalTime(RulesOfYear(utc_calendar.wYear), &utc_calendar,
                                             &local_calendar) ||
            !SystemTimeToFileTime(&local_calendar, &local_start)) {
            return false;
        }
        remembered = {quarter, Join(local_start) - start};
    }
    local = Split(last_write + remembered.bias);
    return true;
}

bool ToLocalTime(uint64_t last_write, FILETIME& local) {
    if (Rule == LocalTimeRule::BiasOfItsDate) {
        return ToLocalTimeOfItsDate(last_write, local);
    }
    if (HaveLocalBias) {
        local = Split(last_write + LocalBias);
        return true;
    }
    const FILETIME utc = Split(last_write);
    return FileTimeToLocalFileTime(&utc, &local) != 0;
}

bool LocalCalendar(uint64_t last_write, SYSTEMTIME& calendar) {
    FILETIME local;
    return ToLocalTime(last_write, local) && FileTimeToSystemTime(&local, &calendar);
}

} // namespace

void PrepareLastWriteText(bool utf8_output, LocalTimeRule rule) {
    Utf8Output = utf8_output;
    Rule = rule;
    FILETIME now;
    FILETIME local;
    GetSystemTimeAsFileTime(&now);
    HaveLocalBias = FileTimeToLocalFileTime(&now, &local) != 0;
    LocalBias = Join(local) - Join(now);
    DateBiases.fill(DateBias{});
    HaveZone = GetDynamicTimeZoneInformation(&Zone) != TIME_ZONE_ID_INVALID;
    RulesByYear.fill(YearRules{});
    DateTexts.Clear();
    TimeTexts.Clear();
    PrepareTimePicture();
}

void LastWriteText::Format(uint64_t last_write) {
    date = {};
    time = {};
    SYSTEMTIME calendar;
    if (!LocalCalendar(last_write, calendar)) {
        return;
    }
    const uint32_t day = (calendar.wYear * 16u + calendar.wMonth) * 32u + calendar.wDay;
    date = DateTexts.Text(day, date_text_,
                          [&calendar](std::string& text) { WindowsDate(calendar, text); });
    if (OwnTimes) {
        time_text_.clear();
        AppendTime(Picture, calendar.wHour, calendar.wMinute, calendar.wSecond, time_text_);
        time = time_text_;
        return;
    }
    const uint32_t second = (calendar.wHour * 60u + calendar.wMinute) * 60u + calendar.wSecond;
    time = TimeTexts.Text(second, time_text_,
                          [&calendar](std::string& text) { WindowsTime(calendar, text); });
}

void LastWriteText::FormatSortable(uint64_t last_write) {
    date = {};
    time = {};
    SYSTEMTIME calendar;
    if (!LocalCalendar(last_write, calendar)) {
        return;
    }
    // Written digit by digit: a listing may hold millions of them.
    char text[] = "0000-00-00 00:00:00";
    const auto put = [&text](size_t at, unsigned value, size_t digits) {
        for (size_t i = digits; i-- > 0; value /= 10) {
            text[at + i] = static_cast<char>('0' + value % 10);
        }
    };
    put(0, calendar.wYear, 4);
    put(5, calendar.wMonth, 2);
    put(8, calendar.wDay, 2);
    put(11, calendar.wHour, 2);
    put(14, calendar.wMinute, 2);
    put(17, calendar.wSecond, 2);
    date_text_.assign(text, 10);
    time_text_.assign(text + 11, 8);
    date = date_text_;
    time = time_text_;
}
