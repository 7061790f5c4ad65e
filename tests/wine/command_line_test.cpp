// The real program started as a batch file starts it: what its options write and where, the
// exit code and the message of every outcome, and the shell verb it registers at every start.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line_mode.h"
#include "app/shell_verb.h"
#include "engine/ascii.h"
#include "engine/program_resources.h"
#include "res/resource.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/test_support.h"

namespace {

const std::string kCommandLineError = "Error in command line at ";
const std::string kPathOrOutMissing = "-path and -out must be specified in command line";
const std::string kCannotEnter = "Can't enter to folder of \"-path\"";
const std::string kCannotCreate = "Can't create output file";
const std::string kCannotWrite = "Can't write output file";

struct Outcome {
    DWORD exit_code = ~0u;
    std::vector<std::string> messages;
};

// Runs the program and answers every message box it shows.
Outcome RunWatched(const std::string& arguments, const std::string& working_folder) {
    MessageBoxWatcher watcher;
    Outcome outcome;
    outcome.exit_code = RunScrivtree(arguments, working_folder);
    outcome.messages = watcher.Messages();
    return outcome;
}

// A start that opens the dialog: it is closed with "E&xit" as soon as it shows.
Outcome RunDialogWatched(const std::string& arguments, const std::string& working_folder) {
    MessageBoxWatcher watcher;
    DialogDriver dialog(arguments, working_folder);
    Outcome outcome;
    if (dialog.WaitForDialog()) {
        dialog.Click(IDC_EXIT);
        outcome.exit_code = dialog.WaitForExit().value_or(~0u);
    }
    outcome.messages = watcher.Messages();
    return outcome;
}

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(Join(folder, "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Underline(const std::string& title) {
    return std::string(title.size(), '=');
}

TEST(CommandLineOutput, RelativePathCountsFromTheWorkingFolderAndOutFromTheStartFolder) {
    const std::string work = MakeTestFolder("relative");
    const std::string sub = Join(work, "sub");
    MakeFolder(sub);
    WriteTextFile(Join(sub, "a.txt"), "a");
    WriteTextFile(Join(sub, "b.log"), "b");

    const Outcome outcome = RunWatched("-path sub -out list.txt -f -e -cb", work);
    EXPECT_EQ(outcome.exit_code, kExitListingWritten);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{Summary(3, 1, "list.txt")});
    EXPECT_EQ(NamesIn(work), std::vector<std::string>{"sub"});
    // The output file exists, still empty, when the start folder is read.
    EXPECT_EQ(ReadWholeFile(Join(sub, "list.txt")),
              Lines({"sub", "===", "", "a.txt", "b.log", "list.txt", "", ""}));
}

// Whatever form the relative -path takes, the run starts from the absolute folder, which the
// titles with full paths show.
TEST(CommandLineOutput, RelativePathFormsResolveToTheSameAbsoluteFolder) {
    const std::string work = MakeTestFolder("relative-forms");
    const std::string sub = Join(work, "sub");
    MakeFolder(sub);
    MakeFolder(Join(sub, "inner"));
    MakeFolder(Join(work, "elsewhere"));
    const std::string inner_title = Join(sub, "INNER");
    struct Case {
        std::string arguments;
        std::string output;
    };
    const Case cases[] = {
        {"-path sub -out list.txt -s -pt", Join(sub, "list.txt")},
        {"-path .\\sub -out ..\\list.txt -s -pt", Join(work, "list.txt")},
        {"-path ..\\relative-forms\\sub -out ..\\elsewhere\\list.txt -s -pt",
         Join(work, "elsewhere\\list.txt")},
        {"-path sub\\inner\\.. -out inner\\list.txt -s -pt", Join(sub, "inner\\list.txt")},
        {"-path sub -out \"" + Join(work, "list.txt") + "\" -s -pt", Join(work, "list.txt")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        DeleteFileA(c.output.c_str());
        const Outcome outcome = RunWatched(c.arguments, work);
        EXPECT_EQ(outcome.exit_code, kExitListingWritten);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{});
        EXPECT_EQ(ReadWholeFile(c.output),
                  Lines({sub, Underline(sub), "", "INNER", "", "", inner_title,
                         Underline(inner_title), "", "", ""}));
        DeleteFileA(c.output.c_str());
    }
}

// Every outcome that writes nothing leaves the working folder as it was.
TEST(CommandLineOutcome, ExitCodeAndMessageOfEachFailure) {
    const std::string work = MakeTestFolder("failures");
    MakeFolder(Join(work, "sub"));
    WriteTextFile(Join(work, "file.txt"), "f");
    struct Case {
        const char* arguments;
        DWORD exit_code;
        std::string message;
    };
    const Case cases[] = {
        {"-xyz foo", kExitCommandLineError, kCommandLineError + "\"xyz foo\""},
        {"-out list.txt -path . extra -cb", kExitCommandLineError,
         kCommandLineError + "\"extra -cb\""},
        {"-out list.txt -path . -", kExitCommandLineError, kCommandLineError + "\"\""},
        {"/out list.txt /path . /abcdefghijklmnopqrst", kExitCommandLineError,
         kCommandLineError + "\"pqrst\""},
        {"-out list.csv -path . -csv -html", kExitCommandLineError, kCommandLineError + "\"html\""},
        {"-out list.txt -f -cb", kExitPathOrOutMissing, kPathOrOutMissing},
        {"-path . -f -cb", kExitPathOrOutMissing, kPathOrOutMissing},
        {"-path missing -out list.txt -cb", kExitCannotEnterStartFolder, kCannotEnter},
        {"-path file.txt -out list.txt -cb", kExitCannotEnterStartFolder, kCannotEnter},
        {"-path \"\" -out list.txt", kExitCannotEnterStartFolder, kCannotEnter},
        {"-path . -cb -out=", kExitCannotCreateOutput, kCannotCreate},
        {"-path . -out no\\such\\list.txt -cb", kExitCannotCreateOutput, kCannotCreate},
        {"-path . -out sub -f", kExitCannotCreateOutput, kCannotCreate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome outcome = RunWatched(c.arguments, work);
        EXPECT_EQ(outcome.exit_code, c.exit_code);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(NamesIn(work), (std::vector<std::string>{"file.txt", "sub"}));
        EXPECT_EQ(NamesIn(Join(work, "sub")), std::vector<std::string>{});
    }
}

// An output file that another program holds open without sharing write access cannot be
// replaced; its content stays as it was.
TEST(CommandLineOutcome, HeldOutputFileCannotBeCreated) {
    const std::string work = MakeTestFolder("held");
    const std::string held = Join(work, "held.txt");
    WriteTextFile(held, "kept");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const Outcome outcome = RunWatched("-path . -out held.txt -f -cb", work);
    CloseHandle(holder);
    EXPECT_EQ(outcome.exit_code, kExitCannotCreateOutput);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{kCannotCreate});
    EXPECT_EQ(ReadWholeFile(held), "kept");
}

// The test runner provides a small file system of 64 KiB; the listing of 2000 files with full
// paths and information does not fit on it.
TEST(CommandLineOutcome, FailedWriteEndsWithItsOwnCode) {
    const char* full_disk = std::getenv("SCRIVTREE_FULL_DISK");
    if (full_disk == nullptr) {
        GTEST_SKIP() << "no small file system to fill";
    }
    const std::string work = MakeFolderOfFiles("many", 2000);
    const std::string output =
        Join(full_disk, "command-line-" + std::to_string(GetCurrentProcessId()) + ".txt");
    const Outcome outcome = RunWatched("-path . -out \"" + output + "\" -f -e -i -p -cb", work);
    DeleteFileA(output.c_str());
    EXPECT_EQ(outcome.exit_code, kExitCannotWriteOutput);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{kCannotWrite});
}

// The forms a batch file may use: either prefix, any case, '=' or ':' before a value, repeated
// options, and every flag off.
TEST(CommandLineForms, PrefixesCaseSeparatorsAndRepeats) {
    const std::string work = MakeTestFolder("forms");
    WriteTextFile(Join(work, "a.txt"), "a");
    const std::string title = "forms";
    struct Case {
        const char* arguments;
        std::string content;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"/OUT:list.txt /PATH:. /F /CB",
         Lines({title, Underline(title), "", "a", "list", "", ""}),
         {Summary(2, 1, "list.txt")}},
        {"-out list.txt -path .", Lines({title, Underline(title), "", "", ""}), {}},
        {"-out first.txt -Out=list.txt -PATH . -f -E -f",
         Lines({title, Underline(title), "", "a.txt", "list.txt", "", ""}),
         {}},
        {"- out 'list.txt'-path\t. -cb",
         Lines({title, Underline(title), "", "", ""}),
         {Summary(0, 1, "list.txt")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome outcome = RunWatched(c.arguments, work);
        EXPECT_EQ(outcome.exit_code, kExitListingWritten);
        EXPECT_EQ(outcome.messages, c.messages);
        EXPECT_EQ(ReadWholeFile(Join(work, "list.txt")), c.content);
        EXPECT_EQ(NamesIn(work), (std::vector<std::string>{"a.txt", "list.txt"}));
        DeleteFileA(Join(work, "list.txt").c_str());
    }
}

TEST(CommandLineForms, QuotedValuesKeepTheirBlanks) {
    const std::string work = MakeTestFolder("quoted");
    const std::string data = Join(work, "My Data");
    MakeFolder(data);
    MakeFolder(Join(data, "Inner Box"));
    WriteTextFile(Join(data, "a b.txt"), "x");
    WriteTextFile(Join(data, "Inner Box\\c d.txt"), "y");

    const Outcome outcome = RunWatched("-path \"My Data\" -out 'out file.txt' -s -f -e -cb", work);
    EXPECT_EQ(outcome.exit_code, kExitListingWritten);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{Summary(3, 2, "out file.txt")});
    EXPECT_EQ(ReadWholeFile(Join(data, "out file.txt")),
              Lines({"My Data", "=======", "", "INNER BOX", "a b.txt", "out file.txt", "", "",
                     "INNER BOX", "=========", "", "c d.txt", "", ""}));
}

TEST(CommandLineForms, FilterWithExclusionsAndSortKey) {
    const std::string work = MakeTestFolder("filter-sort");
    const std::string data = Join(work, "data");
    MakeFolder(data);
    WriteTextFile(Join(data, "a.txt"), std::string(30, 'a'));
    WriteTextFile(Join(data, "b.bak"), std::string(5, 'b'));
    WriteTextFile(Join(data, "c.log"), std::string(10, 'c'));
    WriteTextFile(Join(data, "d.txt"), std::string(20, 'd'));
    WriteTextFile(Join(data, "e.bak"), std::string(40, 'e'));
    struct Case {
        const char* options;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"-filter \"*.* | *.bak\"", {"a.txt", "c.log", "d.txt"}},
        {"-filter \"*.* | *.bak\" -sort size", {"c.log", "d.txt", "a.txt"}},
        {"/SORT:Size /filter='*.txt *.bak|e.*'", {"b.bak", "d.txt", "a.txt"}},
        {"-sort size -sort bogus", {"b.bak", "c.log", "d.txt", "a.txt", "e.bak"}},
        {"-sort ext", {"b.bak", "e.bak", "c.log", "a.txt", "d.txt"}},
        {"-filter \"\"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const Outcome outcome =
            RunWatched(std::string("-path data -out ..\\list.txt -f -e ") + c.options, work);
        EXPECT_EQ(outcome.exit_code, kExitListingWritten);
        std::vector<std::string> lines = {"data", "====", ""};
        lines.insert(lines.end(), c.files.begin(), c.files.end());
        lines.insert(lines.end(), {"", ""});
        EXPECT_EQ(ReadWholeFile(Join(work, "list.txt")), Lines(lines));
    }
}

// Names with bytes of 128 and above, in the ANSI code page of the prefix, travel through the
// command line and the folder scan unchanged; only ASCII letters ignore case.
TEST(CommandLineForms, NonAsciiNamesInPathAndFilter) {
    const std::string work = MakeTestFolder("non-ascii");
    const std::string folder_name = "d\xE9j\xE0";
    const std::string data = Join(work, folder_name);
    MakeFolder(data);
    for (const char* name : {"cafe.txt", "caf\xE8.txt", "caf\xE9.txt"}) {
        WriteTextFile(Join(data, name), "x");
    }
    ASSERT_EQ(NamesIn(data), (std::vector<std::string>{"cafe.txt", "caf\xE8.txt", "caf\xE9.txt"}))
        << "the names do not survive the ANSI code page " << GetACP();
    struct Case {
        std::string filter;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"caf\xE9.*", {"caf\xE9.txt"}},
        {"CAF\xE9.TXT", {"caf\xE9.txt"}},
        {"caf\xC9.*", {}},
        {"*.* | caf\xE9.*", {"cafe.txt", "caf\xE8.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        const Outcome outcome = RunWatched(
            "-path \"" + folder_name + "\" -out ..\\list.txt -f -e -filter \"" + c.filter + "\"",
            work);
        EXPECT_EQ(outcome.exit_code, kExitListingWritten);
        std::vector<std::string> lines = {folder_name, Underline(folder_name), ""};
        lines.insert(lines.end(), c.files.begin(), c.files.end());
        lines.insert(lines.end(), {"", ""});
        EXPECT_EQ(ReadWholeFile(Join(work, "list.txt")), Lines(lines));
    }
}

std::optional<std::string> DefaultValue(const std::string& key_path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key_path.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    char value[1024];
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        return std::nullopt;
    }
    return std::string(value, strnlen(value, size));
}

void SetDefaultValue(const std::string& key_path, const std::string& text) {
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key_path.c_str(), REG_SZ, text.c_str(),
                           static_cast<DWORD>(text.size())),
              ERROR_SUCCESS)
        << key_path;
}

// Every kind of start writes the verb again, over whatever the keys held before.
TEST(ShellVerb, EveryStartRegistersTheVerbForDrivesAndDirectories) {
    const std::string work = MakeTestFolder("shell-verb");
    const std::string expected_command = "\"" + ScrivtreePath() + "\" \"%1\"";
    const struct {
        const char* arguments;
        bool dialog;
    } starts[] = {
        {"", true}, {"\"C:\\\"", true}, {"-out list.txt -path .", false}, {"-xyz", false}};
    for (const auto& [arguments, dialog] : starts) {
        SCOPED_TRACE(arguments);
        for (const char* class_name : {"drive", "directory"}) {
            const std::string verb = std::string(class_name) + "\\shell\\UseScrivtree";
            SetDefaultValue(verb, "stale");
            SetDefaultValue(verb + "\\command", "stale");
        }
        if (dialog) {
            RunDialogWatched(arguments, work);
        } else {
            RunWatched(arguments, work);
        }
        for (const char* class_name : {"drive", "directory"}) {
            SCOPED_TRACE(class_name);
            const std::string verb = std::string(class_name) + "\\shell\\UseScrivtree";
            EXPECT_EQ(DefaultValue(verb), std::optional<std::string>("Use Scrivtree"));
            const std::optional<std::string> command = DefaultValue(verb + "\\command");
            ASSERT_TRUE(command.has_value());
            EXPECT_TRUE(EqualNoCase(*command, expected_command))
                << *command << " != " << expected_command;
        }
    }
}

// A start that may not write the machine's classes, as a user's normal start on Windows, gives
// the verb to the user's own classes; one that may, to every user, and the user's copy, which
// would hide it, goes.
TEST(ShellVerb, GoesToTheUsersClassesWhereTheMachinesRefuseIt) {
    const std::string expected_command = "\"" + ExecutablePath() + "\" \"%1\"";
    const std::string verb = "Software\\Classes\\directory\\shell\\UseScrivtree";
    const auto command_in = [&verb](HKEY root) -> std::optional<std::string> {
        char text[1024] = "";
        DWORD size = sizeof text;
        if (RegGetValueA(root, (verb + "\\command").c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text,
                         &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::string(text);
    };
    RegDeleteTreeA(HKEY_CURRENT_USER, verb.c_str());
    // A handle that is no key at all refuses every write below it.
    MachineClassesRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0));
    RegisterShellVerb("directory");
    MachineClassesRoot = HKEY_LOCAL_MACHINE;
    EXPECT_EQ(command_in(HKEY_CURRENT_USER), expected_command);
    char name[64] = "";
    DWORD size = sizeof name;
    RegGetValueA(HKEY_CURRENT_USER, verb.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, name, &size);
    EXPECT_STREQ(name, "Use Scrivtree");

    RegisterShellVerb("directory");
    EXPECT_EQ(command_in(HKEY_LOCAL_MACHINE), expected_command);
    EXPECT_EQ(command_in(HKEY_CURRENT_USER), std::nullopt);
    HKEY left = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, verb.c_str(), 0, KEY_READ, &left), ERROR_SUCCESS);
}

// A start without options, or with a folder, opens the dialog: no message, nothing written,
// even when options follow a folder argument.
TEST(StartWithoutOptions, OpensTheDialogAndEndsWithExitCodeZero) {
    const std::string work = MakeTestFolder("no-options");
    for (const char* arguments : {"", "   ", "\"C:\\\"", "C:\\ -out list.txt -path . -cb"}) {
        SCOPED_TRACE(arguments);
        const Outcome outcome = RunDialogWatched(arguments, work);
        EXPECT_EQ(outcome.exit_code, 0u);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{});
        EXPECT_EQ(NamesIn(work), std::vector<std::string>{});
    }
}

} // namespace
