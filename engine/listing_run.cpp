#include "engine/listing_run.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/ascii.h"
#include "engine/folder_scan.h"
#include "engine/line_text.h"
#include "engine/program_resources.h"
#include "engine/run_state.h"
#include "res/resource.h"

const ListJob* ActiveJob = nullptr;
CompiledFilter ActiveFilter;
int32_t FileCount = 0;
int32_t FolderCount = 0;

namespace {

HANDLE OutputFile = INVALID_HANDLE_VALUE;
// The line being built: title, underline or entry line, and the run's messages.
TextLine LineBuffer;
// Lines as written, after the TAB fill and with CR LF, gathered into few large writes. It is
// emptied into the file before every folder is read, so that an output file inside the listed
// tree is listed with all the lines before its folder's section, as if each line were written
// at once.
std::array<char, 65536> WriteBuffer;
size_t WriteLength = 0;
// Written while all goes well; the first failure stops the walk.
ListingOutcome RunOutcome = ListingOutcome::Written;

bool Running() {
    return RunOutcome == ListingOutcome::Written;
}

void FlushOutput() {
    DWORD written = 0;
    if (Running() && WriteLength > 0 &&
        (!WriteFile(OutputFile, WriteBuffer.data(), static_cast<DWORD>(WriteLength), &written,
                    nullptr) ||
         written != WriteLength)) {
        RunOutcome = ListingOutcome::CannotWrite;
    }
    WriteLength = 0;
}

// Writes LineBuffer as one line of the output file.
void WriteLine() {
    if (WriteBuffer.size() - WriteLength < kLineCapacity + 2) {
        FlushOutput();
    }
    if (!Running()) {
        return;
    }
    char* out = WriteBuffer.data() + WriteLength;
    const std::string_view line = LineBuffer.View();
    const size_t length =
        ActiveJob->use_tabs ? static_cast<size_t>(TabFill(line, out)) : line.copy(out, line.size());
    out[length] = '\r';
    out[length + 1] = '\n';
    WriteLength += length + 2;
}

void WriteText(std::string_view text) {
    ClearLine(LineBuffer);
    AppendText(LineBuffer, text);
    WriteLine();
}

// Formats the local date and time of a file time into the two buffers; a part that cannot be
// formatted stays empty.
void FormatLastWrite(uint64_t last_write, char (&date)[kDateTimeCapacity],
                     char (&time)[kDateTimeCapacity]) {
    date[0] = '\0';
    time[0] = '\0';
    FILETIME utc{static_cast<DWORD>(last_write), static_cast<DWORD>(last_write >> 32)};
    FILETIME local;
    SYSTEMTIME calendar;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &calendar)) {
        return;
    }
    if (GetDateFormatA(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, date, kDateTimeCapacity) == 0) {
        date[0] = '\0';
    }
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, time, kDateTimeCapacity) == 0) {
        time[0] = '\0';
    }
}

void WriteEntries(std::string_view folder, const FolderEntry* entries) {
    const int width = NameColumnWidth(entries, folder, ActiveJob->full_paths);
    char date[kDateTimeCapacity] = "";
    char time[kDateTimeCapacity] = "";
    for (const FolderEntry* entry = entries; entry != nullptr && Running(); entry = entry->next) {
        if (ActiveJob->full_information) {
            FormatLastWrite(entry->last_write, date, time);
        }
        BuildEntryLine(LineBuffer, *ActiveJob, folder, *entry, width, date, time);
        WriteLine();
    }
}

// Title, underline, an empty line, the entry lines and two empty lines.
void WriteSection(std::string_view title, std::string_view folder, const FolderEntry* entries) {
    WriteText(title);
    BuildUnderline(LineBuffer, title);
    WriteLine();
    WriteText("");
    WriteEntries(folder, entries);
    WriteText("");
    WriteText("");
}

// A sub-folder that is not walked gets the section of a folder that cannot be entered: one whose
// path would pass the 259-character limit, and a link (junction or symbolic link), which may
// lead back to one of its own parents and make the walk endless.
void WriteUnwalkedSection(std::string_view shown_parent, const FolderEntry& folder) {
    std::string title;
    if (ActiveJob->full_paths_in_titles) {
        title.assign(shown_parent);
        if (title.empty() || title.back() != '\\') {
            title += '\\';
        }
    }
    for (const char c : folder.Name()) {
        title += UpperAscii(c);
    }
    WriteSection(title, {}, nullptr);
}

// Builds parent\name into child, the name upper-cased when it is to be shown; false when it
// would not fit.
bool JoinPath(std::string_view parent, std::string_view name, bool upper_case,
              char (&child)[MAX_PATH]) {
    const bool add_backslash = !parent.empty() && parent.back() != '\\';
    const size_t length = parent.size() + (add_backslash ? 1 : 0) + name.size();
    if (length >= MAX_PATH) {
        return false;
    }
    char* end = child + parent.copy(child, parent.size());
    if (add_backslash) {
        *end++ = '\\';
    }
    for (const char c : name) {
        *end++ = upper_case ? UpperAscii(c) : c;
    }
    *end = '\0';
    return true;
}

// Lists the folder at path, which the listing shows as shown_path: the same path with the
// names of sub-folders upper-cased.
void ListFolder(const char* path, const char* shown_path) {
    FlushOutput();
    bool out_of_memory = false;
    FolderEntry* entries = SortEntries(ScanFolder(path, out_of_memory), ActiveJob->sort_mode);
    if (out_of_memory) {
        RunOutcome = ListingOutcome::OutOfMemory;
    }
    WriteSection(SectionTitle(shown_path, ActiveJob->full_paths_in_titles), shown_path, entries);
    if (ActiveJob->include_subfolders) {
        char child[MAX_PATH];
        char shown_child[MAX_PATH];
        for (const FolderEntry* entry = entries; entry != nullptr && Running();
             entry = entry->next) {
            if (!entry->is_folder) {
                continue;
            }
            if (!entry->is_link && JoinPath(path, entry->Name(), false, child) &&
                JoinPath(shown_path, entry->Name(), true, shown_child)) {
                ListFolder(child, shown_child);
            } else {
                WriteUnwalkedSection(shown_path, *entry);
            }
        }
    }
    FreeEntries(entries);
}

void ShowSummary(const char* output_path) {
    char format[256];
    LoadProgramString(IDS_SUMMARY, format, sizeof format);
    std::snprintf(LineBuffer.text.data(), LineBuffer.text.size(), format, FileCount, FolderCount,
                  output_path);
    ShowProgramMessage(LineBuffer.text.data(), MB_ICONINFORMATION);
}

void ShowFailure() {
    const UINT id =
        RunOutcome == ListingOutcome::OutOfMemory ? IDS_OUT_OF_MEMORY : IDS_CANT_WRITE_OUTPUT;
    ShowProgramString(id, MB_ICONERROR);
}

} // namespace

ListingOutcome RunListing(const ListJob& job) {
    ActiveJob = &job;
    FileCount = 0;
    FolderCount = 1;
    RunOutcome = ListingOutcome::Written;
    CompileFilter(job.filter_text != nullptr ? job.filter_text : "", ActiveFilter);
    const char* output_path = job.output_path != nullptr ? job.output_path : "";
    OutputFile = CreateFileA(output_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (OutputFile == INVALID_HANDLE_VALUE) {
        ShowProgramString(IDS_CANT_CREATE_OUTPUT, MB_ICONERROR);
        return ListingOutcome::CannotCreate;
    }
    WriteLength = 0;
    const char* start_folder = job.start_folder != nullptr ? job.start_folder : "";
    ListFolder(start_folder, start_folder);
    FlushOutput();
    if (!CloseHandle(OutputFile) && Running()) {
        RunOutcome = ListingOutcome::CannotWrite;
    }
    OutputFile = INVALID_HANDLE_VALUE;
    if (!Running()) {
        ShowFailure();
    } else if (job.show_summary) {
        ShowSummary(output_path);
    }
    return RunOutcome;
}
