// The listing's options, one row each: the command-line flag that sets it, the job's field, the
// dialog's check box and its bit in the remembered "Options12". A row lacks what its option does
// not have: "&Launch Output File" is the dialog's alone, -cb and -u the command line's (the
// dialog always shows its summary, and takes the encoding from the output file's type).
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/list_job.h"
#include "res/resource.h"

struct ListOption {
    std::string_view flag;
    uint8_t ListJob::*field;
    int check_box;
    uint32_t settings_bit;
};

constexpr ListOption kListOptions[] = {
    {"s", &ListJob::include_subfolders, IDC_INCLUDE_SUBFOLDERS, 0x01},
    {"f", &ListJob::include_files, IDC_INCLUDE_FILES, 0x02},
    {"p", &ListJob::full_paths, IDC_FULL_PATHS, 0x04},
    {"pt", &ListJob::full_paths_in_titles, IDC_FULL_PATHS_IN_TITLES, 0x08},
    {"i", &ListJob::full_information, IDC_FULL_INFORMATION, 0x10},
    {"t", &ListJob::use_tabs, IDC_USE_TABS, 0x20},
    {"e", &ListJob::include_extensions, IDC_INCLUDE_EXTENSIONS, 0x40},
    {{}, nullptr, IDC_LAUNCH_OUTPUT, 0x80},
    {"cb", &ListJob::show_summary, 0, 0},
    {"u", &ListJob::utf8_output, 0, 0},
};
