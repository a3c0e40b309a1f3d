#include "list_editing.h"

#include <commdlg.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "../common/backup_table.h"
#include "../common/list_rules.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/unique_handle.h"
#include "app_state.h"
#include "ask.h"
#include "main_window.h"
#include "resource.h"
#include "settings_upkeep.h"

namespace sorel::app {

namespace {

std::string ListLine(HWND list, LRESULT index) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

std::vector<std::string> ListLines(HWND list) {
    std::vector<std::string> lines;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        lines.push_back(ListLine(list, i));
    }
    return lines;
}

// The whole path of the last dropped file; the others of a drop of several
// are not looked at. Empty when the drop holds no file.
std::string LastDroppedPath(HDROP drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0) {
        return {};
    }
    // Asking for the length first means a long path is seen whole, never
    // cut short by the buffer.
    UINT length = DragQueryFileA(drop, count - 1, nullptr, 0);
    std::string path(length + 1, '\0');
    UINT got = DragQueryFileA(drop, count - 1, path.data(), length + 1);
    path.resize(got <= length ? got : length);
    return path;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The size of a listed file, read with sharing so that a file its program
// has open still counts; nothing when it cannot be opened.
std::optional<std::uint64_t> FileSizeForEstimate(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace

void AcceptDroppedFile(HDROP drop) {
    std::string path = LastDroppedPath(drop);
    DragFinish(drop);
    if (path.empty()) {
        return;
    }
    switch (CheckDroppedPath(path, IsFolder(path))) {
        case DropVerdict::kTooLong:
            Ask(kPathTooLongMessage);
            return;
        case DropVerdict::kShortcut:
            Ask(kShortcutMessage);
            return;
        case DropVerdict::kInternetShortcut:
            Ask(kInternetShortcutMessage);
            return;
        case DropVerdict::kFolder:
            Ask(kFolderMessage);
            return;
        case DropVerdict::kAccept:
            AddBackupFile(path);
            return;
    }
}

void ChooseFileToAdd() {
    char file[MAX_PATH] = {};
    OPENFILENAMEA dialog = {};
    // The layout without the later additions. It is 76 bytes only in a
    // 32-bit build; the constant is right for the 64-bit build as well.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = MainWindow;
    dialog.lpstrFilter = "すべてのファイル(*.*)\0*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = "ファイルを選択";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    dialog.lpstrDefExt = "*";
    if (GetOpenFileNameA(&dialog)) {
        AddBackupFile(file);
    }
}

void AddBackupFile(const std::string& path) {
    // A list loaded while the file was busy may not show what the file holds;
    // load it again before judging or saving anything against it.
    if (SettingsUnread && !ReloadSettings()) {
        Ask(kSettingsBusyMessage);
        return;
    }
    HWND list = Control(BackupListBox);
    const std::string lineText = FileDisplayName(path, IsSystemLeadByte);
    if (static_cast<std::size_t>(SendMessageA(list, LB_GETCOUNT, 0, 0)) >= kListLimit) {
        Ask(kLimitMessage);
        return;
    }
    if (lineText.empty()) {
        Ask(kNoDriveMessage);
        return;
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, kListExtentPixels, 0);
    if (IsListedLine(ListLines(list), lineText, IsSystemLeadByte)) {
        Ask(kDuplicateMessage);
        return;
    }
    const sorel::BackupTable before = BackupTable;
    if (!AppendToTable(BackupTable, path)) {
        Ask(kLimitMessage);
        return;
    }
    if (!SaveSettings()) {
        BackupTable = before;
        Ask(kSettingsBusyMessage);
        return;
    }
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lineText.c_str()));
    RefreshEstimate();
    Ask(kAddedMessage);
}

int FindSelectedEntry() {
    SelectedLineText.clear();
    SelectedPath.clear();
    SelectedSlot = -1;
    HWND list = Control(BackupListBox);
    LRESULT line = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR) {
        Ask(kSelectMessage);
        return kNoSelection;
    }
    SelectedLineText = ListLine(list, line);
    std::vector<std::string> paths = TablePaths(BackupTable);
    std::optional<std::size_t> slot =
        FindEntryByLineText(paths, SelectedLineText, IsSystemLeadByte);
    if (!slot) {
        Ask(kNoEntryMessage);
        return kNoEntry;
    }
    SelectedPath = paths[*slot];
    SelectedSlot = static_cast<int>(*slot);
    return static_cast<int>(line);
}

void RemoveSelectedEntry() {
    if (SettingsUnread && !ReloadSettings()) {
        Ask(kSettingsBusyMessage);
        return;
    }
    int line = FindSelectedEntry();
    if (line < 0) {
        return;
    }
    // Saved first: if the file cannot be written, the list keeps the line.
    if (!SaveSettings(static_cast<std::size_t>(SelectedSlot))) {
        Ask(kSettingsBusyMessage);
        return;
    }
    SendMessageA(Control(BackupListBox), LB_DELETESTRING, static_cast<WPARAM>(line), 0);
    // The table is read back from the file just written, so it has no gap.
    ClearBackupTable(BackupTable);
    LoadSettings(false);
    RefreshEstimate();
}

void RefreshEstimate() {
    std::vector<std::optional<std::uint64_t>> sizes;
    for (std::size_t slot = 0; SlotUsed(BackupTable, slot); ++slot) {
        sizes.push_back(FileSizeForEstimate(std::string(SlotText(BackupTable, slot))));
    }
    EstimateTexts texts = Estimate(sizes);
    SetWindowTextA(Control(BackupTimeEdit), texts.seconds.c_str());
    SetWindowTextA(Control(BackupCountEdit), texts.count.c_str());
}

}  // namespace sorel::app
