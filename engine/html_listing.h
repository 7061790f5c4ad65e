// The listing as one web page: UTF-8 HTML with its own style sheet and nothing else, titled with
// the start folder and the counts; per folder a section headed by its path, with a link to its
// parent's section, and a table of its entries (name, size with the user's digit grouping, and
// date and time in the user's formats), each sub-folder's name a link to its section.
#pragma once

#include "engine/listing_writer.h"

extern const ListingWriter HtmlListing;
