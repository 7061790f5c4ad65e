// Between the walk and the listing's format. The walk reads, filters and orders each folder and
// hands what it lists to a writer, which turns it into the output file's bytes; the walk knows
// nothing of the format, the writer nothing of the file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/entry_order.h"

// The folder of a section; its texts stay valid until the section ends.
struct ListingSection {
    // The path as the text listing shows it: in the listing's encoding, the sub-folders' names
    // upper-cased.
    std::string_view shown_path;
    // The path the folder is read by: absolute, with the "\\?\" prefix and every name exact.
    std::wstring_view walk_path;
    // 0 for the start folder, 1 for its sub-folders, and so on down.
    size_t depth;
    // The entries in the order they were read, the order they lie in memory in, for a pass
    // that only measures them.
    const FolderEntry* entries;
};

// The calls of one format. Each reads the job's options from ActiveJob.
struct ListingWriter {
    // Before the first section, with the start folder's path as ListingSection::walk_path has it.
    void (*begin)(std::wstring_view start_walk_path);
    // A folder's section begins. Every sub-folder listed in a section gets a section of its
    // own, in the order they are listed, after the sections of the sub-folders before it.
    void (*section_start)(const ListingSection& section);
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

// A folder's path as Windows shows it, from its walk path: every name exact, in UTF-8, without
// the "\\?\" prefix, and without a trailing backslash unless it is a drive's root.
std::string ExactShownPath(std::wstring_view walk_path);

// An entry's name exactly as the file system has it, in a UTF-8 listing: a file's name as
// written, a folder's real name (the written one is upper-cased) made UTF-8 in buffer.
std::string_view ExactName(const FolderEntry& entry, std::string& buffer);

// Where the next byte appended to OutputBuffer will lie in the output file.
uint64_t OutputOffset();

// Writes bytes over what lies at offset in the output, where something of the same length was
// appended before: for what is known only at the end, such as counts.
void RewriteOutput(uint64_t offset, std::string_view bytes);
