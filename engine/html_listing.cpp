#include "engine/html_listing.h"

#include <windows.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/grouped_digits.h"
#include "engine/html_text.h"
#include "engine/last_write_text.h"
#include "engine/run_state.h"
#include "platform/wide_text.h"

namespace {

// Short, and the same for every page: one rule per kind of element, none per entry, so that a
// page of a hundred thousand files stays small and quick to show. A browser lays out only the
// sections in view: laying out every table at once took most of the time a long page took to
// open.
constexpr std::string_view kStyle =
    "body{font:14px/1.4 system-ui,'Segoe UI',sans-serif;margin:1em 2em;color:#222}"
    "h1{font-size:1.4em}h1 small{font-weight:normal;color:#555}"
    "h2{font-size:1.1em;margin:1.6em 0 .2em;overflow-wrap:anywhere}"
    "section{content-visibility:auto;contain-intrinsic-size:auto 20em}"
    "p{margin:.2em 0}table{border-collapse:collapse}"
    "th,td{padding:.1em 1.2em .1em 0;text-align:left;vertical-align:top;unicode-bidi:plaintext}"
    "th{border-bottom:1px solid #999}td+td,th+th{text-align:right;white-space:nowrap}"
    "td+td+td,th+th+th{text-align:left}"
    "@media print{body{margin:0;font-size:10pt}a{color:inherit;text-decoration:none}"
    "h2{break-after:avoid}tr{break-inside:avoid}}";

std::string ThousandsSeparator;
std::string Grouping;

// Where the counts stand in the title and in the first heading, each as wide as the longest
// counts can be, filled in at the end.
uint64_t TitleCountsAt = 0;
uint64_t HeadingCountsAt = 0;
size_t CountsWidth = 0;

// Each section's anchor names its place in the tree: "f" for the start folder, and a folder's
// own followed by "-" and the number of the sub-folder among those it lists, so that a folder's
// link to a sub-folder's section is known before that section is written.
std::string Anchor;
// For each folder on the way down to the section's: the length of its anchor, and the sections
// of its sub-folders so far.
std::vector<size_t> AnchorLengths;
std::vector<uint32_t> SubfolderSections;
// The sub-folders listed so far in the section.
uint32_t SectionSubfolders = 0;
bool SectionHasTable = false;

// A folder's exact name, made UTF-8 for its row.
std::string FolderName;
LastWriteText Modified;

std::string CountsText(int32_t files, int32_t folders) {
    std::string text;
    AppendGroupedDigits(text, static_cast<uint64_t>(files), ThousandsSeparator, Grouping);
    text += files == 1 ? " file, " : " files, ";
    AppendGroupedDigits(text, static_cast<uint64_t>(folders), ThousandsSeparator, Grouping);
    text += folders == 1 ? " folder" : " folders";
    return text;
}

// Room for the counts, which a browser shows without the blanks that fill it.
uint64_t CountsRoom() {
    const uint64_t at = OutputOffset();
    OutputBuffer.append(CountsWidth, ' ');
    return at;
}

void Begin(std::wstring_view start_walk_path) {
    PrepareLastWriteText(true, LocalTimeRule::BiasOfItsDate);
    ThousandsSeparator = UserLocaleText(LOCALE_STHOUSAND);
    Grouping = UserLocaleText(LOCALE_SGROUPING);
    CountsWidth = CountsText(INT32_MAX, INT32_MAX).size();
    std::string start;
    AppendHtmlEscaped(start, ExactShownPath(start_walk_path));
    std::string& out = OutputBuffer;
    out += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>";
    out += start;
    out += " \xE2\x80\x94 ";
    TitleCountsAt = CountsRoom();
    out += "</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head><body>\n<h1>";
    out += start;
    out += " <small>";
    HeadingCountsAt = CountsRoom();
    out += "</small></h1>\n";
}

void SectionStart(const ListingSection& section) {
    const size_t depth = section.depth;
    AnchorLengths.resize(depth);
    SubfolderSections.resize(depth);
    if (depth == 0) {
        Anchor = "f";
    } else {
        Anchor.resize(AnchorLengths.back());
        Anchor += '-';
        Anchor += std::to_string(++SubfolderSections.back());
    }
    std::string& out = OutputBuffer;
    out += "<section id=\"";
    out += Anchor;
    out += "\"><h2>";
    AppendHtmlEscaped(out, ExactShownPath(section.walk_path));
    out += "</h2>\n";
    if (depth > 0) {
        out += "<p><a href=\"#";
        out.append(Anchor, 0, AnchorLengths.back());
        out += "\">Parent folder</a></p>\n";
    }
    AnchorLengths.push_back(Anchor.size());
    SubfolderSections.push_back(0);
    SectionSubfolders = 0;
    SectionHasTable = section.entries != nullptr;
    out += SectionHasTable ? "<table><tr><th>Name<th>Size<th>Modified\n" : "<p>No entries</p>\n";
}

void Entry(const FolderEntry& entry) {
    std::string& out = OutputBuffer;
    out += "<tr><td>";
    if (entry.is_folder) {
        out += "<a href=\"#";
        out += Anchor;
        out += '-';
        out += std::to_string(++SectionSubfolders);
        out += "\">";
        AppendHtmlEscaped(out, ExactName(entry, FolderName));
        out += "</a><td>";
    } else {
        AppendHtmlEscaped(out, entry.Name());
        out += "<td>";
        AppendGroupedDigits(out, entry.size, ThousandsSeparator, Grouping);
    }
    out += "<td>";
    Modified.Format(entry.last_write);
    AppendHtmlEscaped(out, Modified.date);
    out += ' ';
    AppendHtmlEscaped(out, Modified.time);
    out += '\n';
    OutputAppended();
}

void SectionEnd() {
    OutputBuffer += SectionHasTable ? "</table></section>\n" : "</section>\n";
    OutputAppended();
}

void End() {
    std::string counts = CountsText(FileCount.load(), FolderCount.load());
    counts.resize(CountsWidth, ' ');
    OutputBuffer += "</body></html>\n";
    RewriteOutput(TitleCountsAt, counts);
    RewriteOutput(HeadingCountsAt, counts);
}

} // namespace

const ListingWriter HtmlListing = {Begin, SectionStart, Entry, SectionEnd, End};
