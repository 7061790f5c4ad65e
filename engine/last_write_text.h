// The date and time columns of a listing: a file's last-write time in the user's local time and
// formats, in the listing's encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Takes, for a run, the time zone's bias and the user's time format as they are now, and
// forgets the dates formatted for an earlier run, whose encoding or locale may have differed.
void PrepareLastWriteText(bool utf8_output);

// The date and time of one file; a part that cannot be formatted stays empty. The texts last
// until the next Format.
class LastWriteText {
  public:
    std::string_view date;
    std::string_view time;

    void Format(uint64_t last_write);

  private:
    std::string date_text_;
    std::string time_text_;
};
