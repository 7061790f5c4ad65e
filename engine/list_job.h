// One listing request, as the dialog and the command line hand it to RunListing.
#pragma once

#include <atomic>
#include <cstdint>

// Order of the files within a folder; sub-folders always come first, by name. Any other value
// leaves the files in the order the folder was read.
enum SortMode : int32_t {
    ByName = 1,
    ByExtension = 2,
    BySize = 3,
    ByDate = 4,
};

// The listing's format. A spreadsheet's CSV and a web page always hold every column, in UTF-8
// with every name exact: the options of the text's columns and encoding change nothing in them.
enum ListingFormat : int32_t {
    TextFormat = 0,
    CsvFormat = 1,
    HtmlFormat = 2,
};

// The three texts are UTF-8; they belong to the caller and stay alive for the whole run, which
// only reads them. Flags other than 0 count as set.
struct ListJob {
    const char* output_path = nullptr;
    const char* start_folder = nullptr;
    const char* filter_text = nullptr;
    uint8_t include_subfolders = 0;
    uint8_t include_files = 0;
    int32_t sort_mode = ByName;
    uint8_t full_paths = 0;
    uint8_t full_paths_in_titles = 0;
    uint8_t full_information = 0;
    uint8_t use_tabs = 0;
    uint8_t include_extensions = 0;
    uint8_t show_summary = 0;
    // The listing in UTF-8 with every name exactly as the file system has it; otherwise in the
    // ANSI code page, with a name it cannot hold written as the code page's conversion gives it.
    uint8_t utf8_output = 0;
    int32_t output_format = TextFormat;
    // Set by another thread to stop the run at the next entry; none for a run that cannot be
    // stopped.
    const std::atomic<bool>* stop_requested = nullptr;
};

// How a run ended. Only Written means the whole listing is in the output file; Stopped means
// the lines written before the stop are.
enum class ListingOutcome {
    Written,
    CannotCreate,
    CannotWrite,
    OutOfMemory,
    Stopped,
};
