// Feeds arbitrary command lines through start-up's first look and the option reader, and stops
// on any result that the Win32 side could not use safely: a value or folder longer than 259
// UTF-16 units, an error position outside the text, a sort key the engine does not know.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/command_line_parse.h"
#include "app/first_argument.h"
#include "engine/ascii.h"
#include "platform/utf8.h"

namespace {

constexpr size_t kMaxPathLength = 259;
constexpr size_t kMaxFragmentLength = 15;
constexpr std::string_view kPrefix = "Error in command line at";

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A value is copied from the text, never made up.
void CheckValue(const std::optional<std::string>& value, std::string_view text) {
    if (value) {
        Require(Utf16Length(*value) <= kMaxPathLength);
        Require(text.find(*value) != std::string_view::npos);
    }
}

void CheckFlag(uint8_t flag) {
    Require(flag == 0 || flag == 1);
}

void CheckInitialFolder(const std::string& folder, std::string_view text) {
    Require(Utf16Length(folder) <= kMaxPathLength);
    if (folder.empty()) {
        return;
    }
    Require(folder.back() == '\\');
    Require(folder.size() < 2 || folder[0] != '\\' || folder[1] != '\\');
    Require(text.find(std::string_view(folder).substr(0, folder.size() - 1)) !=
            std::string_view::npos);
}

void CheckOptions(std::string_view text, size_t options_start) {
    Require(options_start < text.size());
    Require(text[options_start] == '-' || text[options_start] == '/');
    for (size_t i = 0; i < options_start; ++i) {
        Require(IsBlank(text[i]));
    }

    CommandLineRequest request;
    const CommandLineParse parse = ParseCommandLine(text, options_start, request);
    CheckValue(request.output_path, text);
    CheckValue(request.start_folder, text);
    CheckValue(request.filter_text, text);
    Require(request.job.sort_mode >= ByName && request.job.sort_mode <= ByDate);
    Require(request.job.output_path == nullptr && request.job.start_folder == nullptr &&
            request.job.filter_text == nullptr);
    for (const uint8_t flag :
         {request.job.include_subfolders, request.job.include_files, request.job.full_paths,
          request.job.full_paths_in_titles, request.job.full_information, request.job.use_tabs,
          request.job.include_extensions, request.job.show_summary, request.job.utf8_output}) {
        CheckFlag(flag);
    }
    if (parse.ok) {
        return;
    }

    Require(parse.error_position >= options_start);
    Require(parse.error_position <= text.size());
    const std::string message = CommandLineErrorText(kPrefix, text, parse.error_position);
    const size_t opening = kPrefix.size() + 2;
    Require(message.size() >= opening + 1);
    Require(message.compare(0, opening, std::string(kPrefix) + " \"") == 0);
    Require(message.back() == '"');
    const std::string_view fragment =
        std::string_view(message).substr(opening, message.size() - opening - 1);
    Require(fragment == text.substr(parse.error_position, fragment.size()));
    // At most 15 characters, each taken whole: the first byte starts one even if it continues
    // another.
    const size_t end = parse.error_position + fragment.size();
    const size_t characters = static_cast<size_t>(CountCharacters(fragment)) +
                              (!fragment.empty() && IsContinuationByte(fragment[0]) ? 1 : 0);
    Require(characters <= kMaxFragmentLength);
    Require(end == text.size() ||
            (characters == kMaxFragmentLength && !IsContinuationByte(text[end])));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const StartChoice choice = ChooseStart(text);
    if (choice.face == StartFace::CommandLineMode) {
        Require(choice.initial_folder.empty());
        CheckOptions(text, choice.options_start);
    } else {
        CheckInitialFolder(choice.initial_folder, text);
    }
    return 0;
}
