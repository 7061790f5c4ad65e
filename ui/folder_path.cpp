#include "ui/folder_path.h"

#include <algorithm>

#include "engine/ascii.h"
#include "engine/entry_order.h"
#include "platform/utf8.h"

std::vector<PathComponent> SplitFolderPath(std::string_view path) {
    std::vector<PathComponent> components;
    size_t start = 0;
    while (start < path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        if (end == start) {
            break;
        }
        components.push_back({start, end - start});
        start = end + 1;
    }
    return components;
}

std::string SubfolderPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    path += name;
    if (Utf16Length(path) > kMaxFolderPath) {
        return {};
    }
    return path;
}

std::string ComponentPath(std::string_view folder, size_t offset) {
    const size_t cut = std::min(folder.find('\\', std::min(offset, folder.size())), folder.size());
    std::string path(folder.substr(0, cut));
    if (cut > 0 && path.back() == ':') {
        path += '\\';
    }
    return path;
}

std::string ProposedOutputName(std::string_view folder, std::string_view volume_label,
                               std::string_view extension) {
    const size_t slash = folder.rfind('\\');
    std::string name(slash == std::string_view::npos ? folder : folder.substr(slash + 1));
    if (name.empty()) {
        name = volume_label;
    }
    name.resize(PrefixOfUnits(name, kMaxFolderPath - extension.size()));
    return name.append(extension);
}

ListingFormat OutputFormatOf(std::string_view output_path) {
    // The name after the last separator; npos + 1 is the whole path.
    const std::string_view name = output_path.substr(output_path.find_last_of("\\/:") + 1);
    const std::string_view extension = name.substr(static_cast<size_t>(FindExtOffset(name)));
    if (EqualNoCase(extension, "csv")) {
        return CsvFormat;
    }
    return EqualNoCase(extension, "htm") || EqualNoCase(extension, "html") ? HtmlFormat
                                                                           : TextFormat;
}

std::string ExactFolderPath(std::string_view argument) {
    if (argument.size() < 3 || !IsAsciiLetter(argument[0]) || argument[1] != ':' ||
        argument[2] != '\\') {
        return {};
    }
    std::string path(argument);
    if (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    for (size_t start = 3; start < path.size();) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view name = std::string_view(path).substr(start, end - start);
        if (name.empty() || name == "." || name == "..") {
            return {};
        }
        start = end + 1;
    }
    path[0] = UpperAscii(path[0]);
    return path;
}
