// Numbers as the user writes them: digits in groups with the user's thousands separator, for
// the web page's sizes and the dialog's counts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends value's digits grouped as the user's settings have it: separator between groups, whose
// sizes grouping gives from the right as Windows writes them ("3;0" threes throughout, "3;2;0"
// a three then twos, "3" one group of three and the rest together, "0" or "" no grouping).
void AppendGroupedDigits(std::string& out, uint64_t value, std::string_view separator,
                         std::string_view grouping);
