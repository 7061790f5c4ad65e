#include "app/command_line_mode.h"

#include <windows.h>

#include "app/command_line_parse.h"
#include "platform/wait_cursor.h"
#include "engine/listing_run.h"
#include "engine/program_resources.h"
#include "platform/wide_text.h"
#include "res/resource.h"

namespace {

ExitCode ExitCodeFor(ListingOutcome outcome) {
    switch (outcome) {
    case ListingOutcome::Written:
        return kExitListingWritten;
    case ListingOutcome::CannotCreate:
        return kExitCannotCreateOutput;
    case ListingOutcome::CannotWrite:
        return kExitCannotWriteOutput;
    case ListingOutcome::OutOfMemory:
        return kExitOutOfMemory;
    case ListingOutcome::Stopped:
        // The command line never asks a run to stop; were it to, the file would be incomplete.
        break;
    }
    return kExitCannotWriteOutput;
}

void ShowCommandLineError(const char* text, size_t position) {
    ShowProgramMessage(
        CommandLineErrorText(ProgramString(IDS_COMMAND_LINE_ERROR), text, position).c_str(),
        MB_ICONERROR);
}

} // namespace

ExitCode RunCommandLineMode(const char* text, size_t start) {
    CommandLineRequest request;
    const CommandLineParse parse = ParseCommandLine(text, start, request);
    if (!parse.ok) {
        ShowCommandLineError(text, parse.error_position);
        return kExitCommandLineError;
    }
    if (!request.output_path || !request.start_folder) {
        ShowProgramString(IDS_PATH_AND_OUT_MISSING, MB_ICONERROR);
        return kExitPathOrOutMissing;
    }
    // Entering the folder first makes a relative -path count from where the program started
    // and a relative -out count from the start folder.
    wchar_t folder[MAX_PATH];
    const DWORD length = SetCurrentDirectoryW(Widen(*request.start_folder).c_str())
                             ? GetCurrentDirectoryW(MAX_PATH, folder)
                             : 0;
    if (length == 0 || length >= MAX_PATH) {
        ShowProgramString(IDS_CANT_ENTER_START_FOLDER, MB_ICONERROR);
        return kExitCannotEnterStartFolder;
    }
    const std::string start_folder = Utf8FromWide({folder, length});
    ListJob job = request.job;
    job.output_path = request.output_path->c_str();
    job.start_folder = start_folder.c_str();
    job.filter_text = request.filter_text ? request.filter_text->c_str() : "*.*";
    const WaitCursor wait;
    return ExitCodeFor(RunListing(job));
}
