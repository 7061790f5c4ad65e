// A listing run started from the dialog against the same job run from the command line: how
// long the real program takes from "&Go!" to its summary message box, and from its process
// creation to the same box. See docs/benchmarks-dialog-run.md.
//
// Usage: dialog_run.exe [--cpu-clock FILE] [--extra-titles N] SCRIVTREE ONE_FOLDER OUTPUT_FOLDER
//                       ROUNDS DIALOG_RUNS CASE...
//
// A CASE is NAME|FOLDER|OPTIONS12|FLAGS, for instance "t1|Z:\trees\t1|3|-s -f": the folder, the
// dialog's options as the registry keeps them, and the same job's command-line flags. Each round
// runs, for every case, in an order that turns from round to round:
//   - the command line on FOLDER, and on ONE_FOLDER (a folder of one file, for the start-up
//     cost), each with -cb;
//   - a dialog opened on FOLDER, and one on ONE_FOLDER, each clicking Go DIALOG_RUNS times.
// The first round is a warm-up: its outputs are compared (the dialog's listing must be the
// command line's, byte for byte) and its times are not kept. Prints every run as JSON: its
// start, its box, and its output file's name, so that bench/dialog_run.py can add when the
// file was closed. Exit code 0 when every run wrote what it should, 1 when not, 2 on a setup
// failure.
//
// A box is stamped when its window is made, seen through an out-of-context WinEvent hook: no
// polling competes with the program for the processor, and the box's drawing is left out.
// With --cpu-clock, the processor time of a control group holding every process of the bench
// is read at the same moments: other work on the machine delays a run but adds nothing to it.
// With --extra-titles N, every Go is followed by N posted progress-timer messages, each of which
// makes the dialog show its counts in the title once more: the run's cost less that of a run
// without them, over N, is what one change of the title costs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "res/resource.h"
#include "tests/wine/foreign_window_text.h"
#include "ui/dialog_run.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Quorvane\\Scrivtree\\1";
constexpr wchar_t kDialogTitle[] = L"Scrivtree 1.4";
constexpr DWORD kNameSorting = IDC_SORT_NAME;
constexpr DWORD kRunTimeoutMs = 300000;
// The pause before every timed span, for the last run's process, paints and files to settle.
constexpr DWORD kSettleMs = 150;

[[noreturn]] void Fail(int code, const std::string& what) {
    fprintf(stderr, "dialog_run: %s\n", what.c_str());
    fflush(stderr);
    ExitProcess(static_cast<UINT>(code));
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                        nullptr, nullptr);
    return narrow;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

bool IsDialogClass(HWND window) {
    wchar_t name[16] = L"";
    return GetClassNameW(window, name, 16) > 0 && wcscmp(name, L"#32770") == 0;
}

// The file that counts the processor time of every process of the bench, the program's and Wine's
// and the X server's, as Linux's control groups keep it; empty when there is none.
std::wstring CpuClockPath;

// The processor time so far, in seconds; -1 without a clock. A cgroup v1 cpuacct.usage holds
// nanoseconds, a cgroup v2 cpu.stat a line "usage_usec N".
double CpuSeconds() {
    if (CpuClockPath.empty()) {
        return -1;
    }
    HANDLE file =
        CreateFileW(CpuClockPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return -1;
    }
    char text[256] = "";
    DWORD got = 0;
    ReadFile(file, text, sizeof text - 1, &got, nullptr);
    CloseHandle(file);
    text[got] = '\0';
    const char* usec = strstr(text, "usage_usec ");
    return usec != nullptr ? strtod(usec + 11, nullptr) / 1e6 : strtod(text, nullptr) / 1e9;
}

// The box being waited for: the first top-level dialog that the process creates, other than its
// main dialog, after the watch was armed.
struct BoxWatch {
    DWORD process = 0;
    HWND main_dialog = nullptr;
    HWND box = nullptr;
    double created = 0;
    double created_cpu = -1;
    // Boxes found by the slow poll because no event came: their times are not exact.
    int missed_events = 0;
};

BoxWatch Watch;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    // The stamp comes first; the checks below ask the Wine server and take time.
    const double now = Seconds();
    if (Watch.process == 0 || Watch.box != nullptr || object != OBJID_WINDOW ||
        window == Watch.main_dialog || ProcessOf(window) != Watch.process ||
        GetAncestor(window, GA_PARENT) != GetDesktopWindow() || !IsDialogClass(window)) {
        return;
    }
    Watch.box = window;
    Watch.created = now;
    Watch.created_cpu = CpuSeconds();
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// The shown top-level dialog of the process other than its main dialog, the slow way.
HWND FindBox(DWORD process, HWND main_dialog) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
        if (window != main_dialog && ProcessOf(window) == process && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

void ArmWatch(DWORD process, HWND main_dialog) {
    PumpMessages();
    Watch.process = process;
    Watch.main_dialog = main_dialog;
    Watch.box = nullptr;
}

// Waits for the box the watch is armed for; returns when it was created, in seconds. Ends the
// bench when the process ends first or no box comes in time.
double WaitForBoxCreated(HANDLE process) {
    const double began = Seconds();
    while (Watch.box == nullptr) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT);
        PumpMessages();
        if (Watch.box != nullptr) {
            break;
        }
        if (woke == WAIT_OBJECT_0) {
            Fail(1, "the program ended without a summary box");
        }
        if (woke == WAIT_TIMEOUT) {
            if (HWND box = FindBox(Watch.process, Watch.main_dialog)) {
                Watch.box = box;
                Watch.created = Seconds();
                Watch.created_cpu = CpuSeconds();
                ++Watch.missed_events;
            } else if (Seconds() - began > kRunTimeoutMs / 1000.0) {
                Fail(1, "no summary box within " + std::to_string(kRunTimeoutMs / 1000) + " s");
            }
        }
    }
    const double created = Watch.created;
    Watch.process = 0;
    return created;
}

// Waits until the box shows its message, reads it and answers OK; the message comes back.
std::string AnswerBox(HWND box) {
    for (int i = 0; i < 15000 && !IsWindowVisible(box); ++i) {
        Sleep(2);
    }
    const std::wstring text = SettledWindowText(GetDlgItem(box, 0xFFFF));
    if (text.empty()) {
        Fail(1, "the summary box showed no message within 30 s");
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 5000 && IsWindow(box); ++i) {
        Sleep(2);
    }
    if (IsWindow(box)) {
        Fail(1, "the summary box did not close");
    }
    return Narrow(text);
}

void SetSetting(HKEY key, const wchar_t* name, DWORD number) {
    if (RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number) != ERROR_SUCCESS) {
        Fail(2, "cannot write the setting " + Narrow(name));
    }
}

void SetSetting(HKEY key, const wchar_t* name, const std::wstring& text) {
    if (RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
        Fail(2, "cannot write the setting " + Narrow(name));
    }
}

// The settings a dialog starts with, in the machine key, as the dialog tests write them: the
// per-user copy, read first while it exists, is removed.
void WriteStartSettings(DWORD options, const std::wstring& output) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSettingsKey);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        Fail(2, "cannot create the settings key");
    }
    SetSetting(key, L"Options12", options);
    SetSetting(key, L"Sorting12", kNameSorting);
    SetSetting(key, L"Filter", L"*.*");
    SetSetting(key, L"Output", output);
    RegCloseKey(key);
}

class Program {
  public:
    // Stamps the start just before the process is made: that is where a command line's time
    // begins.
    Program(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
        std::wstring command = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        began_cpu_ = CpuSeconds();
        began_ = Seconds();
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &process_)) {
            Fail(2, "cannot start " + Narrow(command));
        }
    }
    ~Program() {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    double Began() const { return began_; }
    double BeganCpu() const { return began_cpu_; }
    HANDLE Handle() const { return process_.hProcess; }
    DWORD Id() const { return process_.dwProcessId; }

    DWORD WaitForExit() {
        DWORD code = 99;
        if (WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process_.hProcess, &code)) {
            Fail(1, "the program did not end");
        }
        return code;
    }

  private:
    PROCESS_INFORMATION process_{};
    double began_ = 0;
    double began_cpu_ = -1;
};

// The program's main dialog once it is shown and idle: its title without counts and its Exit
// button enabled.
HWND WaitForIdleDialog(const Program& program, HWND dialog) {
    for (int i = 0; i < 30000; ++i) {
        if (dialog == nullptr) {
            for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", kDialogTitle);
                 window != nullptr && dialog == nullptr;
                 window = FindWindowExW(nullptr, window, L"#32770", kDialogTitle)) {
                if (ProcessOf(window) == program.Id() && IsWindowVisible(window) &&
                    GetDlgItem(window, IDC_FOLDER_LIST) != nullptr) {
                    dialog = window;
                }
            }
        }
        if (dialog != nullptr && IsWindowEnabled(GetDlgItem(dialog, IDC_EXIT)) &&
            ForeignWindowText(dialog) == kDialogTitle) {
            return dialog;
        }
        if (WaitForSingleObject(program.Handle(), 2) != WAIT_TIMEOUT) {
            Fail(1, "the program ended instead of showing its dialog");
        }
        PumpMessages();
    }
    Fail(1, "the dialog was not shown, or not back, within a minute");
}

struct Case {
    std::string name;
    std::wstring folder;
    DWORD options = 0;
    std::wstring flags;
    std::string summary;
};

struct Setup {
    std::wstring exe;
    std::wstring one_folder;
    std::wstring output_folder;
    int dialog_runs = 2;
    int extra_titles = 0;
};

// One timed run: where it began and when its summary box was made, both on the clock of
// QueryPerformanceCounter, which under Wine is Linux's CLOCK_MONOTONIC_RAW, so that a watcher
// outside Wine can add when the output file was closed.
struct Run {
    std::string case_name;
    std::string kind;
    int round = 0;
    // 1 for a command line and a dialog's first Go, then 2 and up for the dialog's later ones.
    int go = 1;
    std::string output;
    double began = 0;
    double box = 0;
    // The processor time of the bench's processes at the same two moments; -1 without a clock.
    double began_cpu = -1;
    double box_cpu = -1;
};

std::vector<Run> Runs;

std::string OutputName(const Case& job, const char* kind) {
    return job.name + "-" + kind + ".txt";
}

std::wstring OutputPath(const Setup& setup, const std::string& name) {
    return setup.output_folder + L"\\" + Wide(name);
}

// The summary with its output path cut off, which differs between the runs compared.
std::string SummaryCounts(const std::string& summary) {
    const size_t end = summary.find(" are successfully");
    if (end == std::string::npos) {
        Fail(1, "not a summary: " + summary);
    }
    return summary.substr(0, end);
}

// One command-line run with -cb: from process creation to the summary box.
std::string TimeCommandLine(const Setup& setup, const Case& job, const char* kind, int round) {
    const bool one = strcmp(kind, "command-one") == 0;
    const std::wstring& folder = one ? setup.one_folder : job.folder;
    const std::string output = OutputName(job, kind);
    const std::wstring output_path = OutputPath(setup, output);
    DeleteFileW(output_path.c_str());
    Sleep(kSettleMs);
    Program program(setup.exe,
                    L"-path \"" + folder + L"\" -out \"" + output_path + L"\" " + job.flags +
                        L" -cb",
                    setup.output_folder);
    ArmWatch(program.Id(), nullptr);
    const double box = WaitForBoxCreated(program.Handle());
    Runs.push_back({job.name, kind, round, 1, output, program.Began(), box, program.BeganCpu(),
                    Watch.created_cpu});
    const std::string summary = AnswerBox(Watch.box);
    if (program.WaitForExit() != 0) {
        Fail(1, "the command line run on " + Narrow(folder) + " failed");
    }
    return summary;
}

// A dialog opened on the folder, then Go clicked as often as asked: from the click to the
// summary box, every time.
std::string TimeDialog(const Setup& setup, const Case& job, const char* kind, int round) {
    const bool one = strcmp(kind, "dialog-one") == 0;
    const std::wstring& folder = one ? setup.one_folder : job.folder;
    const std::string output = OutputName(job, kind);
    const std::wstring output_path = OutputPath(setup, output);
    WriteStartSettings(job.options, output_path);
    Program program(setup.exe, L"\"" + folder + L"\"", setup.output_folder);
    HWND dialog = WaitForIdleDialog(program, nullptr);
    std::string summary;
    for (int go = 1; go <= setup.dialog_runs; ++go) {
        DeleteFileW(output_path.c_str());
        // As a user clicks: on a dialog that has drawn itself and waits for input.
        WaitForInputIdle(program.Handle(), 5000);
        Sleep(kSettleMs);
        ArmWatch(program.Id(), dialog);
        const double began_cpu = CpuSeconds();
        const double began = Seconds();
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        // Behind the click in the dialog's queue, so that they find the run started.
        for (int i = 0; i < setup.extra_titles; ++i) {
            PostMessageW(dialog, WM_TIMER, kProgressTimer, 0);
        }
        const double box = WaitForBoxCreated(program.Handle());
        Runs.push_back(
            {job.name, kind, round, go, output, began, box, began_cpu, Watch.created_cpu});
        summary = AnswerBox(Watch.box);
        WaitForIdleDialog(program, dialog);
    }
    PostMessageW(GetDlgItem(dialog, IDC_EXIT), BM_CLICK, 0, 0);
    if (program.WaitForExit() != 0) {
        Fail(1, "the dialog on " + Narrow(folder) + " ended with a failure");
    }
    return summary;
}

std::string ReadWholeFile(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail(1, "no output " + Narrow(path));
    }
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return bytes;
}

void ExpectSameFiles(const std::wstring& a, const std::wstring& b) {
    if (ReadWholeFile(a) != ReadWholeFile(b)) {
        Fail(1, Narrow(a) + " and " + Narrow(b) + " differ");
    }
}

// One round of a case: its four kinds of run in an order that turns with the round, so that none of
// them always follows the same one.
void RunCase(const Setup& setup, Case& job, int round) {
    static const char* const kKinds[] = {"command", "command-one", "dialog", "dialog-one"};
    std::string summaries[4];
    for (int step = 0; step < 4; ++step) {
        const int kind = (step + round) % 4;
        summaries[kind] = kind < 2 ? TimeCommandLine(setup, job, kKinds[kind], round)
                                   : TimeDialog(setup, job, kKinds[kind], round);
    }
    if (SummaryCounts(summaries[0]) != SummaryCounts(summaries[2]) ||
        SummaryCounts(summaries[1]) != SummaryCounts(summaries[3])) {
        Fail(1, job.name + ": the dialog's summary is not the command line's: " + summaries[0] +
                    " / " + summaries[2]);
    }
    job.summary = SummaryCounts(summaries[0]);
    if (round == 0) {
        ExpectSameFiles(OutputPath(setup, OutputName(job, "command")),
                        OutputPath(setup, OutputName(job, "dialog")));
        ExpectSameFiles(OutputPath(setup, OutputName(job, "command-one")),
                        OutputPath(setup, OutputName(job, "dialog-one")));
    }
}

// How late the hook's call stamps a box: this program, started again with --box, shows a box,
// then a second one whose text is the time just before it asked for it, timed as the program's
// are. The first box sets up the thread's windows, which the second then finds done.
double TimeHookDelay(const Setup& setup) {
    wchar_t self[MAX_PATH];
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) {
        Fail(2, "no path of this program");
    }
    Sleep(kSettleMs);
    Program program(self, L"--box", setup.output_folder);
    ArmWatch(program.Id(), nullptr);
    WaitForBoxCreated(program.Handle());
    AnswerBox(Watch.box);
    ArmWatch(program.Id(), nullptr);
    const double created = WaitForBoxCreated(program.Handle());
    const std::string text = AnswerBox(Watch.box);
    program.WaitForExit();
    return created - atof(text.c_str());
}

int ShowStampedBox() {
    MessageBoxW(nullptr, L"first", L"dialog_run", MB_OK | MB_TASKMODAL);
    // Time for the bench to watch for the second box.
    Sleep(500);
    wchar_t text[64];
    swprintf(text, 64, L"%.7f", Seconds());
    MessageBoxW(nullptr, text, L"dialog_run", MB_OK | MB_TASKMODAL);
    return 0;
}

Case ParseCase(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bar = text.find('|'); bar != std::string::npos; bar = text.find('|', start)) {
        fields.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    fields.push_back(text.substr(start));
    if (fields.size() != 4 || fields[0].empty() || fields[1].empty()) {
        Fail(2, "a case is NAME|FOLDER|OPTIONS12|FLAGS, not " + text);
    }
    Case job;
    job.name = fields[0];
    job.folder = Wide(fields[1]);
    job.options = static_cast<DWORD>(strtoul(fields[2].c_str(), nullptr, 0));
    job.flags = Wide(fields[3]);
    return job;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "--box") == 0) {
        return ShowStampedBox();
    }
    Setup setup;
    for (; argc > 2 && strncmp(argv[1], "--", 2) == 0; argv += 2, argc -= 2) {
        if (strcmp(argv[1], "--cpu-clock") == 0) {
            CpuClockPath = Wide(argv[2]);
            if (CpuSeconds() < 0) {
                Fail(2, std::string("cannot read the processor time in ") + argv[2]);
            }
        } else if (strcmp(argv[1], "--extra-titles") == 0) {
            setup.extra_titles = atoi(argv[2]);
        } else {
            break;
        }
    }
    if (argc < 7 || atoi(argv[4]) < 1 || atoi(argv[5]) < 1) {
        fprintf(stderr, "usage: dialog_run [--cpu-clock FILE] [--extra-titles N] SCRIVTREE "
                        "ONE_FOLDER OUTPUT_FOLDER ROUNDS DIALOG_RUNS "
                        "NAME|FOLDER|OPTIONS12|FLAGS...\n");
        return 2;
    }
    setup.exe = Wide(argv[1]);
    setup.one_folder = Wide(argv[2]);
    setup.output_folder = Wide(argv[3]);
    const int rounds = atoi(argv[4]);
    setup.dialog_runs = atoi(argv[5]);
    std::vector<Case> cases;
    for (int i = 6; i < argc; ++i) {
        cases.push_back(ParseCase(argv[i]));
    }
    // Window creations of every other process; the callback keeps the boxes.
    if (SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWinEvent, 0, 0,
                        WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS) == nullptr) {
        Fail(2, "no WinEvent hook");
    }

    const double began = Seconds();
    std::vector<double> hook_delays;
    for (int round = 0; round <= rounds; ++round) {
        const double hook_delay = TimeHookDelay(setup);
        if (round > 0) {
            hook_delays.push_back(hook_delay);
        }
        for (size_t i = 0; i < cases.size(); ++i) {
            RunCase(setup, cases[(i + static_cast<size_t>(round)) % cases.size()], round);
        }
        fprintf(stderr, "dialog_run: round %d of %d done\n", round, rounds);
    }

    std::string json = "{\"program\": " + JsonString(Narrow(setup.exe)) +
                       ", \"rounds\": " + std::to_string(rounds) +
                       ", \"dialog_runs\": " + std::to_string(setup.dialog_runs) +
                       ", \"extra_titles\": " + std::to_string(setup.extra_titles) +
                       ", \"seconds\": " + std::to_string(Seconds() - began) +
                       ", \"missed_events\": " + std::to_string(Watch.missed_events) +
                       ", \"hook_delay\": " + JsonList(hook_delays) + ", \"summaries\": {";
    for (size_t i = 0; i < cases.size(); ++i) {
        json +=
            (i > 0 ? ", " : "") + JsonString(cases[i].name) + ": " + JsonString(cases[i].summary);
    }
    json += "}, \"runs\": [";
    for (size_t i = 0; i < Runs.size(); ++i) {
        const Run& run = Runs[i];
        char times[160];
        snprintf(times, sizeof times,
                 "\"began\": %.7f, \"box\": %.7f, \"began_cpu\": %.7f, \"box_cpu\": %.7f",
                 run.began, run.box, run.began_cpu, run.box_cpu);
        json += (i > 0 ? ",\n" : "\n") + std::string("{\"case\": ") + JsonString(run.case_name) +
                ", \"kind\": " + JsonString(run.kind) +
                ", \"round\": " + std::to_string(run.round) +
                ", \"go\": " + std::to_string(run.go) + ", \"output\": " + JsonString(run.output) +
                ", " + times + "}";
    }
    json += "]}";
    printf("%s\n", json.c_str());
    fflush(stdout);
    return 0;
}
