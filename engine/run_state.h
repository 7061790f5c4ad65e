// The state of the listing run in progress, shared by the run and the folder scan. There is one
// run at a time; RunListing sets it afresh at every start.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/file_filter.h"
#include "engine/list_job.h"

extern const ListJob* ActiveJob;
// The job's filter, compiled once at the start of the run.
extern CompiledFilter ActiveFilter;
// Files listed so far in the run. The dialog reads the counts while its run goes on in a thread
// of its own.
extern std::atomic<int32_t> FileCount;
// Folders of the run: the start folder and every sub-folder listed so far.
extern std::atomic<int32_t> FolderCount;

// The counts at the start of a run: the start folder and no file. A caller that shows them
// from another thread sets them before the run does.
inline void ResetRunCounts() {
    FileCount = 0;
    FolderCount = 1;
}

// Whether the job's caller has asked the run to stop.
inline bool StopRequested() {
    return ActiveJob->stop_requested != nullptr &&
           ActiveJob->stop_requested->load(std::memory_order_relaxed);
}
