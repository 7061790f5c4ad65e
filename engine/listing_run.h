// Running one listing job: the whole tree under the start folder, written to the output file.
#pragma once

#include "engine/list_job.h"

// Writes the listing of job.start_folder to job.output_path, depth first, one section per
// folder. Reports its failures itself in a message box ("Can't create output file", "Can't write
// output file") and, when the job asks for it, ends with the summary message. Reads the folders by
// their absolute paths: the current directory stays as it was.
ListingOutcome RunListing(const ListJob& job);
