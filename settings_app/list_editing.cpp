#include "list_editing.h"

#include <commdlg.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "../common/backup_table.h"
#include "../common/list_rules.h"
#include "../common/store_path.h"
#include "../common/win/ansi_text.h"
#include "../common/win/files.h"
#include "../common/win/unique_handle.h"
#include "app_state.h"
#include "ask.h"
#include "main_window.h"
#include "place_dialog.h"
#include "place_disk.h"
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

// The whole path of the last dropped file, as the system names it; the
// others of a drop of several are not looked at. Empty when the drop holds
// no file.
std::wstring LastDroppedPath(HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0) {
        return {};
    }
    // Asking for the length first means a long path is seen whole, never
    // cut short by the buffer.
    UINT length = DragQueryFileW(drop, count - 1, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    UINT got = DragQueryFileW(drop, count - 1, path.data(), length + 1);
    path.resize(got <= length ? got : length);
    return path;
}

// The ANSI form of a dropped or chosen name, or nothing after telling the
// user. The system's own ANSI calls would turn a name the code page cannot
// spell into another one (café.txt into cafe.txt, a Korean name into "??"),
// and the window would then confirm a file that is never backed up, or back
// up a different one.
std::optional<std::string> AnsiPathOrRefuse(const std::wstring& wide) {
    std::string ansi;
    if (!WideToAnsiExact(wide, ansi)) {
        Ask(kNameNotAnsiMessage);
        return std::nullopt;
    }
    return ansi;
}

// Whether a list line shows the name of `path`. A name with bytes the code
// page does not assign reads back from the list as other characters; that
// is the same name, as the list shows it.
bool LineShowsPath(const std::string& line, const std::string& path) {
    const std::string name = FileDisplayName(path, IsSystemLeadByte);
    return line == name || line == AnsiAsShown(name);
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

// Whether the folder is there or could be made now.
bool MakeFolder(const std::string& folder) {
    return CreateDirectoryA(folder.c_str(), nullptr) ||
           (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(folder));
}

// Whether `path` lies on the disk of the chosen place, so that its second
// copy would go down with it. The file is listed all the same: a warning is
// better than no backup at all. Only the file's own disk is asked: the
// place's was kept when it was chosen, and a place chosen before that was
// kept is not warned about.
bool OnPlaceDisk(const std::string& path) {
    const PlaceChoice place = ReadPlaceChoice();
    return !place.Empty() && !place.disk.empty() && SameDisk(DiskKey(path), place.disk);
}

}  // namespace

void AcceptDroppedFile(HDROP drop) {
    std::wstring wide = LastDroppedPath(drop);
    DragFinish(drop);
    if (wide.empty()) {
        return;
    }
    std::optional<std::string> path = AnsiPathOrRefuse(wide);
    if (!path) {
        return;
    }
    switch (CheckDroppedPath(*path, IsFolder(*path))) {
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
            AddBackupFile(*path);
            return;
    }
}

void ChooseFileToAdd() {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    // The layout without the later additions. It is 76 bytes only in a
    // 32-bit build; the constant is right for the 64-bit build as well.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = MainWindow;
    dialog.lpstrFilter = L"すべてのファイル(*.*)\0*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"ファイルを選択";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    dialog.lpstrDefExt = L"*";
    if (!GetOpenFileNameW(&dialog)) {
        return;
    }
    // The same check as a drop's: the name must be one the code page spells.
    if (std::optional<std::string> path = AnsiPathOrRefuse(file)) {
        AddBackupFile(*path);
    }
}

void AddBackupFile(const std::string& chosen) {
    // Windows drops dots and spaces at the end of a name, so a.txt. is a.txt:
    // the list keeps the name that the file really has.
    const std::string path(ResolvedName(chosen));
    // A list loaded while the file was busy may not show what the file holds;
    // load it again before judging or saving anything against it.
    if (SettingsUnread && !ReloadSettings()) {
        Ask(kSettingsBusyMessage);
        return;
    }
    const std::string lineText = FileDisplayName(path, IsSystemLeadByte);
    // The list shows exactly the table, so the table's count is the list's.
    if (UsedSlotCount(BackupTable) >= kListLimit) {
        Ask(kLimitMessage);
        return;
    }
    if (lineText.empty()) {
        Ask(kNoDriveMessage);
        return;
    }
    // The agent's own rule: a path it cannot store would be confirmed here
    // and then never backed up.
    if (!AgentCanStore(path, IsSystemLeadByte)) {
        Ask(kPathTooLongMessage);
        return;
    }
    std::vector<std::string> names;
    for (const std::string& listed : TablePaths(BackupTable)) {
        names.push_back(FileDisplayName(listed, IsSystemLeadByte));
    }
    if (IsListedLine(names, lineText, IsSystemLeadByte)) {
        Ask(kDuplicateMessage);
        return;
    }
    // The agent makes backUp beside the file at its first run; a folder
    // where that can never succeed would fail every day.
    if (!MakeFolder(BackupFolderPath(SplitPath(path, IsSystemLeadByte)))) {
        Ask(kNoBackupFolderMessage);
        return;
    }
    // Judged once more against the file as it stands, and the window then
    // shows that file.
    const SaveOutcome saved = SaveAddedPath(path);
    if (saved.write == WriteOutcome::kRefused) {
        Ask(kSettingsBusyMessage);
        return;
    }
    RefreshEstimate();
    if (saved.wroteBackList) {
        Ask(kListWrittenBackMessage);
    }
    switch (saved.verdict) {
        case ListVerdict::kChanged:
            Ask(OnPlaceDisk(path) ? kAddedSameDiskMessage : kAddedMessage);
            return;
        case ListVerdict::kLimit:
            Ask(kLimitMessage);
            return;
        case ListVerdict::kDuplicate:
        case ListVerdict::kNotFound:
            Ask(kDuplicateMessage);
            return;
    }
}

std::optional<SelectedEntry> FindSelectedEntry() {
    HWND list = Control(BackupListBox);
    LRESULT line = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR) {
        Ask(kSelectMessage);
        return std::nullopt;
    }
    SelectedEntry entry;
    entry.line = static_cast<int>(line);
    entry.lineText = ListLine(list, line);
    // The line carries its slot; its text is only a check that list and
    // table still agree.
    const std::vector<std::string> paths = TablePaths(BackupTable);
    const LRESULT slot = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(line), 0);
    if (slot < 0 || static_cast<std::size_t>(slot) >= paths.size() ||
        !LineShowsPath(entry.lineText, paths[static_cast<std::size_t>(slot)])) {
        Ask(kNoEntryMessage);
        return std::nullopt;
    }
    entry.slot = static_cast<std::size_t>(slot);
    entry.path = paths[entry.slot];
    return entry;
}

void RemoveSelectedEntry() {
    if (SettingsUnread && !ReloadSettings()) {
        Ask(kSettingsBusyMessage);
        return;
    }
    const std::optional<SelectedEntry> entry = FindSelectedEntry();
    if (!entry) {
        return;
    }
    // The file as it stands loses this entry; list and table then show that
    // file. If it cannot be written, the list keeps the line.
    const SaveOutcome saved = SaveRemovedEntry(entry->slot, entry->path);
    if (saved.write == WriteOutcome::kRefused) {
        Ask(kSettingsBusyMessage);
        return;
    }
    RefreshEstimate();
    if (saved.wroteBackList) {
        Ask(kListWrittenBackMessage);
    }
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
