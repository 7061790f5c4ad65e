// Start-up: keep the module and the command line, register the shell verb, and choose between
// the command-line mode and the main dialog.
#include <windows.h>

#include <string>

#include "app/command_line_mode.h"
#include "app/first_argument.h"
#include "app/program_entry.h"
#include "app/shell_verb.h"
#include "engine/program_resources.h"
#include "platform/wide_text.h"
#include "ui/current_folder.h"
#include "ui/main_dialog.h"

// The wide entry point: the command line arrives with every character it has, whatever the
// code page holds.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int) {
    ModuleInstance = instance;
    static const std::string command_line_text =
        Utf8FromWide(command_line != nullptr ? command_line : L"");
    CommandLineText = command_line_text.c_str();
    RegisterShellVerb("drive");
    RegisterShellVerb("directory");
    const StartChoice choice = ChooseStart(CommandLineText);
    if (choice.face == StartFace::CommandLineMode) {
        return RunCommandLineMode(CommandLineText, choice.options_start);
    }
    InitialFolder = choice.initial_folder;
    ShowMainDialog();
    return 0;
}
