// A listing run started from the dialog against the same job run from the command line, each
// timed to its summary box. Started by bench/measure.py; see docs/benchmarks-dialog-run.md.
//
// Usage: dialog_run.exe CPU_CLOCK EXTRA_TITLES SCRIVTREE ONE_FOLDER OUTPUT_FOLDER ROUNDS
//                       DIALOG_RUNS [NAME FOLDER OPTIONS12 FLAGS]...
//
// A case is a folder, the dialog's options as the registry keeps them and the same job's
// command-line flags. Each round runs, for every case, in an order that turns from round to
// round: the command line with -cb on FOLDER and on ONE_FOLDER (a folder of one file, for the
// start-up cost), and a dialog on each, clicking Go DIALOG_RUNS times. Round 0 is the warm-up.
// Prints a JSON line per run, then one of the whole. Exit code 0 when every run ended as it
// should, 1 when not, 2 on a setup failure.
//
// A box is stamped when its window is made, seen through an out-of-context WinEvent hook: no
// polling competes with the program, and the box's drawing is left out. CPU_CLOCK names the file
// of a control group holding every process of the bench, read at the same moments, or is "-".
// EXTRA_TITLES progress-timer messages are posted behind every Go, each of which makes the
// dialog show its counts in the title once more: the price of one change of the title.
// Each round begins by timing how late the hook stamps a box.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/wide_text.h"
#include "res/resource.h"
#include "scrivtree_version.h"
#include "tests/wine/foreign_window_text.h"
#include "ui/dialog_run.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Quorvane\\Scrivtree\\1";
constexpr wchar_t kDialogTitle[] = L"" SCRIVTREE_PROGRAM_TITLE;
// The pause before every timed span, for the last run's process, paints and files to settle.
constexpr DWORD kSettleMs = 150;
constexpr double kRunTimeoutSeconds = 300;

[[noreturn]] void Fail(int code, const std::string& what) {
    fprintf(stderr, "dialog_run: %s\n", what.c_str());
    fflush(stderr);
    ExitProcess(static_cast<UINT>(code));
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

std::wstring CpuClockPath;

// The processor time so far, in seconds; -1 without a clock. A cgroup v1 cpuacct.usage holds
// nanoseconds, a cgroup v2 cpu.stat a line "usage_usec N".
double CpuSeconds() {
    FILE* file = CpuClockPath.empty() ? nullptr : _wfopen(CpuClockPath.c_str(), L"rb");
    if (file == nullptr) {
        return -1;
    }
    char text[256];
    text[fread(text, 1, sizeof text - 1, file)] = '\0';
    fclose(file);
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

bool IsBox(HWND window) {
    wchar_t name[16] = L"";
    return window != Watch.main_dialog && ProcessOf(window) == Watch.process &&
           GetAncestor(window, GA_PARENT) == GetDesktopWindow() &&
           GetClassNameW(window, name, 16) > 0 && wcscmp(name, L"#32770") == 0;
}

void Stamp(HWND box, double now) {
    Watch.box = box;
    Watch.created = now;
    Watch.created_cpu = CpuSeconds();
}

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    // The stamp comes first; the checks ask the Wine server and take time.
    const double now = Seconds();
    if (Watch.process != 0 && Watch.box == nullptr && object == OBJID_WINDOW && IsBox(window)) {
        Stamp(window, now);
    }
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
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
        if (Watch.box == nullptr && woke == WAIT_OBJECT_0) {
            Fail(1, "the program ended without a summary box");
        }
        // No event yet: look for a shown box the slow way.
        for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", nullptr);
             Watch.box == nullptr && woke == WAIT_TIMEOUT && window != nullptr;
             window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
            if (IsBox(window) && IsWindowVisible(window)) {
                Stamp(window, Seconds());
                ++Watch.missed_events;
            }
        }
        if (Watch.box == nullptr && Seconds() - began > kRunTimeoutSeconds) {
            Fail(1, "no summary box in time");
        }
    }
    Watch.process = 0;
    return Watch.created;
}

// Waits until the box shows its message, reads it and answers OK; the message comes back.
std::string AnswerBox(HWND box) {
    for (int i = 0; i < 15000 && !IsWindowVisible(box); ++i) {
        Sleep(2);
    }
    const std::wstring text = SettledWindowText(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 5000 && IsWindow(box); ++i) {
        Sleep(2);
    }
    if (text.empty() || IsWindow(box)) {
        Fail(1, "the summary box showed no message or did not close");
    }
    return Utf8FromWide(text);
}

// The settings a dialog starts with, in the machine key, as the dialog tests write them: the
// per-user copy, read first while it exists, is removed.
void WriteStartSettings(DWORD options, const std::wstring& output) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSettingsKey);
    const DWORD sorting = IDC_SORT_NAME;
    const auto set = [](const wchar_t* name, DWORD type, const void* value, size_t size) {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, type, value,
                               static_cast<DWORD>(size)) == ERROR_SUCCESS;
    };
    if (!set(L"Options12", REG_DWORD, &options, sizeof options) ||
        !set(L"Sorting12", REG_DWORD, &sorting, sizeof sorting) ||
        !set(L"Filter", REG_SZ, L"*.*", sizeof L"*.*") ||
        !set(L"Output", REG_SZ, output.c_str(), (output.size() + 1) * sizeof(wchar_t))) {
        Fail(2, "cannot write the settings");
    }
}

// A process of the program, stamped just before it is made: there a command line's time begins.
struct Program {
    Program(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
        std::wstring command = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        began_cpu = CpuSeconds();
        began = Seconds();
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &info)) {
            Fail(2, "cannot start " + Utf8FromWide(command));
        }
    }
    ~Program() {
        TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void WaitForSuccess() const {
        DWORD code = 99;
        if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(info.hProcess, &code) || code != 0) {
            Fail(1, "the program did not end, or ended with a failure");
        }
    }

    PROCESS_INFORMATION info{};
    double began = 0;
    double began_cpu = -1;
};

// The program's main dialog once it is shown and idle: its title without counts and its Exit
// button enabled.
HWND WaitForIdleDialog(const Program& program, HWND dialog) {
    for (int i = 0; i < 30000; ++i) {
        for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", kDialogTitle);
             window != nullptr && dialog == nullptr;
             window = FindWindowExW(nullptr, window, L"#32770", kDialogTitle)) {
            if (ProcessOf(window) == program.info.dwProcessId && IsWindowVisible(window) &&
                GetDlgItem(window, IDC_FOLDER_LIST) != nullptr) {
                dialog = window;
            }
        }
        if (dialog != nullptr && IsWindowEnabled(GetDlgItem(dialog, IDC_EXIT)) &&
            ForeignWindowText(dialog) == kDialogTitle) {
            return dialog;
        }
        if (WaitForSingleObject(program.info.hProcess, 2) != WAIT_TIMEOUT) {
            Fail(1, "the program ended instead of showing its dialog");
        }
        PumpMessages();
    }
    Fail(1, "the dialog was not shown, or not back, within a minute");
}

struct Case {
    const char* name;
    std::wstring folder;
    DWORD options;
    std::wstring flags;
};

std::wstring Exe;
std::wstring OneFolder;
std::wstring OutputFolder;
int DialogRuns = 2;
int ExtraTitles = 0;

// Answers the box the run ends with and prints the run as a JSON line: where it began and when
// its box was made on the clock of QueryPerformanceCounter, which under Wine is Linux's
// CLOCK_MONOTONIC_RAW, so that a watcher outside Wine can add when the output file was closed;
// the processor time of the bench's processes at the same two moments (-1 without a clock); and
// the summary's counts, its output path cut off.
void EndRun(const Case& job, const char* kind, int round, int go, double began, double began_cpu) {
    const double box = Watch.created;
    const double box_cpu = Watch.created_cpu;
    const std::string summary = AnswerBox(Watch.box);
    printf("{\"case\": \"%s\", \"kind\": \"%s\", \"round\": %d, \"go\": %d, \"began\": %.7f, "
           "\"box\": %.7f, \"began_cpu\": %.7f, \"box_cpu\": %.7f, \"summary\": %s}\n",
           job.name, kind, round, go, began, box, began_cpu, box_cpu,
           JsonString(summary.substr(0, summary.find(" are successfully"))).c_str());
}

// One run of a kind: the command line with -cb, from process creation to the summary box; or
// a dialog opened on the folder, then Go clicked as often as asked, from the click to the box
// every time.
void TimeRun(const Case& job, const char* kind, int round) {
    const bool dialog_run = strncmp(kind, "dialog", 6) == 0;
    const std::wstring& folder = strstr(kind, "-one") != nullptr ? OneFolder : job.folder;
    const std::wstring output =
        OutputFolder + L"\\" + Widen(job.name) + L"-" + Widen(kind) + L".txt";
    DeleteFileW(output.c_str());
    if (!dialog_run) {
        Sleep(kSettleMs);
        Program program(
            Exe, L"-path \"" + folder + L"\" -out \"" + output + L"\" " + job.flags + L" -cb",
            OutputFolder);
        ArmWatch(program.info.dwProcessId, nullptr);
        WaitForBoxCreated(program.info.hProcess);
        EndRun(job, kind, round, 1, program.began, program.began_cpu);
        program.WaitForSuccess();
        return;
    }
    WriteStartSettings(job.options, output);
    Program program(Exe, L"\"" + folder + L"\"", OutputFolder);
    HWND dialog = WaitForIdleDialog(program, nullptr);
    for (int go = 1; go <= DialogRuns; ++go) {
        DeleteFileW(output.c_str());
        // As a user clicks: on a dialog that has drawn itself and waits for input.
        WaitForInputIdle(program.info.hProcess, 5000);
        Sleep(kSettleMs);
        ArmWatch(program.info.dwProcessId, dialog);
        const double began_cpu = CpuSeconds();
        const double began = Seconds();
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        // Behind the click in the dialog's queue, so that they find the run started.
        for (int i = 0; i < ExtraTitles; ++i) {
            PostMessageW(dialog, WM_TIMER, kProgressTimer, 0);
        }
        WaitForBoxCreated(program.info.hProcess);
        EndRun(job, kind, round, go, began, began_cpu);
        WaitForIdleDialog(program, dialog);
    }
    PostMessageW(GetDlgItem(dialog, IDC_EXIT), BM_CLICK, 0, 0);
    program.WaitForSuccess();
}

// How late the hook stamps a box: this program, started again with --box, shows a box, then a
// second one whose text is the time just before it asked for it. The first box sets up the
// thread's windows, which the second then finds done.
double TimeHookDelay() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    Sleep(kSettleMs);
    Program program(self, L"--box", OutputFolder);
    double created = 0;
    std::string text;
    for (int box = 0; box < 2; ++box) {
        ArmWatch(program.info.dwProcessId, nullptr);
        created = WaitForBoxCreated(program.info.hProcess);
        text = AnswerBox(Watch.box);
    }
    program.WaitForSuccess();
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

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "--box") == 0) {
        return ShowStampedBox();
    }
    if (argc < 12 || (argc - 8) % 4 != 0 || atoi(argv[6]) < 0 || atoi(argv[7]) < 1) {
        fprintf(stderr, "usage: dialog_run CPU_CLOCK EXTRA_TITLES SCRIVTREE ONE_FOLDER "
                        "OUTPUT_FOLDER ROUNDS DIALOG_RUNS [NAME FOLDER OPTIONS12 FLAGS]...\n");
        return 2;
    }
    CpuClockPath = strcmp(argv[1], "-") != 0 ? Widen(argv[1]) : L"";
    if (!CpuClockPath.empty() && CpuSeconds() < 0) {
        Fail(2, "cannot read the processor clock");
    }
    ExtraTitles = atoi(argv[2]);
    Exe = Widen(argv[3]);
    OneFolder = Widen(argv[4]);
    OutputFolder = Widen(argv[5]);
    const int rounds = atoi(argv[6]);
    DialogRuns = atoi(argv[7]);
    std::vector<Case> cases;
    for (int i = 8; i < argc; i += 4) {
        cases.push_back({argv[i], Widen(argv[i + 1]), static_cast<DWORD>(atoi(argv[i + 2])),
                         Widen(argv[i + 3])});
    }
    // Window creations of every other process; the callback keeps the boxes.
    if (SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWinEvent, 0, 0,
                        WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS) == nullptr) {
        Fail(2, "no WinEvent hook");
    }
    const double began = Seconds();
    std::vector<double> hook_delays;
    for (int round = 0; round <= rounds; ++round) {
        const double hook_delay = TimeHookDelay();
        if (round > 0) {
            hook_delays.push_back(hook_delay);
        }
        // Each case's four kinds of run in an order that turns with the round, so that none of
        // them always follows the same one.
        for (size_t i = 0; i < cases.size(); ++i) {
            static const char* const kKinds[] = {"command", "command-one", "dialog", "dialog-one"};
            for (int step = 0; step < 4; ++step) {
                TimeRun(cases[(i + static_cast<size_t>(round)) % cases.size()],
                        kKinds[(step + round) % 4], round);
            }
        }
        fprintf(stderr, "dialog_run: round %d of %d done\n", round, rounds);
    }
    printf("{\"rounds\": %d, \"dialog_runs\": %d, \"extra_titles\": %d, \"seconds\": %.3f, "
           "\"missed_events\": %d, \"hook_delay\": %s}\n",
           rounds, DialogRuns, ExtraTitles, Seconds() - began, Watch.missed_events,
           JsonList(hook_delays).c_str());
    return 0;
}
