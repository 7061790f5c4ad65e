#include "engine/listing_run.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

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
// The line as written: after the TAB fill, with CR LF.
std::array<char, kLineCapacity + 2> WriteBuffer;
// Written while all goes well; the first failure stops the walk.
ListingOutcome RunOutcome = ListingOutcome::Written;

bool Running() {
    return RunOutcome == ListingOutcome::Written;
}

// Writes LineBuffer as one line of the output file.
void WriteLine() {
    if (!Running()) {
        return;
    }
    const std::string_view line = LineBuffer.View();
    int length = 0;
    if (ActiveJob->use_tabs) {
        length = TabFill(line, WriteBuffer.data());
    } else {
        line.copy(WriteBuffer.data(), line.size());
        length = static_cast<int>(line.size());
    }
    WriteBuffer[static_cast<size_t>(length++)] = '\r';
    WriteBuffer[static_cast<size_t>(length++)] = '\n';
    DWORD written = 0;
    if (!WriteFile(OutputFile, WriteBuffer.data(), static_cast<DWORD>(length), &written, nullptr) ||
        written != static_cast<DWORD>(length)) {
        RunOutcome = ListingOutcome::CannotWrite;
    }
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
void WriteUnwalkedSection(std::string_view parent, const FolderEntry& folder) {
    std::string title;
    if (ActiveJob->full_paths_in_titles) {
        title.assign(parent);
        if (title.empty() || title.back() != '\\') {
            title += '\\';
        }
    }
    title += folder.Name();
    WriteSection(title, {}, nullptr);
}

// Builds parent\name into child; false when it would not fit.
bool JoinPath(std::string_view parent, std::string_view name, char (&child)[MAX_PATH]) {
    const bool add_backslash = !parent.empty() && parent.back() != '\\';
    const size_t length = parent.size() + (add_backslash ? 1 : 0) + name.size();
    if (length >= MAX_PATH) {
        return false;
    }
    char* end = child + parent.copy(child, parent.size());
    if (add_backslash) {
        *end++ = '\\';
    }
    end += name.copy(end, name.size());
    *end = '\0';
    return true;
}

void ListFolder(const char* path) {
    bool out_of_memory = false;
    FolderEntry* entries = SortEntries(ScanFolder(path, out_of_memory), ActiveJob->sort_mode);
    if (out_of_memory) {
        RunOutcome = ListingOutcome::OutOfMemory;
    }
    WriteSection(SectionTitle(path, ActiveJob->full_paths_in_titles), path, entries);
    if (ActiveJob->include_subfolders) {
        char child[MAX_PATH];
        for (const FolderEntry* entry = entries; entry != nullptr && Running();
             entry = entry->next) {
            if (!entry->is_folder) {
                continue;
            }
            if (!entry->is_link && JoinPath(path, entry->Name(), child)) {
                ListFolder(child);
            } else {
                WriteUnwalkedSection(path, *entry);
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
    ListFolder(job.start_folder != nullptr ? job.start_folder : "");
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
