// Reading the command line of the unattended listing mode: options introduced by '-' or '/',
// their values, and the error fragment shown when the text is not understood.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/list_job.h"

// What the command line asked for. The texts are absent until their option is read; the job's
// flags and sort_mode start as a fresh ListJob has them, and its texts stay unset here (the
// caller points them at the strings below).
struct CommandLineRequest {
    std::optional<std::string> output_path;
    std::optional<std::string> start_folder;
    std::optional<std::string> filter_text;
    ListJob job;
};

// The outcome of a parse: on failure, error_position is the index in the text from which the
// error fragment is taken.
struct CommandLineParse {
    bool ok = true;
    size_t error_position = 0;
};

// Reads every option of text from start (the first non-blank character, '-' or '/') to the end.
// The first error ends the parse.
CommandLineParse ParseCommandLine(std::string_view text, size_t start, CommandLineRequest& request);

// The message for an error at position: the prefix (the string table's "Error in command line
// at"), a blank, and up to 15 characters of the text from position in double quotes.
std::string CommandLineErrorText(std::string_view prefix, std::string_view text, size_t position);
