// Folders whose names the ANSI functions cannot open: names outside the code page, names that
// Windows' path rules would change (trailing dot or space, device names) and paths past 259
// characters. Each is listed by the real program, in the code page and with -u in UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line_mode.h"
#include "engine/ascii.h"
#include "tests/wine/test_support.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// A folder of the tree, the one file it holds, and its title in the code page and in UTF-8.
struct NamedFolder {
    std::string name;
    std::string file;
    std::string code_page_title;
    std::string utf8_title;
};
const NamedFolder kNamedFolders[] = {
    {"日本語", "in-ja.txt", "???", "日本語"},
    {"emoji😀", "in-emoji.txt", "EMOJI??", "EMOJI😀"},
    {"Ελληνικά", "in-el.txt", "????????", "Ελληνικά"},
    {"Łódź", "in-pl.txt", "L\363DZ", "ŁóDź"}, // ó is 0xF3 in code page 1252
    {"café", "in-cafe.txt", "CAF\xE9", "CAFé"},
    {"dot.", "in-dotted.txt", "DOT.", "DOT."},
    {"dot", "in-dot.txt", "DOT", "DOT"},
    {"space ", "in-space.txt", "SPACE ", "SPACE "},
    {"aux", "in-aux.txt", "AUX", "AUX"},
    {"con", "in-con.txt", "CON", "CON"},
    {"nul.d", "in-nul.txt", "NUL.D", "NUL.D"},
};
// Files beside them, for the order and the filter. In the code page both 日 and 豈 become '?'.
// By UTF-16 units 😀 (a surrogate pair) would sort before 豈; by code points it comes after.
const std::string kFiles[] = {"日.txt", "豈.txt", "😀.txt", "é.doc", "Zed.日本", "mix.Ωmega"};

// Every file holds its own name; folders and files have a time each.
void MakeFile(const std::wstring& folder, const std::string& name) {
    const std::wstring path = folder + L"\\" + FromUtf8(name);
    WriteTextFile(path, name);
    SetLocalLastWrite(path, 2024, 5, 6, 7, 8, 9);
}
const char kFileDate[] = "5/6/2024";
const char kFileTime[] = "7:08:09 AM";
const char kFolderDate[] = "11/12/2023";
const char kFolderTime[] = "1:14:15 PM";

// Characters, not bytes, of UTF-8 text; a code-page byte of 128 or more that is no UTF-8
// continuation byte (as every one in these tests) counts as one too.
size_t CharCount(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Columns of listing_columns.h, counted in characters.
std::string CharColumns(const std::vector<std::pair<std::string, size_t>>& pieces) {
    std::string line;
    size_t at = 0;
    for (const auto& [text, column] : pieces) {
        line.append(column > at ? column - at : 0, ' ');
        at = std::max(at, column) + CharCount(text);
        line += text;
    }
    return line;
}

// An entry line with -i, in a folder whose longest name has width characters.
std::string Info(const std::string& name, const std::string& size, size_t width) {
    const bool folder = size == "DIR";
    return CharColumns({{name, 0},
                        {size, width + 6},
                        {folder ? kFolderDate : kFileDate, width + 18},
                        {folder ? kFolderTime : kFileTime, width + 33}});
}

std::string Section(const std::string& title, const std::vector<std::string>& entries) {
    std::vector<std::string> lines = {title, std::string(CharCount(title), '='), ""};
    lines.insert(lines.end(), entries.begin(), entries.end());
    lines.insert(lines.end(), {"", ""});
    return Lines(lines);
}

// The listing of Names with -s: its section lists the folders and files given, in that order,
// then each folder's section its one file (when files are listed). With -i the sizes are
// those of the UTF-8 names.
std::string NamesListing(const std::vector<std::string>& folders,
                         const std::vector<std::string>& files, bool info) {
    size_t width = 0;
    for (const auto* group : {&folders, &files}) {
        for (const std::string& name : *group) {
            width = std::max(width, CharCount(name));
        }
    }
    std::vector<std::string> lines;
    for (const std::string& name : folders) {
        lines.push_back(info ? Info(name, "DIR", width) : name);
    }
    for (const std::string& name : files) {
        lines.push_back(info ? Info(name, std::to_string(name.size()), width) : name);
    }
    std::string text = Section("Names", lines);
    for (const std::string& title : folders) {
        const auto named = std::find_if(
            std::begin(kNamedFolders), std::end(kNamedFolders), [&](const NamedFolder& folder) {
                return folder.code_page_title == title || folder.utf8_title == title;
            });
        const std::string& file = named->file;
        std::vector<std::string> entries;
        if (!files.empty()) {
            entries.push_back(info ? Info(file, std::to_string(file.size()), file.size()) : file);
        }
        text += Section(title, entries);
    }
    return text;
}

// Two chains below Deep: eight folders of 60 letters, and 1,500 folders named d. The deepest
// of each holds one file.
const int kLongCount = 8;
const int kShortCount = 1500;
std::string LongName(int index) {
    return std::to_string(index) + std::string(59, 'l');
}
std::string Upper(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), UpperAscii);
    return name;
}

// The chain of one-letter folders below parent, and its file. Wine takes time in the square of
// a path's depth to open it, so the chain is made of short pieces side by side, each then moved
// below the one before (a second instead of a minute), and split the same way when done, so
// that no later removal of the test folder meets its whole depth.
const int kPieceLength = 150;
std::wstring Below(std::wstring path, int count) {
    for (int i = 0; i < count; ++i) {
        path += L"\\d";
    }
    return path;
}

void MakeChain(const std::wstring& parent) {
    std::wstring bottom = parent;
    for (int made = 0; made < kShortCount; made += kPieceLength) {
        const std::wstring piece = parent + L"\\piece";
        MakeFolder(piece);
        for (int i = 1; i < kPieceLength; ++i) {
            MakeFolder(Below(piece, i));
        }
        ASSERT_TRUE(MoveFileW(piece.c_str(), Below(bottom, 1).c_str()));
        bottom = Below(bottom, kPieceLength);
    }
    WriteTextFile(bottom + L"\\bottom.txt", "");
}

void SplitChain(const std::wstring& parent) {
    std::wstring top = Below(parent, 1);
    for (int piece = 1; piece * kPieceLength < kShortCount; ++piece) {
        const std::wstring moved = parent + L"\\piece" + std::to_wstring(piece);
        EXPECT_TRUE(MoveFileW(Below(top, kPieceLength).c_str(), moved.c_str()));
        top = moved;
    }
}

std::string DeepListing(const std::string& deep, bool full_titles) {
    std::string text = Section(full_titles ? deep : "Deep", {Upper(LongName(0)), "D"});
    std::string path = deep;
    for (int i = 0; i < kLongCount; ++i) {
        const std::string shown = Upper(LongName(i));
        path += "\\" + shown;
        text += Section(full_titles ? path : shown,
                        {i + 1 < kLongCount ? Upper(LongName(i + 1)) : "long-end.txt"});
    }
    path = deep;
    for (int i = 0; i < kShortCount; ++i) {
        path += "\\D";
        text += Section(full_titles ? path : "D", {i + 1 < kShortCount ? "D" : "bottom.txt"});
    }
    return text;
}

// Where two texts part: the line's number and both lines, each cut to a readable length.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    size_t line_start = 0;
    int line = 1;
    for (size_t i = 0; i < std::min(expected.size(), actual.size()) && expected[i] == actual[i];
         ++i) {
        if (expected[i] == '\n') {
            line_start = i + 1;
            ++line;
        }
    }
    auto line_of = [&](const std::string& text) {
        if (line_start >= text.size()) {
            return std::string("(end of file)");
        }
        const size_t end = text.find('\n', line_start);
        return "\"" + text.substr(line_start, std::min<size_t>(end - line_start, 200)) + "\"";
    };
    return "line " + std::to_string(line) + ": expected " + line_of(expected) + "\n   but got " +
           line_of(actual);
}

TEST(UnicodeNames, EveryFolderIsListedByItsOwnName) {
    const std::string work = MakeTestFolder("unicode-names");
    const std::wstring names = LongPath(Join(work, "Names"));
    MakeFolder(names);
    for (const std::string& file : kFiles) {
        MakeFile(names, file);
    }
    for (const NamedFolder& folder : kNamedFolders) {
        const std::wstring path = names + L"\\" + FromUtf8(folder.name);
        MakeFolder(path);
        MakeFile(path, folder.file);
        SetLocalLastWrite(path, 2023, 11, 12, 13, 14, 15);
    }
    const std::string deep = Join(work, "Deep");
    MakeFolder(LongPath(deep));
    std::wstring path = LongPath(deep);
    for (int i = 0; i < kLongCount; ++i) {
        path += L"\\" + FromAnsi(LongName(i));
        MakeFolder(path);
    }
    WriteTextFile(path + L"\\long-end.txt", "");
    MakeChain(LongPath(deep));

    const std::vector<std::string> utf8_folders = {"AUX",  "CAFé",     "CON",   "DOT",
                                                   "DOT.", "EMOJI😀",   "NUL.D", "SPACE ",
                                                   "ŁóDź", "Ελληνικά", "日本語"};
    const std::vector<std::string> utf8_files = {"mix.Ωmega", "Zed.日本", "é.doc",
                                                 "日.txt",    "豈.txt",   "😀.txt"};
    struct Job {
        std::string options;
        std::string expected;           // the whole file, when not empty
        std::vector<std::string> lines; // lines it holds
    };
    const Job jobs[] = {
        // The code page: names it holds byte for byte, the others as their nearest letters.
        {"-path Names -s -f -e",
         NamesListing({"???", "????????", "AUX", "CAF\xE9", "CON", "DOT", "DOT.", "EMOJI??",
                       "L\363DZ", "NUL.D", "SPACE "},
                      {"?.txt", "?.txt", "??.txt", "mix.Omega", "Zed.??", "\xE9.doc"}, false),
         {}},
        {"-path Names -f -e -filter \"?.txt *.??\"",
         Section("Names", {"?.txt", "?.txt", "Zed.??"}),
         {}},
        {"-path Deep -s -f -e", DeepListing("Deep", false), {}},
        // UTF-8: code-point order with ASCII letters folded, columns counted in characters.
        {"-path Names -s -f -e -i -u", kBom + NamesListing(utf8_folders, utf8_files, true), {}},
        {"-path Names -s -f -e -i -t -u",
         {},
         {"EMOJI😀\t       DIR\t   11/12/2023\t  1:14:15 PM",
          "Ελληνικά       DIR\t   11/12/2023\t  1:14:15 PM",
          "日.txt\t       7\t   5/6/2024\t  7:08:09 AM"}},
        {"-path Names -f -e -u -sort ext",
         kBom + Section("Names", {"é.doc", "日.txt", "豈.txt", "😀.txt", "mix.Ωmega", "Zed.日本"}),
         {}},
        {"-path Names -f -e -u -filter \"?.txt *.??\"",
         kBom + Section("Names", {"Zed.日本", "日.txt", "豈.txt", "😀.txt"}),
         {}},
        {"-path Deep -s -f -e -pt -u", kBom + DeepListing(deep, true), {}},
    };
    const std::string output = Join(work, "out.txt");
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.options);
        DeleteFileA(output.c_str());
        MessageBoxWatcher watcher;
        EXPECT_EQ(RunScrivtree(job.options + " -out ..\\out.txt", work), kExitListingWritten);
        EXPECT_EQ(watcher.Messages(), std::vector<std::string>{});
        const std::string written = ReadWholeFile(output);
        if (!job.expected.empty() && written != job.expected) {
            ADD_FAILURE() << FirstDifference(job.expected, written);
        }
        for (const std::string& line : job.lines) {
            if (("\r\n" + written).find("\r\n" + line + "\r\n") == std::string::npos) {
                ADD_FAILURE() << "no line \"" << line << "\"";
            }
        }
    }
    SplitChain(LongPath(deep));
}

} // namespace
