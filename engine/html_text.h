// The text of a listing's web page: names made safe to stand in markup, and sizes with the
// user's digit grouping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends text with '&', '<', '>', '"' and '\'' as character references, so that no name can
// end an element or an attribute value, or start one.
void AppendHtmlEscaped(std::string& out, std::string_view text);

// Appends value's digits grouped as the user's settings have it: separator between groups, whose
// sizes grouping gives from the right as Windows writes them ("3;0" threes throughout, "3;2;0"
// a three then twos, "3" one group of three and the rest together, "0" or "" no grouping).
void AppendGroupedDigits(std::string& out, uint64_t value, std::string_view separator,
                         std::string_view grouping);
