#include "place_dialog.h"

#include <objbase.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "../common/backup_table.h"
#include "../common/place/place_paths.h"
#include "../common/win/files.h"
#include "../agent/health.h"
#include "../common/win/health_folder.h"
#include "../common/win/place_find.h"
#include "app_state.h"
#include "ask.h"
#include "place_disk.h"
#include "resource.h"
#include "worker.h"

namespace sorel::app {

namespace {

// The folder for the system's calls that want one that ends in a backslash
// ("E:" alone is the drive's current folder, not its root).
std::string WithBackslash(const std::string& folder) {
    return folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
}

std::string DialogText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The words of the state text, found on the worker: the place is looked for
// by its marker on every drive letter, as the agent looks for it.
std::string StateText(const PlaceChoice& choice, const std::string& recordPath,
                      const std::vector<std::string>& listed) {
    std::string text = kPlaceStateHead + choice.folder;
    text += FindPlace(choice).empty() ? kPlaceStateAbsent : kPlaceStatePresent;
    std::string record;
    if (!recordPath.empty()) {
        ReadFileExclusiveRetrying(recordPath, record);
    }
    const std::string oldest = OldestHeldDay(ParseHealthRecord(record).place, listed);
    text += oldest.empty() ? std::string(kPlaceStateNoCopy) : kPlaceStateOldest + oldest;
    return text;
}

// The identity of a new marker, in the text form that CoCreateGuid's GUIDs
// take everywhere in Windows.
std::string NewIdentity() {
    GUID guid;
    if (FAILED(CoCreateGuid(&guid))) {
        return {};
    }
    char text[40];
    wsprintfA(text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
              guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
              guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string UserName() {
    char name[257] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? std::string(name) : std::string();
}

bool MakeFolder(const std::string& folder) {
    return CreateDirectoryA(folder.c_str(), nullptr) ||
           (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(folder));
}

enum class KeepOutcome { kKept, kMissing, kSameDisk, kNotWritten, kMarkerBusy, kMarkerForeign };

// A new file whose whole content is written before it takes its name, which
// it takes only when nothing has that name yet: a marker is never replaced.
bool WriteNewFile(const std::string& path, const std::string& bytes, const std::string& temp) {
    {
        FileHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file ||
            !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileA(temp.c_str());
    return false;
}

// The identity of the place at `folder`: the one its marker already holds,
// so that a place chosen again (or by a second copy of this program, or
// another PC) stays the same place, or a new one written into a new marker.
// Only a marker that is not there is made: one that cannot be read at the
// moment or holds something else is left alone. Only the Sorel folder below
// the chosen one is ever created.
KeepOutcome MarkPlace(const std::string& folder, std::string& identity) {
    const std::string ours = folder + "\\" + std::string(kPlaceFolderName);
    const std::string markerPath = ours + "\\" + std::string(kMarkerFileName);
    std::string bytes;
    ReadResult read = ReadResult::kBusy;
    RetryWhileBusy([&] {
        read = ReadFilePrefixSharingRead(markerPath, 8192, bytes);
        return read != ReadResult::kBusy;
    });
    if (read == ReadResult::kBusy) {
        return KeepOutcome::kMarkerBusy;
    }
    if (read == ReadResult::kOk) {
        identity = ParsePlaceMarker(bytes).identity;
        return identity.empty() ? KeepOutcome::kMarkerForeign : KeepOutcome::kKept;
    }
    const PlaceMarker marker = {NewIdentity(), ComputerName(), UserName()};
    const std::string text = FormatPlaceMarker(marker);
    if (text.empty() || !MakeFolder(ours)) {
        return KeepOutcome::kNotWritten;
    }
    if (!WriteNewFile(markerPath, text, markerPath + "." + marker.computer + ".tmp")) {
        // Made meanwhile by another PC, or there all along but out of reach.
        return PathExists(markerPath) ? KeepOutcome::kMarkerBusy : KeepOutcome::kNotWritten;
    }
    identity = marker.identity;
    return KeepOutcome::kKept;
}

bool WriteChoice(const PlaceChoice& choice) {
    const std::string folder = HealthFolderPath();
    if (folder.empty() || !MakeFolder(folder.substr(0, folder.size() - 1))) {
        return false;
    }
    return ReplaceFileContent(PlaceChoicePath(), FormatPlaceChoice(choice), folder + "place.tmp");
}

// A share can take a minute to answer even GetFileAttributes, so everything
// that touches the place runs on a worker, and the dialog only starts it and
// hears its answer. The worker owns its own copy of what it needs and posts a
// result that the dialog frees; a dialog closed meanwhile is simply not there
// to post to, and a result of an earlier check is told apart by its number.
constexpr UINT kPlaceChecked = WM_APP + 10;

enum class PlaceWorkKind { kState, kKeep };

struct PlaceWork {
    HWND dialog = nullptr;
    unsigned number = 0;
    PlaceWorkKind kind = PlaceWorkKind::kState;
    PlaceChoice choice;  // kState: the choice to describe
    std::string folder;  // kKeep: the folder to check and mark
    bool sameDiskAccepted = false;
    std::string recordPath;
    std::vector<std::string> listed;
};

struct PlaceFound {
    unsigned number = 0;
    PlaceWorkKind kind = PlaceWorkKind::kState;
    std::string stateText;
    KeepOutcome outcome = KeepOutcome::kNotWritten;
    PlaceChoice choice;
};

// The numbers of the checks the dialog waits for; 0 for none.
struct PlaceDialogData {
    unsigned stateNumber = 0;
    unsigned keepNumber = 0;
};

PlaceDialogData* DataOf(HWND dialog) {
    return reinterpret_cast<PlaceDialogData*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

KeepOutcome CheckAndMark(const PlaceWork& work, PlaceChoice& kept) {
    kept.folder = work.folder;
    if (!IsFolder(WithBackslash(work.folder))) {
        return KeepOutcome::kMissing;
    }
    if (!work.sameDiskAccepted && SharesDiskWithListedFile(work.folder, work.listed)) {
        return KeepOutcome::kSameDisk;
    }
    const KeepOutcome outcome = MarkPlace(work.folder, kept.identity);
    kept.disk = DiskKey(work.folder);
    return outcome;
}

DWORD WINAPI CheckPlace(void* param) {
    try {
        std::unique_ptr<PlaceWork> work(static_cast<PlaceWork*>(param));
        auto found = std::make_unique<PlaceFound>();
        found->number = work->number;
        found->kind = work->kind;
        if (work->kind == PlaceWorkKind::kState) {
            found->stateText = StateText(work->choice, work->recordPath, work->listed);
        } else {
            found->outcome = CheckAndMark(*work, found->choice);
        }
        PostResult(work->dialog, kPlaceChecked, found);
    } catch (...) {
    }
    return 0;
}

void StartCheck(HWND dialog, std::unique_ptr<PlaceWork> work) {
    static unsigned lastNumber = 0;
    PlaceDialogData* data = DataOf(dialog);
    work->dialog = dialog;
    work->number = ++lastNumber;
    (work->kind == PlaceWorkKind::kState ? data->stateNumber : data->keepNumber) = work->number;
    const std::string folder = HealthFolderPath();
    work->recordPath = folder.empty() ? std::string() : folder + kHealthRecordName;
    work->listed = TablePaths(BackupTable);
    StartWorker(CheckPlace, work);
}

void ShowState(HWND dialog) {
    const PlaceChoice choice = ReadPlaceChoice();
    if (choice.Empty()) {
        SetDlgItemTextA(dialog, PlaceStateText, kPlaceStateNone);
        return;
    }
    SetDlgItemTextA(dialog, PlaceStateText, kPlaceStateChecking);
    auto work = std::make_unique<PlaceWork>();
    work->choice = choice;
    StartCheck(dialog, std::move(work));
}

// While OK's checks run only キャンセル answers.
void EnableButtons(HWND dialog, bool enable) {
    for (int id :
         {IDOK, static_cast<int>(PlaceBrowseButton), static_cast<int>(PlaceForgetButton)}) {
        EnableWindow(GetDlgItem(dialog, id), enable);
    }
    if (!enable) {
        SetFocus(GetDlgItem(dialog, IDCANCEL));
    }
}

// OK: the typed folder must be there, on a disk of its own; then it is
// marked and kept. Anything refused leaves the dialog open to try again.
void StartKeeping(HWND dialog, const std::string& folder, bool sameDiskAccepted) {
    EnableButtons(dialog, false);
    auto work = std::make_unique<PlaceWork>();
    work->kind = PlaceWorkKind::kKeep;
    work->folder = folder;
    work->sameDiskAccepted = sameDiskAccepted;
    StartCheck(dialog, std::move(work));
}

void KeepTypedPlace(HWND dialog) {
    const std::string typed = DialogText(dialog, PlaceFolderEdit);
    const std::string folder = PlaceFolderText(typed, IsSystemLeadByte);
    // Nothing typed and nothing chosen: there is nothing to keep.
    if (typed.find_first_not_of(" \t") == std::string::npos && ReadPlaceChoice().Empty()) {
        EndDialog(dialog, IDCANCEL);
        return;
    }
    if (folder.empty()) {
        Ask(kPlaceNotFolderMessage);
        return;
    }
    StartKeeping(dialog, folder, false);
}

void OnKeepChecked(HWND dialog, const PlaceFound& found) {
    EnableButtons(dialog, true);
    switch (found.outcome) {
        case KeepOutcome::kKept:
            if (WriteChoice(found.choice)) {
                EndDialog(dialog, IDOK);
                return;
            }
            Ask(kPlaceNotWrittenMessage);
            return;
        case KeepOutcome::kMissing:
            Ask(kPlaceMissingMessage);
            return;
        case KeepOutcome::kSameDisk:
            // The user may know better (a second disk is all there is);
            // キャンセル leaves the dialog open to choose again.
            if (Ask(kPlaceSameDiskQuestion) == IDOK) {
                StartKeeping(dialog, found.choice.folder, true);
            }
            return;
        case KeepOutcome::kNotWritten:
            Ask(kPlaceNotWrittenMessage);
            return;
        case KeepOutcome::kMarkerBusy:
            Ask(kPlaceMarkerBusyMessage);
            return;
        case KeepOutcome::kMarkerForeign:
            Ask(kPlaceMarkerForeignMessage);
            return;
    }
}

void OnPlaceChecked(HWND dialog, LPARAM param) {
    std::unique_ptr<PlaceFound> found(reinterpret_cast<PlaceFound*>(param));
    PlaceDialogData* data = DataOf(dialog);
    if (!data) {
        return;
    }
    if (found->kind == PlaceWorkKind::kState && found->number == data->stateNumber) {
        data->stateNumber = 0;
        SetDlgItemTextA(dialog, PlaceStateText, found->stateText.c_str());
    } else if (found->kind == PlaceWorkKind::kKeep && found->number == data->keepNumber) {
        data->keepNumber = 0;
        OnKeepChecked(dialog, *found);
    }
}

// 「控えをやめる」: forgets the choice after asking. The copies stay.
void ForgetPlace(HWND dialog) {
    if (Ask(kPlaceForgetQuestion) != IDOK) {
        return;
    }
    DeleteFileForcibly(PlaceChoicePath());
    SetDlgItemTextA(dialog, PlaceFolderEdit, "");
    EndDialog(dialog, IDOK);
}

// 「参照…」: the system's folder picker; its choice goes into the edit box,
// where OK judges it like a typed one.
void BrowseForPlace(HWND dialog) {
    char title[] = "控えを置くフォルダーを選んでな";
    BROWSEINFOA browse = {};
    browse.hwndOwner = dialog;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (!item) {
        return;
    }
    char path[MAX_PATH] = {};
    const bool got = SHGetPathFromIDListA(item, path);
    CoTaskMemFree(item);
    if (got) {
        SetDlgItemTextA(dialog, PlaceFolderEdit, path);
    }
}

void OnInitPlaceDialog(HWND dialog) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(new PlaceDialogData));
    const PlaceChoice choice = ReadPlaceChoice();
    SendDlgItemMessageA(dialog, PlaceFolderEdit, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SetDlgItemTextA(dialog, PlaceFolderEdit, choice.folder.c_str());
    ShowState(dialog);
}

void OnPlaceCommand(HWND dialog, int id) {
    switch (id) {
        case IDOK:
            KeepTypedPlace(dialog);
            return;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return;
        case PlaceBrowseButton:
            BrowseForPlace(dialog);
            return;
        case PlaceForgetButton:
            ForgetPlace(dialog);
            return;
    }
}

}  // namespace

INT_PTR CALLBACK PlaceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may unwind through the dialog manager.
    try {
        switch (message) {
            case WM_INITDIALOG:
                OnInitPlaceDialog(dialog);
                return TRUE;  // the focus goes to the first Tab stop, the folder
            case WM_COMMAND:
                if (HIWORD(wParam) == BN_CLICKED) {
                    OnPlaceCommand(dialog, LOWORD(wParam));
                }
                return TRUE;
            case kPlaceChecked:
                OnPlaceChecked(dialog, lParam);
                return TRUE;
            case WM_DESTROY:
                delete DataOf(dialog);
                SetWindowLongPtrA(dialog, DWLP_USER, 0);
                return FALSE;
        }
    } catch (...) {
    }
    return FALSE;
}

void ShowPlaceDialog() {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PLACE), MainWindow,
                    PlaceDialogProc, 0);
}

HWND CreatePlaceDialog(HWND owner) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PLACE), owner,
                              PlaceDialogProc, 0);
}

std::string PlaceChoicePath() {
    const std::string folder = HealthFolderPath();
    return folder.empty() ? std::string() : folder + std::string(kPlaceChoiceFileName);
}

PlaceChoice ReadPlaceChoice() {
    const std::string path = PlaceChoicePath();
    std::string bytes;
    if (path.empty() || ReadFileExclusiveRetrying(path, bytes) != ReadResult::kOk) {
        return {};
    }
    return ParsePlaceChoice(bytes);
}

std::string PlaceFolderOf(const PlaceChoice& choice) {
    return choice.folder + "\\" + std::string(kPlaceFolderName);
}

}  // namespace sorel::app
