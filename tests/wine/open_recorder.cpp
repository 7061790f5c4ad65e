// Stands in, in the dialog's tests, for the program the shell starts to open a file or an
// address: it appends its second argument, as one line, to the file named by its first, so
// that a test sees what the program asked the shell to open.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    const std::string line = std::string(argv[2]) + "\r\n";
    // Another open may be writing its line at the same moment: wait for it rather than lose one.
    // Readers may look meanwhile; they count only whole lines.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        HANDLE file = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok =
                WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return ok ? 0 : 1;
        }
        Sleep(10);
    }
    return 1;
}
