// Start-up: keep the module and the command line, register the shell verb, and choose between
// the command-line mode and the main dialog.
#include <windows.h>

#include "app/command_line_mode.h"
#include "app/first_argument.h"
#include "app/program_entry.h"
#include "app/shell_verb.h"
#include "engine/program_resources.h"
#include "ui/main_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    ModuleInstance = instance;
    CommandLineText = command_line != nullptr ? command_line : "";
    InitialFolder[0] = '\0';
    RegisterShellVerb("drive");
    RegisterShellVerb("directory");
    const StartChoice choice = ChooseStart(CommandLineText);
    if (choice.face == StartFace::CommandLineMode) {
        return RunCommandLineMode(CommandLineText, choice.options_start);
    }
    const size_t copied = choice.initial_folder.copy(InitialFolder, sizeof InitialFolder - 1);
    InitialFolder[copied] = '\0';
    ShowMainDialog();
    return 0;
}
