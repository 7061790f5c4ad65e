// "&Go!" and "&Browse...": a listing of the current folder with the options the dialog shows,
// into the file of the Output File box, chosen with the Save As dialog when the box is empty.
#pragma once

#include <windows.h>

#include <cstdint>

// The encoding of the dialog's text listings, chosen by the text file types in Save As and
// remembered with the settings: the code page, or UTF-8 (what the command line writes with -u).
constexpr uint32_t kCodePageEncoding = 0;
constexpr uint32_t kUtf8Encoding = 1;
extern uint32_t DialogEncoding;

// The file types of Save As, numbered in the order it offers them; the last one chosen is
// remembered with the settings and offered first the next time. The two text types are those of
// the two encodings, by the same numbers.
constexpr uint32_t kTextFileType = 0;
constexpr uint32_t kUtf8TextFileType = 1;
constexpr uint32_t kCsvFileType = 2;
constexpr uint32_t kWebPageFileType = 3;
constexpr uint32_t kFileTypeCount = 4;
extern uint32_t DialogFileType;

// Starts the listing of the current folder with the options the dialog shows, in the format the
// output file's extension asks for (a text listing in the dialog's encoding unless it is .csv,
// .htm or .html); when it has ended, and unless it was stopped, "&Launch Output File" opens the
// output file with its associated program.
void RunDialogJob(HWND dialog);

// Asks for the output file with the Save As dialog, proposing the current folder's name with
// the extension of the dialog's file type, which it offers first; true when the user chose a
// file, which the Output File box then shows. The chosen type becomes the dialog's, and a text
// type's encoding the dialog's encoding.
bool ChooseOutputFile(HWND dialog);
