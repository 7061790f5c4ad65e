// Between the walk and the listing's format. The walk reads, filters and orders each folder and
// hands what it lists to a writer, which turns it into the output file's bytes; the walk knows
// nothing of the format, the writer nothing of the file system.
#pragma once

#include <string>
#include <string_view>

#include "engine/entry_order.h"

// The calls of one format. Each reads the job's options from ActiveJob.
struct ListingWriter {
    // Before the first section.
    void (*begin)();
    // A folder's section begins: the folder's path as the listing shows it (its sub-folders'
    // names upper-cased), which stays valid until section_end, and its entries in the order
    // they were read, the order they lie in memory in, for a pass that only measures them.
    void (*section_start)(std::string_view shown_path, const FolderEntry* entries);
    // One entry of the section, in the listing's order.
    void (*entry)(const FolderEntry& entry);
    void (*section_end)();
    // After the last section.
    void (*end)();
};

// The bytes on their way to the output file. A writer appends to it and then calls
// OutputAppended, which writes them out once there are enough for one large write.
extern std::string OutputBuffer;
void OutputAppended();
