#include "engine/text_listing.h"

#include "engine/last_write_text.h"
#include "engine/line_text.h"
#include "engine/run_state.h"

namespace {

// The line being built: title, underline or entry line.
TextLine LineBuffer;

// The section being written: its folder as shown, the width of its name column, and its
// entries' dates and times, formatted once per second of last-write time.
std::string_view SectionFolder;
int SectionWidth = 0;
LastWriteText SectionLastWrite;

// Writes LineBuffer as one line, after the TAB fill, with CR LF.
void WriteLine() {
    const std::string_view line = LineBuffer.View();
    if (ActiveJob->use_tabs) {
        const size_t start = OutputBuffer.size();
        OutputBuffer.resize(start + line.size());
        OutputBuffer.resize(start + TabFill(line, LineBuffer.utf8, OutputBuffer.data() + start));
    } else {
        OutputBuffer.append(line);
    }
    OutputBuffer += '\r';
    OutputBuffer += '\n';
    OutputAppended();
}

void WriteText(std::string_view text) {
    ClearLine(LineBuffer);
    AppendText(LineBuffer, text);
    WriteLine();
}

void Begin(std::wstring_view) {
    LineBuffer.utf8 = ActiveJob->utf8_output != 0;
    if (ActiveJob->full_information) {
        PrepareLastWriteText(ActiveJob->utf8_output != 0);
    }
    if (ActiveJob->utf8_output) {
        OutputBuffer += "\xEF\xBB\xBF";
    }
}

// Title, underline and an empty line.
void SectionStart(const ListingSection& section) {
    SectionFolder = section.shown_path;
    SectionWidth = NameColumnWidth(section.entries, SectionFolder, ActiveJob->full_paths,
                                   ActiveJob->utf8_output != 0);
    SectionLastWrite = LastWriteText();
    const std::string_view title = SectionTitle(SectionFolder, ActiveJob->full_paths_in_titles);
    WriteText(title);
    BuildUnderline(LineBuffer, title);
    WriteLine();
    WriteText("");
}

void Entry(const FolderEntry& entry) {
    if (ActiveJob->full_information) {
        SectionLastWrite.Format(entry.last_write);
    }
    BuildEntryLine(LineBuffer, *ActiveJob, SectionFolder, entry, SectionWidth,
                   SectionLastWrite.date, SectionLastWrite.time);
    WriteLine();
}

// Two empty lines.
void SectionEnd() {
    WriteText("");
    WriteText("");
}

// A text listing ends with its last section.
void End() {}

} // namespace

const ListingWriter TextListing = {Begin, SectionStart, Entry, SectionEnd, End};
