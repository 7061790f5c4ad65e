// The state of the listing run in progress, shared by the run and the folder scan. There is one
// run at a time; RunListing sets it afresh at every start.
#pragma once

#include <cstdint>

#include "engine/file_filter.h"
#include "engine/list_job.h"

extern const ListJob* ActiveJob;
// The job's filter, compiled once at the start of the run.
extern CompiledFilter ActiveFilter;
// Files listed so far in the run.
extern int32_t FileCount;
// Folders of the run: the start folder and every sub-folder listed so far.
extern int32_t FolderCount;
