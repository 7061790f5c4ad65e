#include "app/first_argument.h"

#include "engine/ascii.h"
#include "platform/utf8.h"

namespace {

// A folder holds at most 259 characters, counted in UTF-16 units as Windows counts a path.
constexpr size_t kMaxFolderLength = 259;

bool BeginsOptions(char c) {
    return c == '-' || c == '/';
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

} // namespace

StartChoice ChooseStart(std::string_view command_line) {
    StartChoice choice;
    size_t pos = 0;
    while (pos < command_line.size() && IsBlank(command_line[pos])) {
        ++pos;
    }
    if (pos == command_line.size()) {
        return choice;
    }
    if (BeginsOptions(command_line[pos])) {
        choice.face = StartFace::CommandLineMode;
        choice.options_start = pos;
        return choice;
    }

    // The shell quotes the folder it passes; a bare argument ends at a space, so the rest of the
    // line is ignored.
    char end = ' ';
    if (IsQuote(command_line[pos])) {
        end = command_line[pos];
        ++pos;
    }
    const size_t ending = command_line.find(end, pos);
    std::string folder(
        command_line.substr(pos, ending == std::string_view::npos ? ending : ending - pos));
    if (!folder.empty() && folder.back() != '\\') {
        folder += '\\';
    }
    // A folder that does not fit in 259 characters is not used: a cut path would name a
    // different folder, so the dialog opens as if no folder had been given.
    if (Utf16Length(folder) > kMaxFolderLength) {
        return choice;
    }
    // The dialog walks folders from a drive's root; a network path has no drive, so the dialog
    // opens as without an argument.
    if (folder.size() >= 2 && folder[0] == '\\' && folder[1] == '\\') {
        return choice;
    }
    choice.initial_folder = std::move(folder);
    return choice;
}
