#include "engine/listing_run.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ascii.h"
#include "engine/csv_listing.h"
#include "engine/folder_scan.h"
#include "engine/html_listing.h"
#include "engine/line_text.h"
#include "engine/listing_writer.h"
#include "engine/program_resources.h"
#include "engine/run_state.h"
#include "engine/text_listing.h"
#include "platform/folder_search.h"
#include "platform/wide_text.h"
#include "res/resource.h"

const ListJob* ActiveJob = nullptr;
CompiledFilter ActiveFilter;
std::atomic<int32_t> FileCount{0};
std::atomic<int32_t> FolderCount{0};
std::string OutputBuffer;

namespace {

HANDLE OutputFile = INVALID_HANDLE_VALUE;
// Bytes of the output file before those in OutputBuffer.
uint64_t OutputWritten = 0;
// The job as the run carries it out, and the format it writes.
ListJob RunJob;
const ListingWriter* Writer = &TextListing;
// Written while all goes well; the first failure stops the walk.
ListingOutcome RunOutcome = ListingOutcome::Written;

// The folder being listed: the path it is read by, absolute with the "\\?\" prefix and the
// exact names of its folders, and the path the listing shows, in the listing's encoding with
// the sub-folders' names upper-cased.
std::wstring WalkPath;
std::string ShownPath;
// The folder of the output file, as WalkPath names folders; empty when it could not be made,
// and then the lines are written before every folder is read.
std::wstring OutputFolder;

// Whether the walk goes on: nothing has failed and no stop was asked for. A stop, once seen,
// ends the run as Stopped.
bool Running() {
    if (RunOutcome == ListingOutcome::Written && StopRequested()) {
        RunOutcome = ListingOutcome::Stopped;
    }
    return RunOutcome == ListingOutcome::Written;
}

// Whether lines still go to the file: after a stop, the whole lines gathered so far do.
bool Writing() {
    return RunOutcome == ListingOutcome::Written || RunOutcome == ListingOutcome::Stopped;
}

// Emptied into the file before the output file's own folder is read, so that an output file
// inside the listed tree is listed with all the lines before its folder's section, as if each
// line were written at once.
constexpr size_t kWriteChunk = 65536;

void FlushOutput() {
    DWORD written = 0;
    if (Writing() && !OutputBuffer.empty() &&
        (!WriteFile(OutputFile, OutputBuffer.data(), static_cast<DWORD>(OutputBuffer.size()),
                    &written, nullptr) ||
         written != OutputBuffer.size())) {
        RunOutcome = ListingOutcome::CannotWrite;
    }
    OutputWritten += OutputBuffer.size();
    OutputBuffer.clear();
}

} // namespace

void OutputAppended() {
    if (OutputBuffer.size() >= kWriteChunk) {
        FlushOutput();
    }
}

std::string ExactShownPath(std::wstring_view walk_path) {
    std::wstring path = PlainPath(walk_path);
    if (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return Utf8FromWide(path);
}

std::string_view ExactName(const FolderEntry& entry, std::string& buffer) {
    if (!entry.is_folder) {
        return entry.Name();
    }
    const std::wstring_view real = entry.RealName();
    buffer.resize(real.size() * kMaxUtf8PerUtf16Unit);
    buffer.resize(EncodeUtf8(real.data(), real.size(), buffer.data()));
    return buffer;
}

uint64_t OutputOffset() {
    return OutputWritten + OutputBuffer.size();
}

void RewriteOutput(uint64_t offset, std::string_view bytes) {
    if (offset >= OutputWritten) {
        OutputBuffer.replace(static_cast<size_t>(offset - OutputWritten), bytes.size(), bytes);
        return;
    }
    FlushOutput();
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    const LARGE_INTEGER end{};
    DWORD written = 0;
    if (Writing() &&
        (!SetFilePointerEx(OutputFile, at, nullptr, FILE_BEGIN) ||
         !WriteFile(OutputFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    nullptr) ||
         written != bytes.size() || !SetFilePointerEx(OutputFile, end, nullptr, FILE_END))) {
        RunOutcome = ListingOutcome::CannotWrite;
    }
}

namespace {

// One more of the run's counts. The run's thread alone raises them; the dialog reads them.
void CountOne(std::atomic<int32_t>& count) {
    count.store(count.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void WriteEntries(const FolderEntry* entries) {
    for (const FolderEntry* entry = entries; entry != nullptr && Running(); entry = entry->next) {
        Writer->entry(*entry);
        if (!entry->is_folder) {
            CountOne(FileCount);
        }
    }
}

// Writes the section of the folder at WalkPath and returns its ordered entries. A folder that
// is not entered, a link (junction or symbolic link) which may lead back to one of its own
// parents and make the walk endless, gets the section of a folder that cannot be read.
FolderEntry* ListFolder(bool enter, size_t depth) {
    if (OutputFolder.empty() || (OutputFolder.size() == WalkPath.size() &&
                                 _wcsicmp(OutputFolder.c_str(), WalkPath.c_str()) == 0)) {
        FlushOutput();
    }
    FolderEntry* entries = nullptr;
    if (enter) {
        bool out_of_memory = false;
        entries = ScanFolder(WalkPath, out_of_memory);
        if (out_of_memory) {
            RunOutcome = ListingOutcome::OutOfMemory;
        }
    }
    // A folder whose reading a stop cut short gets no section.
    if (!Running()) {
        return entries;
    }
    CountOne(FolderCount);
    Writer->section_start({ShownPath, WalkPath, depth, entries});
    entries = SortEntries(entries, ActiveJob->sort_mode);
    WriteEntries(entries);
    Writer->section_end();
    return entries;
}

// A listed folder whose sub-folders are still to be listed.
struct OpenFolder {
    // Where the folder's records begin: they go when it is done.
    EntryMark mark;
    // The next entry to look at: sub-folders come first in the order.
    const FolderEntry* next;
    size_t walk_length;
    size_t shown_length;
};

// Makes the paths those of the folder's sub-folder child.
void EnterSubfolder(const OpenFolder& folder, const FolderEntry& child) {
    WalkPath.resize(folder.walk_length);
    if (WalkPath.empty() || WalkPath.back() != L'\\') {
        WalkPath += L'\\';
    }
    WalkPath.append(child.RealName());
    ShownPath.resize(folder.shown_length);
    if (!ShownPath.empty() && ShownPath.back() != '\\') {
        ShownPath += '\\';
    }
    for (const char c : child.Name()) {
        ShownPath += UpperAscii(c);
    }
}

// Lists the folder at the paths and, depth first, every sub-folder below it. The folders on the
// way down wait on a stack of their own, not the program's, so no depth that the file system
// allows can exhaust it.
void ListTree() {
    std::vector<OpenFolder> open;
    EntryMark mark = MarkEntries();
    open.push_back({mark, ListFolder(true, 0), WalkPath.size(), ShownPath.size()});
    while (!open.empty()) {
        OpenFolder& folder = open.back();
        const FolderEntry* child = folder.next;
        if (child == nullptr || !child->is_folder || !ActiveJob->include_subfolders || !Running()) {
            ReleaseEntries(folder.mark);
            open.pop_back();
            continue;
        }
        folder.next = child->next;
        EnterSubfolder(folder, *child);
        mark = MarkEntries();
        const size_t depth = open.size();
        open.push_back(
            {mark, ListFolder(!child->is_link, depth), WalkPath.size(), ShownPath.size()});
    }
}

// The path the walk reads the start folder by: made absolute with the usual rules (a trailing
// dot or blank goes), then prefixed so that everything below it is taken by its exact name and
// at any length. Empty when it cannot be made.
std::wstring StartWalkPath(const char* start_folder) {
    const std::wstring folder = Widen(start_folder);
    if (folder.rfind(L"\\\\?\\", 0) == 0) {
        return folder;
    }
    const std::wstring full = FullPath(folder);
    return full.empty() ? full : ExactPath(full);
}

std::wstring OutputFolderOf(const char* output_path) {
    std::wstring folder = FullPath(Widen(output_path));
    const size_t backslash = folder.rfind(L'\\');
    if (backslash == std::wstring::npos) {
        return {};
    }
    // A drive's root keeps its backslash, as the walk names it.
    folder.resize(backslash > 0 && folder[backslash - 1] == L':' ? backslash + 1 : backslash);
    return ExactPath(std::move(folder));
}

// The summary or the stop's message: the counts of files and folders written and the output
// file's path, in the string's pattern.
void ShowCounts(UINT pattern, const char* output_path) {
    const std::string format = ProgramString(pattern);
    std::vector<char> text(format.size() + std::strlen(output_path) + 32);
    std::snprintf(text.data(), text.size(), format.c_str(), FileCount.load(), FolderCount.load(),
                  output_path);
    ShowProgramMessage(text.data(), MB_ICONINFORMATION);
}

} // namespace

void BeginListing(const ListJob& job) {
    RunJob = job;
    // A spreadsheet's CSV and a web page hold every name exactly, in UTF-8.
    if (job.output_format == CsvFormat || job.output_format == HtmlFormat) {
        RunJob.utf8_output = 1;
    }
    Writer = job.output_format == CsvFormat    ? &CsvListing
             : job.output_format == HtmlFormat ? &HtmlListing
                                               : &TextListing;
    ActiveJob = &RunJob;
    RunOutcome = ListingOutcome::Written;
    FileCount = 0;
    FolderCount = 0;
}

ListingOutcome WriteListing() {
    const ListJob& job = *ActiveJob;
    const char* filter_text = job.filter_text != nullptr ? job.filter_text : "";
    CompileFilter(ListingText(filter_text, job.utf8_output != 0), job.utf8_output, ActiveFilter);
    const char* output_path = job.output_path != nullptr ? job.output_path : "";
    OutputFile = CreateFileW(Widen(output_path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (OutputFile == INVALID_HANDLE_VALUE) {
        RunOutcome = ListingOutcome::CannotCreate;
        return RunOutcome;
    }
    OutputBuffer.clear();
    OutputBuffer.reserve(kWriteChunk + kWriteChunk / 4);
    OutputWritten = 0;
    const char* start_folder = job.start_folder != nullptr ? job.start_folder : "";
    WalkPath = StartWalkPath(start_folder);
    OutputFolder = OutputFolderOf(output_path);
    ShownPath = ListingText(start_folder, job.utf8_output != 0);
    Writer->begin(WalkPath);
    ListTree();
    if (Writing()) {
        Writer->end();
    }
    FlushOutput();
    if (!CloseHandle(OutputFile) && Writing()) {
        RunOutcome = ListingOutcome::CannotWrite;
    }
    OutputFile = INVALID_HANDLE_VALUE;
    return RunOutcome;
}

void ReportListing(ListingOutcome outcome) {
    const char* output_path = ActiveJob->output_path != nullptr ? ActiveJob->output_path : "";
    switch (outcome) {
    case ListingOutcome::Written:
        if (ActiveJob->show_summary) {
            ShowCounts(IDS_SUMMARY, output_path);
        }
        break;
    case ListingOutcome::Stopped:
        ShowCounts(IDS_LISTING_STOPPED, output_path);
        break;
    case ListingOutcome::CannotCreate:
        ShowProgramString(IDS_CANT_CREATE_OUTPUT, MB_ICONERROR);
        break;
    case ListingOutcome::CannotWrite:
        ShowProgramString(IDS_CANT_WRITE_OUTPUT, MB_ICONERROR);
        break;
    case ListingOutcome::OutOfMemory:
        ShowProgramString(IDS_OUT_OF_MEMORY, MB_ICONERROR);
        break;
    }
}

ListingOutcome RunListing(const ListJob& job) {
    BeginListing(job);
    const ListingOutcome outcome = WriteListing();
    ReportListing(outcome);
    return outcome;
}
