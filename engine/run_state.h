// The state of the listing run in progress, shared by the run, the folder scan and the writer.
// There is one run at a time; BeginListing sets it afresh at every start.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/file_filter.h"
#include "engine/list_job.h"

extern const ListJob* ActiveJob;
// The job's filter, compiled once at the start of the run.
extern CompiledFilter ActiveFilter;
// The run's counts: the files whose lines, and the folders whose sections, have been written so
// far. The summary and the stop's message give them; the dialog shows them while its run goes
// on in a thread of its own. BeginListing sets them to zero.
extern std::atomic<int32_t> FileCount;
extern std::atomic<int32_t> FolderCount;

// Whether the job's caller has asked the run to stop.
inline bool StopRequested() {
    return ActiveJob->stop_requested != nullptr &&
           ActiveJob->stop_requested->load(std::memory_order_relaxed);
}
