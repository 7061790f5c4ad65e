// What the Wine tests share: real folders and files made for each test, file times, reading
// output files back, watching for the program's message boxes, and running the program.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A fresh, empty folder for one test, below the prefix's temporary folder; its path has no
// trailing backslash.
std::string MakeTestFolder(const std::string& name);

std::string Join(const std::string& folder, const std::string& name);

void MakeFolder(const std::string& path);
// A fresh test folder holding count empty files.
std::string MakeFolderOfFiles(const std::string& name, int count);
void WriteTextFile(const std::string& path, const std::string& content);
// A file of the given size without writing its bytes (sparse where the file system allows).
void MakeSizedFile(const std::string& path, uint64_t size);
std::string ReadWholeFile(const std::string& path);

// Makes link a symbolic link to the folder target, as the file system beneath Wine has them;
// false when that cannot be done here.
bool MakeFolderLink(const std::string& link, const std::string& target);
bool FileExists(const std::string& path);

// Sets the last-write time of a file or folder from a local calendar time.
void SetLocalLastWrite(const std::string& path, int year, int month, int day, int hour, int minute,
                       int second);

// The text lines, each ended by CR LF, as a listing file holds them.
std::string Lines(const std::vector<std::string>& lines);

// Watches for message boxes titled "Scrivtree 1.4" from any process, records their text and
// presses their OK button. Stops when destroyed.
class MessageBoxWatcher {
  public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<std::string> Messages();

  private:
    void Watch();

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> messages_;
    std::thread thread_;
};

// Runs the program under test (Scrivtree.exe) with the arguments, in the working folder, and
// returns its exit code once it has ended.
DWORD RunScrivtree(const std::string& arguments, const std::string& working_folder);

// Windows path of the program under test.
std::string ScrivtreePath();
