// The text of a listing's web page: names made safe to stand in markup.
#pragma once

#include <string>
#include <string_view>

// Appends text with '&', '<', '>', '"' and '\'' as character references, so that no name can
// end an element or an attribute value, or start one.
void AppendHtmlEscaped(std::string& out, std::string_view text);
