#include "ui/dialog_job.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "engine/ascii.h"
#include "engine/list_job.h"
#include "engine/list_options.h"
#include "engine/program_resources.h"
#include "platform/utf8.h"
#include "platform/shell_library.h"
#include "platform/wide_text.h"
#include "platform/window_text.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "ui/dialog_run.h"
#include "ui/drive_list.h"
#include "ui/folder_path.h"

namespace {

// Longest filter text a run takes; the box may hold more, which is remembered but not used.
constexpr int kFilterCapacity = 256;

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The first checked sort radio's key.
int32_t SortModeOf(HWND dialog) {
    constexpr std::array<std::pair<int, int32_t>, 4> kSortRadios = {{
        {IDC_SORT_NAME, ByName},
        {IDC_SORT_EXTENSION, ByExtension},
        {IDC_SORT_SIZE, BySize},
        {IDC_SORT_DATE, ByDate},
    }};
    for (const auto& [id, mode] : kSortRadios) {
        if (Checked(dialog, id)) {
            return mode;
        }
    }
    return ByName;
}

// The volume label of the current drive, for a listing of its root.
std::string CurrentVolumeLabel() {
    if (SelectedDriveRow < 0 || SelectedDriveRow >= DriveTable.count) {
        return {};
    }
    return VolumeLabel(DriveTable.rows[SelectedDriveRow].root);
}

// A file type of Save As, in the order of the type numbers. The first pattern's extension is
// the one a name typed without any gets.
struct FileType {
    UINT description;
    const wchar_t* patterns;
    const char* extension;
};
constexpr std::array<FileType, kFileTypeCount> kFileTypes = {{
    {IDS_TEXT_FILE_TYPE, L"*.txt", ".txt"},
    {IDS_UTF8_TEXT_FILE_TYPE, L"*.txt", ".txt"},
    {IDS_CSV_FILE_TYPE, L"*.csv", ".csv"},
    {IDS_HTML_FILE_TYPE, L"*.html;*.htm", ".html"},
}};

// The proposed name; the volume label is read only for a drive root, where it is the name.
std::string ProposedName() {
    const bool at_root = !CurrentFolder.empty() && CurrentFolder.back() == '\\';
    return ProposedOutputName(CurrentFolder, at_root ? CurrentVolumeLabel() : "",
                              kFileTypes[DialogFileType].extension);
}

// Pairs of description and patterns, ended by an empty description.
std::wstring FileTypes() {
    std::wstring types;
    for (const FileType& type : kFileTypes) {
        types += Widen(ProgramString(type.description));
        types += L'\0';
        types += type.patterns;
        types += L'\0';
    }
    return types;
}

} // namespace

uint32_t DialogEncoding = kCodePageEncoding;
uint32_t DialogFileType = kTextFileType;

bool ChooseOutputFile(HWND dialog) {
    wchar_t file[MAX_PATH] = L"";
    const std::wstring proposed = Widen(ProposedName());
    file[proposed.copy(file, MAX_PATH - 1)] = L'\0';
    const std::wstring file_types = FileTypes();
    const std::wstring folder = Widen(CurrentFolder);

    OPENFILENAMEW dialog_data{};
    dialog_data.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog_data.hwndOwner = dialog;
    dialog_data.hInstance = ModuleInstance;
    dialog_data.lpstrFilter = file_types.c_str();
    dialog_data.nFilterIndex = DialogFileType + 1;
    dialog_data.lpstrFile = file;
    dialog_data.nMaxFile = MAX_PATH;
    dialog_data.lpstrInitialDir = folder.c_str();
    // A name typed without extension gets one: the dialog takes it from the first pattern of
    // the type chosen in it, and this one, the offered type's, only where it cannot.
    const std::wstring default_extension = Widen(kFileTypes[DialogFileType].extension + 1);
    dialog_data.lpstrDefExt = default_extension.c_str();
    dialog_data.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    if (!ShowSaveAsDialog(dialog_data)) {
        return false;
    }
    if (dialog_data.nFilterIndex >= 1 && dialog_data.nFilterIndex <= kFileTypeCount) {
        DialogFileType = dialog_data.nFilterIndex - 1;
        // The text types have their encodings' numbers.
        if (DialogFileType <= kUtf8TextFileType) {
            DialogEncoding = DialogFileType;
        }
    }
    SetDlgItemTextW(dialog, IDC_OUTPUT_FILE, file);
    return true;
}

void RunDialogJob(HWND dialog) {
    std::string output_path = DialogItemText(dialog, IDC_OUTPUT_FILE);
    if (output_path.empty()) {
        if (!ChooseOutputFile(dialog)) {
            return;
        }
        output_path = DialogItemText(dialog, IDC_OUTPUT_FILE);
    }
    std::string filter_text = DialogItemText(dialog, IDC_FILTER);
    filter_text.resize(PrefixOfUnits(filter_text, kFilterCapacity - 1));
    if (std::all_of(filter_text.begin(), filter_text.end(), IsBlank)) {
        ShowProgramString(IDS_EMPTY_FILTER, MB_ICONERROR);
        return;
    }

    DialogRunRequest request;
    request.output_path = std::move(output_path);
    request.start_folder = CurrentFolder;
    request.filter_text = std::move(filter_text);
    ListJob& job = request.job;
    job.show_summary = 1;
    job.utf8_output = DialogEncoding == kUtf8Encoding ? 1 : 0;
    job.output_format = OutputFormatOf(request.output_path);
    for (const ListOption& option : kListOptions) {
        if (option.field != nullptr && option.check_box != 0) {
            job.*option.field = Checked(dialog, option.check_box) ? 1 : 0;
        }
    }
    job.sort_mode = SortModeOf(dialog);
    request.launch = Checked(dialog, IDC_LAUNCH_OUTPUT);
    StartDialogRun(dialog, std::move(request));
}
