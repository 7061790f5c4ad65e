// The listing for spreadsheets: UTF-8 with a byte-order mark, a header row, then one row per
// listed entry in the listing's order: the folder that holds it, its name and extension exactly
// as the file system has them, its type, its size in bytes and its last-write time in local
// time. Fields are separated by the user's list separator, as a spreadsheet splits a .csv that
// is opened with a double click.
#pragma once

#include "engine/listing_writer.h"

extern const ListingWriter CsvListing;
