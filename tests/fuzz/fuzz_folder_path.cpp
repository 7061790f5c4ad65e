// Input: a folder path as the registry or a first argument may hand it over, a newline, then a
// sub-folder name. Checks that every move the folder list can make stays inside the path's
// limits and that the components are where they say.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/utf8.h"
#include "ui/folder_path.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string folder = input.substr(0, newline);
    const std::string name = newline == std::string::npos ? "" : input.substr(newline + 1);

    size_t previous_end = 0;
    for (const PathComponent& component : SplitFolderPath(folder)) {
        Check(component.length > 0 && component.offset + component.length <= folder.size());
        Check(component.offset == 0 || folder[component.offset - 1] == '\\');
        Check(component.offset >= previous_end);
        Check(folder.find('\\', component.offset) >= component.offset + component.length);
        previous_end = component.offset + component.length;

        const std::string up = ComponentPath(folder, component.offset);
        Check(up.size() <= folder.size() + 1);
        Check(std::string_view(folder).substr(0, previous_end) ==
              std::string_view(up).substr(0, previous_end));
    }
    const std::string down = SubfolderPath(folder, name);
    Check(down.empty() || (Utf16Length(down) <= kMaxFolderPath && down.size() > name.size()));
    const std::string exact = ExactFolderPath(folder);
    Check(exact.empty() || (exact.size() >= 3 && exact[1] == ':' && exact[2] == '\\' &&
                            exact.size() <= folder.size()));
    const std::string proposed = ProposedOutputName(folder, name, ".txt");
    Check(Utf16Length(proposed) <= kMaxFolderPath && proposed.size() >= 4 &&
          proposed.compare(proposed.size() - 4, 4, ".txt") == 0);
    return 0;
}
