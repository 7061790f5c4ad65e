// What the Wine tests share: real folders and files made for each test, file times, reading
// output files back, watching for the program's message boxes, and running the program.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "scrivtree_version.h"

// A fresh, empty folder for one test, below the prefix's temporary folder; its path has no
// trailing backslash.
std::string MakeTestFolder(const std::string& name);

std::string Join(const std::string& folder, const std::string& name);

void MakeFolder(const std::string& path);
// The same for names outside the ANSI code page and paths of any length, given as LongPath.
void MakeFolder(const std::wstring& path);
// A fresh test folder holding count empty files.
std::string MakeFolderOfFiles(const std::string& name, int count);
void WriteTextFile(const std::string& path, const std::string& content);
void WriteTextFile(const std::wstring& path, const std::string& content);
// A file of the given size without writing its bytes (sparse where the file system allows).
void MakeSizedFile(const std::string& path, uint64_t size);
std::string ReadWholeFile(const std::string& path);
// The file's bytes, or nothing when it cannot be opened (not yet written, say).
std::optional<std::string> ReadFileIfPresent(const std::string& path);

// Makes link a symbolic link to the folder target, as the file system beneath Wine has them;
// false when that cannot be done here.
bool MakeFolderLink(const std::string& link, const std::string& target);
bool FileExists(const std::string& path);

// Sets the last-write time of a file or folder from a local calendar time.
void SetLocalLastWrite(const std::string& path, int year, int month, int day, int hour, int minute,
                       int second);
void SetLocalLastWrite(const std::wstring& path, int year, int month, int day, int hour, int minute,
                       int second);

// The text lines, each ended by CR LF, as a listing file holds them.
std::string Lines(const std::vector<std::string>& lines);

// Text of the ANSI code page, from and to UTF-16.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);
std::wstring FromUtf8(const std::string& text);
std::string ToUtf8(const std::wstring& text);
// The absolute path with the long-path prefix, for the wide calls.
std::wstring LongPath(const std::string& path);

// The text of a window of any process. Under Wine only the wide message carries it across
// processes intact; it comes back in the ANSI code page the program works in.
std::string ReadWindowText(HWND window);
// The text of a window just shown, such as a message box's, once it has come: a failure of the
// test when it has not within 30 s.
std::string ReadShownText(HWND window);

// The 32-bit pixels of an area of the screen, row by row.
std::vector<DWORD> ScreenPixels(const RECT& area);

// The standard icon a message box shows.
enum class BoxIcon { None, Error, Warning, Information, Question };

// What a message box showed: its text, the ids of its buttons in ascending order, its icon.
struct ShownMessage {
    std::string text;
    std::vector<int> buttons;
    BoxIcon icon = BoxIcon::None;
};
bool operator==(const ShownMessage& a, const ShownMessage& b);
std::ostream& operator<<(std::ostream& out, const ShownMessage& message);

// Watches for message boxes titled like the program (SCRIVTREE_PROGRAM_TITLE) from any process,
// records what they show and answers them: with the buttons given, one per box in the order the
// boxes come, then with OK. The program's main dialog, which has the same title and class, is left
// alone. Stops when destroyed.
class MessageBoxWatcher {
  public:
    explicit MessageBoxWatcher(std::vector<int> answers = {});
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<std::string> Messages();
    std::vector<ShownMessage> Shown();

  private:
    void Watch();

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<int> answers_;
    std::vector<ShownMessage> shown_;
    std::thread thread_;
};

// Runs the program under test (Scrivtree.exe) with the arguments, in the working folder, and
// returns its exit code once it has ended.
DWORD RunScrivtree(const std::string& arguments, const std::string& working_folder);

// Windows path of the program under test.
std::string ScrivtreePath();

// Windows path of a file of this build whose Unix path CTest puts in the environment variable;
// nothing when it is not set.
std::optional<std::string> BuiltFilePath(const char* variable);

// The summary message of a listing written to output.
std::string Summary(int files, int folders, const std::string& output);
