// The least work any listing of a tree has to do on Windows: enter each folder, enumerate it
// once and write one line per entry, with the output buffered and nothing sorted or formatted.
// Its times and memory are what the listing program's are measured against.
//
// Usage: floor.exe START_FOLDER OUTPUT_FILE
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

FILE* Output = nullptr;

bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Lists the folder and then, depth first, its sub-folders, each entered by its whole path as
// the listing program does.
void Walk(const std::string& path) {
    if (!SetCurrentDirectoryA(path.c_str())) {
        return;
    }
    std::vector<std::string> subfolders;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*.*", &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (IsDotEntry(found.cFileName)) {
                continue;
            }
            std::fwrite(found.cFileName, 1, std::strlen(found.cFileName), Output);
            std::fwrite("\r\n", 1, 2, Output);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                subfolders.emplace_back(found.cFileName);
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    const bool add_backslash = !path.empty() && path.back() != '\\';
    for (const std::string& name : subfolders) {
        Walk(add_backslash ? path + '\\' + name : path + name);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: floor START_FOLDER OUTPUT_FILE\n");
        return 2;
    }
    Output = std::fopen(argv[2], "wb");
    if (Output == nullptr) {
        std::fprintf(stderr, "floor: cannot create %s\n", argv[2]);
        return 1;
    }
    static char buffer[64 * 1024];
    std::setvbuf(Output, buffer, _IOFBF, sizeof buffer);
    Walk(argv[1]);
    return std::fclose(Output) == 0 ? 0 : 1;
}
