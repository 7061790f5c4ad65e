// Holds Wine's desktop for the length of a benchmark. A program that shows a cursor or a window
// needs the desktop, and Wine starts a process for it on first use and ends it a few seconds
// after its last user: without a holder, a run would pay that start (tens of milliseconds of
// processor time, beside its own work) or not, depending on how long ago the run before it
// ended. On Windows the desktop is always there.
//
// Usage: desktop_holder.exe (ended by the benchmark with a signal)
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}
