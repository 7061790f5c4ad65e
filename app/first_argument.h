// The first look at the command line at start-up: options, a folder argument, or nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class StartFace {
    MainDialog,
    CommandLineMode,
};

struct StartChoice {
    StartFace face = StartFace::MainDialog;
    // CommandLineMode: index of the '-' or '/' that begins the options.
    size_t options_start = 0;
    // MainDialog: the folder named as first argument, ending with a backslash, at most 259
    // characters; empty when there is none or it cannot be used.
    std::string initial_folder;
};

StartChoice ChooseStart(std::string_view command_line);
