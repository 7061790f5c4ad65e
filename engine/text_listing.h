// The plain-text listing: per folder a title, a line of '=', an empty line, one line per entry
// (name, and with full information the size or "DIR", the date and the time, in columns) and
// two empty lines; lines end with CR LF, runs of spaces optionally filled with TABs.
#pragma once

#include "engine/listing_writer.h"

extern const ListingWriter TextListing;
