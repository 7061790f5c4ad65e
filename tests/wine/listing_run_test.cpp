// The listing run on real folders: what the output file holds, what is counted, and the
// messages the run shows. Dates and times are written in the en-US formats that the test
// runner pins (M/d/yyyy, h:mm:ss AM/PM).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/listing_run.h"
#include "tests/wine/test_support.h"
#include "tests/listing_columns.h"

namespace {

ListJob FullJob(const std::string& output, const std::string& start) {
    ListJob job;
    job.output_path = output.c_str();
    job.start_folder = start.c_str();
    job.filter_text = "*.*";
    job.include_subfolders = 1;
    job.include_files = 1;
    job.full_information = 1;
    job.include_extensions = 1;
    return job;
}

// The tree of the worked example: Demo with docs (guide.txt) and an empty src, and two files.
struct DemoTree {
    std::string root;
    std::string demo = Join(root, "Demo");
    std::string output = Join(root, "listing.txt");

    explicit DemoTree(const std::string& test) : root(MakeTestFolder(test)) {
        MakeFolder(demo);
        MakeFolder(Join(demo, "docs"));
        MakeFolder(Join(demo, "src"));
        WriteTextFile(Join(demo, "readme.txt"), std::string(980, 'r'));
        WriteTextFile(Join(demo, "build.cmd"), std::string(56, 'b'));
        WriteTextFile(Join(demo, "docs\\guide.txt"), std::string(880, 'g'));
        SetLocalLastWrite(Join(demo, "docs\\guide.txt"), 2003, 3, 10, 14, 2, 9);
        SetLocalLastWrite(Join(demo, "build.cmd"), 2003, 3, 12, 16, 41, 7);
        SetLocalLastWrite(Join(demo, "readme.txt"), 2003, 3, 13, 11, 20, 55);
        SetLocalLastWrite(Join(demo, "docs"), 2003, 3, 14, 9, 5, 12);
        SetLocalLastWrite(Join(demo, "src"), 2003, 3, 14, 9, 5, 40);
    }
};

TEST(ListingRun, WorkedExampleWithSummary) {
    DemoTree tree("worked");
    ListJob job = FullJob(tree.output, tree.demo);
    job.show_summary = 1;
    MessageBoxWatcher watcher;
    EXPECT_EQ(RunListing(job), ListingOutcome::Written);
    EXPECT_EQ(ReadWholeFile(tree.output),
              Lines({
                  "Demo",
                  "====",
                  "",
                  Columns({{"DOCS", 0}, {"DIR", 16}, {"3/14/2003", 28}, {"9:05:12 AM", 43}}),
                  Columns({{"SRC", 0}, {"DIR", 16}, {"3/14/2003", 28}, {"9:05:40 AM", 43}}),
                  Columns({{"build.cmd", 0}, {"56", 16}, {"3/12/2003", 28}, {"4:41:07 PM", 43}}),
                  Columns({{"readme.txt", 0}, {"980", 16}, {"3/13/2003", 28}, {"11:20:55 AM", 43}}),
                  "",
                  "",
                  "DOCS",
                  "====",
                  "",
                  Columns({{"guide.txt", 0}, {"880", 15}, {"3/10/2003", 27}, {"2:02:09 PM", 42}}),
                  "",
                  "",
                  "SRC",
                  "===",
                  "",
                  "",
                  "",
              }));
    EXPECT_EQ(watcher.Messages(),
              std::vector<std::string>{"3 file(s) of 3 folder(s) are successfully\nwritten to \"" +
                                       tree.output + "\""});
}

// The user's own time format, set for the test and put back after it.
class UserTimeFormat {
  public:
    explicit UserTimeFormat(const wchar_t* picture) {
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved_, 80);
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, picture);
    }
    ~UserTimeFormat() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved_); }

  private:
    wchar_t saved_[80] = L"";
};

// Times come out as Windows formats them, whether the run makes them from the user's picture
// or, for a picture it does not know ("zz"), has Windows format each second once.
TEST(ListingRun, TimesAreWindowsOwnForAnyPicture) {
    DemoTree tree("time-pictures");
    const WORD times[][3] = {{14, 2, 9}, {16, 41, 7}, {11, 20, 55}, {9, 5, 12}, {9, 5, 40}};
    for (const wchar_t* picture : {L"HH'h'mm.ss", L"tt hh:mm:ss", L"H:mm:ss zz"}) {
        UserTimeFormat format(picture);
        ASSERT_EQ(RunListing(FullJob(tree.output, tree.demo)), ListingOutcome::Written);
        const std::string listing = ReadWholeFile(tree.output);
        for (const auto& time : times) {
            SYSTEMTIME calendar{2003, 3, 0, 14, time[0], time[1], time[2], 0};
            wchar_t text[80];
            ASSERT_GT(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &calendar, nullptr, text, 80), 1);
            EXPECT_NE(listing.find(ToAnsi(text) + "\r\n"), std::string::npos)
                << ToAnsi(picture) << ": " << ToAnsi(text) << " in\n"
                << listing;
        }
    }
}

TEST(ListingRun, WorkedExampleVariants) {
    DemoTree tree("variants");
    ListJob job = FullJob(tree.output, tree.demo);
    job.use_tabs = 1;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    const std::string tabbed = ReadWholeFile(tree.output);
    EXPECT_NE(tabbed.find("\r\nDOCS\t\tDIR\t    3/14/2003\t   9:05:12 AM\r\n"), std::string::npos)
        << tabbed;

    job.use_tabs = 0;
    job.full_paths = 1;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    const size_t width = 10 + tree.demo.size();
    EXPECT_NE(ReadWholeFile(tree.output)
                  .find("\r\n" +
                        Columns({{tree.demo + "\\readme.txt", 0},
                                 {"980", width + 6},
                                 {"3/13/2003", width + 18},
                                 {"11:20:55 AM", width + 33}}) +
                        "\r\n"),
              std::string::npos);

    job.full_paths = 0;
    job.full_information = 0;
    job.include_extensions = 0;
    job.full_paths_in_titles = 1;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    const std::string docs_title = tree.demo + "\\DOCS";
    EXPECT_EQ(ReadWholeFile(tree.output), Lines({tree.demo,
                                                 std::string(tree.demo.size(), '='),
                                                 "",
                                                 "DOCS",
                                                 "SRC",
                                                 "build",
                                                 "readme",
                                                 "",
                                                 "",
                                                 docs_title,
                                                 std::string(docs_title.size(), '='),
                                                 "",
                                                 "guide",
                                                 "",
                                                 "",
                                                 tree.demo + "\\SRC",
                                                 std::string(tree.demo.size() + 4, '='),
                                                 "",
                                                 "",
                                                 ""}));
}

TEST(ListingRun, EmptyAndMissingFoldersGetFiveLines) {
    const std::string root = MakeTestFolder("empty");
    const std::string output = Join(root, "out.txt");
    MakeFolder(Join(root, "Nothing"));
    for (const char* name : {"Nothing", "Missing"}) {
        const std::string start = Join(root, name);
        const ListJob job = FullJob(output, start);
        EXPECT_EQ(RunListing(job), ListingOutcome::Written) << name;
        EXPECT_EQ(ReadWholeFile(output), Lines({name, std::string(strlen(name), '='), "", "", ""}));
    }
}

TEST(ListingRun, OptionsOffCountOnlyTheStartFolder) {
    DemoTree tree("options-off");
    ListJob job = FullJob(tree.output, tree.demo);
    job.include_subfolders = 0;
    job.include_files = 0;
    job.show_summary = 1;
    MessageBoxWatcher watcher;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    EXPECT_EQ(ReadWholeFile(tree.output), Lines({"Demo", "====", "", "", ""}));
    EXPECT_EQ(watcher.Messages(),
              std::vector<std::string>{"0 file(s) of 1 folder(s) are successfully\nwritten to \"" +
                                       tree.output + "\""});
}

TEST(ListingRun, DotFoldersSkippedHiddenKeptOutputListedInItsOwnTree) {
    const std::string root = MakeTestFolder("dots");
    MakeFolder(Join(root, ".git"));
    MakeFolder(Join(root, "Secret"));
    SetFileAttributesA(Join(root, "Secret").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteTextFile(Join(root, ".notes.txt"), "n");
    WriteTextFile(Join(root, ".profile"), "p");
    WriteTextFile(Join(root, ".git\\config"), "c");
    const std::string output = Join(root, "list.txt");
    ListJob job = FullJob(output, root);
    job.full_information = 0;
    job.filter_text = "*.txt";
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    const std::string title = root.substr(root.rfind('\\') + 1);
    // The output file exists, empty, when its own folder is read, so it is listed too.
    EXPECT_EQ(ReadWholeFile(output),
              Lines({title, std::string(title.size(), '='), "", "SECRET", ".notes.txt", "list.txt",
                     "", "", "SECRET", "======", "", "", ""}));
}

TEST(ListingRun, SizesKeepEveryBitAndOrderBySize) {
    const std::string root = MakeTestFolder("sizes");
    MakeSizedFile(Join(root, "big.bin"), 3ull << 30);
    MakeSizedFile(Join(root, "huge.bin"), 5ull << 30);
    MakeSizedFile(Join(root, "small.bin"), 2048);
    const std::string output = Join(MakeTestFolder("sizes-out"), "out.txt");
    ListJob job = FullJob(output, root);
    job.sort_mode = BySize;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    const std::string text = ReadWholeFile(output);
    const size_t small = text.find("\r\n" + Columns({{"small.bin", 0}, {"2048", 15}, {"", 27}}));
    const size_t big = text.find("\r\n" + Columns({{"big.bin", 0}, {"3221225472", 15}, {"", 27}}));
    const size_t huge =
        text.find("\r\n" + Columns({{"huge.bin", 0}, {"5368709120", 15}, {"", 27}}));
    ASSERT_NE(small, std::string::npos) << text;
    ASSERT_NE(big, std::string::npos) << text;
    ASSERT_NE(huge, std::string::npos) << text;
    EXPECT_LT(small, big);
    EXPECT_LT(big, huge);
}

TEST(ListingRun, OrderByDateAndExtension) {
    const std::string root = MakeTestFolder("order");
    for (const char* name : {"c.txt", "a.log", "b.TXT", "d"}) {
        WriteTextFile(Join(root, name), "x");
    }
    SetLocalLastWrite(Join(root, "c.txt"), 2001, 1, 1, 0, 0, 0);
    SetLocalLastWrite(Join(root, "a.log"), 2003, 1, 1, 0, 0, 0);
    SetLocalLastWrite(Join(root, "b.TXT"), 2002, 1, 1, 0, 0, 0);
    SetLocalLastWrite(Join(root, "d"), 2004, 1, 1, 0, 0, 0);
    const std::string output = Join(MakeTestFolder("order-out"), "out.txt");
    ListJob job = FullJob(output, root);
    job.full_information = 0;
    job.filter_text = "*.* *";
    const std::string title = "order";
    job.sort_mode = ByDate;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    EXPECT_EQ(ReadWholeFile(output),
              Lines({title, "=====", "", "c.txt", "b.TXT", "a.log", "d", "", ""}));
    job.sort_mode = ByExtension;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    EXPECT_EQ(ReadWholeFile(output),
              Lines({title, "=====", "", "d", "a.log", "b.TXT", "c.txt", "", ""}));
}

// A folder whose path passes 259 characters is entered like any other: its file is listed.
TEST(ListingRun, SubfolderPastTheShortPathLimitIsListed) {
    const std::string root = MakeTestFolder("long");
    const std::string outer(240 - root.size(), 'a');
    const std::string inner(30, 'b');
    MakeFolder(Join(root, outer));
    const std::wstring deep = L"\\\\?\\" + std::wstring(root.begin(), root.end()) + L"\\" +
                              std::wstring(outer.begin(), outer.end()) + L"\\" +
                              std::wstring(inner.begin(), inner.end());
    ASSERT_GT(deep.size() - 4, 259u);
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    WriteTextFile(deep + L"\\deepest.txt", "d");
    MakeFolder(Join(root, "zzz"));
    const std::string output = Join(MakeTestFolder("long-out"), "out.txt");
    ListJob job = FullJob(output, root);
    job.full_information = 0;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    std::string upper_outer(outer.size(), 'A');
    std::string upper_inner(inner.size(), 'B');
    EXPECT_EQ(ReadWholeFile(output), Lines({"long",
                                            "====",
                                            "",
                                            upper_outer,
                                            "ZZZ",
                                            "",
                                            "",
                                            upper_outer,
                                            std::string(outer.size(), '='),
                                            "",
                                            upper_inner,
                                            "",
                                            "",
                                            upper_inner,
                                            std::string(inner.size(), '='),
                                            "",
                                            "deepest.txt",
                                            "",
                                            "",
                                            "ZZZ",
                                            "===",
                                            "",
                                            "",
                                            ""}));
}

// A link back to a parent would make the walk endless: the link is listed and not entered.
TEST(ListingRun, FolderLinksAreListedNotEntered) {
    const std::string root = MakeTestFolder("links");
    MakeFolder(Join(root, "sub"));
    const std::string link = Join(root, "sub\\back");
    if (!MakeFolderLink(link, root)) {
        GTEST_SKIP() << "cannot make a folder link here";
    }
    ASSERT_NE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    const std::string output = Join(MakeTestFolder("links-out"), "out.txt");
    ListJob job = FullJob(output, root);
    job.full_information = 0;
    job.show_summary = 1;
    MessageBoxWatcher watcher;
    ASSERT_EQ(RunListing(job), ListingOutcome::Written);
    EXPECT_EQ(ReadWholeFile(output), Lines({"links", "=====", "", "SUB", "", "", "SUB", "===", "",
                                            "BACK", "", "", "BACK", "====", "", "", ""}));
    EXPECT_EQ(watcher.Messages(),
              std::vector<std::string>{"0 file(s) of 3 folder(s) are successfully\nwritten to \"" +
                                       output + "\""});
}

TEST(ListingRun, OutputThatCannotBeCreatedIsReportedAndNothingIsWritten) {
    DemoTree tree("cannot-create");
    const std::string missing_folder = Join(tree.root, "no such folder\\out.txt");
    const std::string held = Join(tree.root, "held.txt");
    WriteTextFile(held, "kept");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    // Tests run as root, for whom Wine writes read-only files; a file held open without shared
    // write access stands in for one that may not be written.
    for (const std::string& output : {missing_folder, held}) {
        ListJob job = FullJob(output, tree.demo);
        job.show_summary = 1;
        MessageBoxWatcher watcher;
        EXPECT_EQ(RunListing(job), ListingOutcome::CannotCreate) << output;
        EXPECT_EQ(watcher.Messages(), std::vector<std::string>{"Can't create output file"});
    }
    CloseHandle(holder);
    EXPECT_FALSE(FileExists(missing_folder));
    EXPECT_EQ(ReadWholeFile(held), "kept");
}

// The test runner provides a small file system of 64 KiB; the listing of 2000 files does not
// fit on it.
TEST(ListingRun, FailedWriteStopsTheRunAndIsReported) {
    const char* full_disk = std::getenv("SCRIVTREE_FULL_DISK");
    if (full_disk == nullptr) {
        GTEST_SKIP() << "no small file system to fill";
    }
    const std::string root = MakeFolderOfFiles("many", 2000);
    const std::string output = Join(full_disk, "listing.txt");
    ListJob job = FullJob(output, root);
    job.show_summary = 1;
    {
        MessageBoxWatcher watcher;
        EXPECT_EQ(RunListing(job), ListingOutcome::CannotWrite);
        EXPECT_EQ(watcher.Messages(), std::vector<std::string>{"Can't write output file"});
    }
    DeleteFileA(output.c_str());
}

// Whether every piece is in text, in this order; the pieces not found, with what came before.
std::string MissingPieces(const std::string& text, const std::vector<std::string>& pieces) {
    std::string missing;
    size_t at = 0;
    for (const std::string& piece : pieces) {
        const size_t found = text.find(piece, at);
        if (found == std::string::npos) {
            missing += "not found after byte " + std::to_string(at) + ": " + piece + "\n";
        } else {
            at = found + piece.size();
        }
    }
    return missing;
}

// Every name exact, every column whatever the text listing's options, local times by the bias
// of their own date (in March 2003 as in winter), sizes in bytes.
TEST(ListingFormats, CsvOfTheWorkedExampleWhateverTheTextOptions) {
    DemoTree tree("worked-csv");
    const std::string expected =
        "\xEF\xBB\xBF" + Lines({
                             "Folder,Name,Extension,Type,Size,Modified",
                             tree.demo + ",docs,,Folder,,2003-03-14 09:05:12",
                             tree.demo + ",src,,Folder,,2003-03-14 09:05:40",
                             tree.demo + ",build.cmd,cmd,File,56,2003-03-12 16:41:07",
                             tree.demo + ",readme.txt,txt,File,980,2003-03-13 11:20:55",
                             tree.demo + "\\docs,guide.txt,txt,File,880,2003-03-10 14:02:09",
                         });
    ListJob job = FullJob(tree.output, tree.demo);
    job.output_format = CsvFormat;
    EXPECT_EQ(RunListing(job), ListingOutcome::Written);
    EXPECT_EQ(ReadWholeFile(tree.output), expected);
    job.full_information = job.include_extensions = 0;
    job.full_paths = job.full_paths_in_titles = job.use_tabs = job.utf8_output = 1;
    EXPECT_EQ(RunListing(job), ListingOutcome::Written);
    EXPECT_EQ(ReadWholeFile(tree.output), expected);
}

TEST(ListingFormats, PageOfTheWorkedExample) {
    DemoTree tree("worked-html");
    ListJob job = FullJob(tree.output, tree.demo);
    job.output_format = HtmlFormat;
    EXPECT_EQ(RunListing(job), ListingOutcome::Written);
    const std::string page = ReadWholeFile(tree.output);
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>", 0), 0u);
    EXPECT_EQ(MissingPieces(page,
                            {
                                tree.demo + " \xE2\x80\x94 3 files, 3 folders ",
                                "</title>",
                                "<h1>" + tree.demo + " <small>3 files, 3 folders ",
                                "<section id=\"f\"><h2>" + tree.demo + "</h2>\n<table>",
                                "<tr><td><a href=\"#f-1\">docs</a><td><td>3/14/2003 9:05:12 AM\n",
                                "<tr><td><a href=\"#f-2\">src</a><td><td>3/14/2003 9:05:40 AM\n",
                                "<tr><td>build.cmd<td>56<td>3/12/2003 4:41:07 PM\n",
                                "<tr><td>readme.txt<td>980<td>3/13/2003 11:20:55 AM\n",
                                "</table></section>\n<section id=\"f-1\"><h2>" + tree.demo +
                                    "\\docs</h2>\n<p><a href=\"#f\">",
                                "<tr><td>guide.txt<td>880<td>3/10/2003 2:02:09 PM\n",
                                "<section id=\"f-2\"><h2>" + tree.demo +
                                    "\\src</h2>\n<p><a href=\"#f\">Parent folder</a></p>\n<p>No "
                                    "entries</p>\n</section>\n</body></html>\n",
                            }),
              "");
}

// The counts go in at the end, into a head that is in the file by then.
TEST(ListingFormats, PageCountsFillTheHeadAfterItIsWritten) {
    const std::string root = MakeFolderOfFiles("many-html", 3000);
    const std::string output = Join(MakeTestFolder("many-html-out"), "page.html");
    ListJob job = FullJob(output, root);
    job.output_format = HtmlFormat;
    EXPECT_EQ(RunListing(job), ListingOutcome::Written);
    const std::string page = ReadWholeFile(output);
    EXPECT_GT(page.size(), 100000u);
    EXPECT_EQ(MissingPieces(page, {"\xE2\x80\x94 3,000 files, 1 folder ", "</title>",
                                   "<small>3,000 files, 1 folder ", "</small></h1>\n<section",
                                   "file999.txt<td>0<td>", "</table></section>\n</body></html>\n"}),
              "");
}

} // namespace
