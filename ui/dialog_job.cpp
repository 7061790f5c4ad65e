#include "ui/dialog_job.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "engine/ascii.h"
#include "engine/list_job.h"
#include "engine/listing_run.h"
#include "engine/program_resources.h"
#include "platform/shell_library.h"
#include "platform/wide_text.h"
#include "res/resource.h"
#include "ui/current_folder.h"
#include "ui/drive_list.h"
#include "ui/folder_path.h"
#include "app/wait_cursor.h"

namespace {

// Longest filter text a run takes; the box may hold more, which is remembered but not used.
constexpr int kFilterCapacity = 256;

struct OptionBox {
    int id;
    uint8_t ListJob::*flag;
};

constexpr std::array<OptionBox, 7> kOptionBoxes = {{
    {IDC_INCLUDE_SUBFOLDERS, &ListJob::include_subfolders},
    {IDC_INCLUDE_FILES, &ListJob::include_files},
    {IDC_FULL_PATHS, &ListJob::full_paths},
    {IDC_FULL_PATHS_IN_TITLES, &ListJob::full_paths_in_titles},
    {IDC_FULL_INFORMATION, &ListJob::full_information},
    {IDC_USE_TABS, &ListJob::use_tabs},
    {IDC_INCLUDE_EXTENSIONS, &ListJob::include_extensions},
}};

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

// The proposed name; the volume label is read only for a drive root, where it is the name.
void ProposeName(char (&file)[MAX_PATH]) {
    const std::string_view folder = CurrentFolder;
    const bool at_root = !folder.empty() && folder.back() == '\\';
    const std::string name = ProposedOutputName(folder, at_root ? CurrentVolumeLabel() : "");
    memcpy(file, name.c_str(), name.size() + 1);
}

} // namespace

bool ChooseOutputFile(HWND dialog) {
    char file[MAX_PATH];
    ProposeName(file);
    // Pairs of description and pattern, ended by an empty description.
    char file_types[256 + 8];
    LoadProgramString(IDS_TEXT_FILE_TYPE, file_types, 256);
    const size_t description = strlen(file_types);
    memcpy(file_types + description + 1, "*.txt\0", 7);

    OPENFILENAMEA dialog_data{};
    dialog_data.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog_data.hwndOwner = dialog;
    dialog_data.hInstance = ModuleInstance;
    dialog_data.lpstrFilter = file_types;
    dialog_data.lpstrFile = file;
    dialog_data.nMaxFile = sizeof file;
    dialog_data.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    if (!ShowSaveAsDialog(dialog_data)) {
        return false;
    }
    SetDlgItemTextA(dialog, IDC_OUTPUT_FILE, file);
    return true;
}

void RunDialogJob(HWND dialog) {
    char output_path[MAX_PATH];
    GetDlgItemTextA(dialog, IDC_OUTPUT_FILE, output_path, sizeof output_path);
    if (output_path[0] == '\0') {
        if (!ChooseOutputFile(dialog)) {
            return;
        }
        GetDlgItemTextA(dialog, IDC_OUTPUT_FILE, output_path, sizeof output_path);
    }
    char filter_text[kFilterCapacity] = "";
    GetDlgItemTextA(dialog, IDC_FILTER, filter_text, sizeof filter_text);
    if (std::all_of(filter_text, filter_text + strlen(filter_text), IsBlank)) {
        ShowProgramString(IDS_EMPTY_FILTER, MB_ICONERROR);
        return;
    }

    // The dialog's texts are in the code page; a job's are UTF-8.
    const std::string job_output_path = Utf8FromCodePage(output_path);
    const std::string job_start_folder = Utf8FromCodePage(CurrentFolder);
    const std::string job_filter_text = Utf8FromCodePage(filter_text);
    ListJob job;
    job.output_path = job_output_path.c_str();
    job.start_folder = job_start_folder.c_str();
    job.filter_text = job_filter_text.c_str();
    job.show_summary = 1;
    for (const OptionBox& box : kOptionBoxes) {
        job.*box.flag = Checked(dialog, box.id) ? 1 : 0;
    }
    job.sort_mode = SortModeOf(dialog);
    {
        const WaitCursor wait;
        RunListing(job);
    }
    if (Checked(dialog, IDC_LAUNCH_OUTPUT)) {
        OpenWithShell(dialog, output_path);
    }
}
