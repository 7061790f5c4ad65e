// Running one listing job: the whole tree under the start folder, written to the output file.
#pragma once

#include "engine/list_job.h"

// Writes the listing of job.start_folder to job.output_path, depth first, one section per
// folder, then reports how it ended: a message box for a failure ("Can't create output file",
// "Can't write output file", "Not enough memory to list the folder tree") and, when the job asks
// for it, the summary. Reads the folders by their absolute paths: the current directory stays as
// it was.
ListingOutcome RunListing(const ListJob& job);

// The same in three steps, for a caller that writes in one thread and reports in its own. The
// job stays alive and unchanged until the report.
// Makes job the run's job and sets the run's counts to zero: before the counts are shown.
void BeginListing(const ListJob& job);
// Writes the listing; shows nothing.
ListingOutcome WriteListing();
// Shows the message for how the run ended, as RunListing does.
void ReportListing(ListingOutcome outcome);
