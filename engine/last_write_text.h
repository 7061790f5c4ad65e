// The date and time columns of a listing: a file's last-write time in the user's local time and
// formats, in the listing's encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How a file's time becomes local time. The text listing adds the bias in force now to every
// time, as Windows' own listings long did; CSV and the web page give each time the bias of its
// own date, as Explorer shows it and as a spreadsheet compares it with other local times.
enum class LocalTimeRule {
    BiasNow,
    BiasOfItsDate,
};

// Takes, for a run, the time zone's bias and the user's time format as they are now, and
// forgets the dates formatted for an earlier run, whose encoding, locale or rule may have
// differed.
void PrepareLastWriteText(bool utf8_output, LocalTimeRule rule = LocalTimeRule::BiasNow);

// The date and time of one file; a part that cannot be formatted stays empty. The texts last
// until the next Format.
class LastWriteText {
  public:
    std::string_view date;
    std::string_view time;

    void Format(uint64_t last_write);
    // The date as yyyy-mm-dd and the time as hh:mm:ss, whatever the user's formats: for
    // programs that read them back.
    void FormatSortable(uint64_t last_write);

  private:
    std::string date_text_;
    std::string time_text_;
};
