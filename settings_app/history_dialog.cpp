#include "history_dialog.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "../common/place/manifest.h"
#include "../common/place/place_history.h"
#include "../common/win/files.h"
#include "../common/win/place_find.h"
#include "../common/win/unique_handle.h"
#include "app_state.h"
#include "ask.h"
#include "list_editing.h"
#include "messages.h"
#include "place_dialog.h"
#include "resource.h"
#include "restore.h"
#include "worker.h"
#include "shell.h"

namespace sorel::app {

namespace {

struct FetchLink;

// What the open dialog works on: the listed file, the versions at the place
// as the worker found them, and the states shown, in the list's order.
struct HistoryView {
    std::string path;
    std::vector<HeldState> states;
    std::vector<HeldState> placeStates;
    unsigned placeNumber = 0;             // the look at the place the dialog waits for
    std::shared_ptr<FetchLink> fetching;  // the copy from the place, while it runs
};

// The state in `file` when there is one, with its local time.
bool ReadState(const StateFile& file, std::vector<HeldState>& states) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(file.path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToSystemTime(&local, &time)) {
        return false;
    }
    HeldState state;
    state.file = file;
    state.written = FileTimeCount(data.ftLastWriteTime);
    state.year = time.wYear;
    state.month = time.wMonth;
    state.day = time.wDay;
    state.hour = time.wHour;
    state.minute = time.wMinute;
    state.second = time.wSecond;
    state.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    states.push_back(std::move(state));
    return true;
}

// The place may be a share that takes a minute to answer: its versions are
// looked for on a worker, and the states beside the file show meanwhile. The
// worker owns its copy of what it needs and posts a result the dialog frees;
// a dialog closed meanwhile is not there to post to.
constexpr UINT kPlaceStatesFound = WM_APP + 11;

struct PlaceLook {
    HWND dialog = nullptr;
    unsigned number = 0;
    std::string path;
    PlaceChoice choice;
};

struct PlaceStates {
    unsigned number = 0;
    std::vector<HeldState> states;
};

// This PC's versions of `path` at the place, when the place is there. A
// place that is not plugged in has nothing to show; it is not an error. A
// version its manifest calls damaged says so; one the manifest does not know
// yet is shown as it is.
std::vector<HeldState> FindPlaceStates(const PlaceLook& look) {
    std::vector<HeldState> states;
    const std::string place = FindPlace(look.choice);
    const std::string fileName = FileDisplayName(look.path, IsSystemLeadByte);
    const std::string folderName = FileFolderName(look.path, IsSystemLeadByte);
    if (place.empty() || fileName.empty() || folderName.empty()) {
        return states;
    }
    const std::string folder = PcVersionsFolder(place) + "\\" + folderName + "\\";
    std::vector<ManifestEntry> manifest;
    ReadManifest(folder.substr(0, folder.size() - 1), manifest);
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((folder + "*").c_str(), &found));
    while (find) {
        CivilDate date;
        if (VersionDate(found.cFileName, fileName, date) &&
            ReadState({folder + found.cFileName, "控え"}, states)) {
            const ManifestEntry* entry = FindEntry(manifest, found.cFileName);
            if (entry && entry->damaged) {
                states.back().damaged = true;
                states.back().file.where += kDamagedVersionMark;
            }
        }
        if (!FindNextFileA(find.get(), &found)) {
            break;
        }
    }
    return states;
}

DWORD WINAPI LookAtPlace(void* param) {
    try {
        std::unique_ptr<PlaceLook> look(static_cast<PlaceLook*>(param));
        auto found = std::make_unique<PlaceStates>();
        found->number = look->number;
        found->states = FindPlaceStates(*look);
        PostResult(look->dialog, kPlaceStatesFound, found);
    } catch (...) {
    }
    return 0;
}

HistoryView* ViewOf(HWND dialog) {
    return reinterpret_cast<HistoryView*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// A version at the place is copied beside the file on a worker too, and
// キャンセル stops it between two blocks. A worker told to stop, or whose
// dialog is gone, posts nothing and removes its copy itself; the lock makes
// posting and being told to stop exclusive, so each copy has one owner.
constexpr UINT kVersionFetched = WM_APP + 12;

struct FetchLink {
    std::atomic<bool> stop{false};
    SRWLOCK lock = SRWLOCK_INIT;
};

struct PlaceFetch {
    HWND dialog = nullptr;
    std::string path;
    HeldState version;
    std::shared_ptr<FetchLink> link;
};

// A copy that will not be put in place.
void Discard(const ArrivedState& arrived) {
    if (!arrived.temp.empty()) {
        DeleteFileForcibly(arrived.temp);
    }
}

DWORD WINAPI FetchFromPlace(void* param) {
    try {
        std::unique_ptr<PlaceFetch> fetch(static_cast<PlaceFetch*>(param));
        auto arrived = std::make_unique<ArrivedState>(
            FetchPlaceVersion(fetch->path, fetch->version, fetch->link->stop));
        AcquireSRWLockExclusive(&fetch->link->lock);
        const bool posted =
            !fetch->link->stop && PostResult(fetch->dialog, kVersionFetched, arrived);
        ReleaseSRWLockExclusive(&fetch->link->lock);
        if (!posted) {
            Discard(*arrived);
        }
    } catch (...) {
    }
    return 0;
}

// While a version is copied, the restore button rests and the close button
// stops the copy instead.
void ShowFetching(HWND dialog, bool fetching) {
    SetDlgItemTextA(dialog, HistoryProgressText, fetching ? kFetchingStateText : "");
    SetDlgItemTextA(dialog, IDCANCEL, fetching ? kFetchCancelLabel : kHistoryCloseLabel);
    if (fetching) {
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDCANCEL)),
                     TRUE);
    }
    EnableWindow(GetDlgItem(dialog, HistoryRestoreButton), !fetching);
}

// Tells the worker to stop; a result it posted before is dropped with its copy.
void StopFetching(HWND dialog, HistoryView& view) {
    if (!view.fetching) {
        return;
    }
    AcquireSRWLockExclusive(&view.fetching->lock);
    view.fetching->stop = true;
    ReleaseSRWLockExclusive(&view.fetching->lock);
    view.fetching.reset();
    MSG posted;
    while (PeekMessageA(&posted, dialog, kVersionFetched, kVersionFetched, PM_REMOVE)) {
        std::unique_ptr<ArrivedState> arrived(reinterpret_cast<ArrivedState*>(posted.lParam));
        Discard(*arrived);
    }
}

// The states beside the file, found now, and the place's as last found;
// the selected state stays selected.
void FillList(HWND dialog, HistoryView& view) {
    HWND list = GetDlgItem(dialog, HistoryListBox);
    const LRESULT line = SendMessageA(list, LB_GETCURSEL, 0, 0);
    const std::string selected = line >= 0 && static_cast<std::size_t>(line) < view.states.size()
                                     ? view.states[static_cast<std::size_t>(line)].file.path
                                     : std::string();
    view.states = FindStates(view.path);
    view.states.insert(view.states.end(), view.placeStates.begin(), view.placeStates.end());
    SortNewestFirst(view.states);
    DropRepeatedStates(view.states);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    WPARAM select = 0;
    for (const HeldState& state : view.states) {
        const LRESULT added =
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(StateLine(state).c_str()));
        if (state.file.path == selected) {
            select = static_cast<WPARAM>(added);
        }
    }
    SendMessageA(list, LB_SETCURSEL, select, 0);
}

void StartLookingAtPlace(HWND dialog, HistoryView& view) {
    static unsigned lastNumber = 0;
    auto look = std::make_unique<PlaceLook>();
    look->dialog = dialog;
    look->number = view.placeNumber = ++lastNumber;
    look->path = view.path;
    look->choice = ReadPlaceChoice();
    if (look->choice.Empty()) {
        return;
    }
    StartWorker(LookAtPlace, look);
}

void OnPlaceStatesFound(HWND dialog, LPARAM param) {
    std::unique_ptr<PlaceStates> found(reinterpret_cast<PlaceStates*>(param));
    HistoryView* view = ViewOf(dialog);
    if (!view || found->number != view->placeNumber) {
        return;
    }
    view->placeNumber = 0;
    view->placeStates = std::move(found->states);
    FillList(dialog, *view);
}

// The selected state; null when the list is empty.
const HeldState* SelectedState(HWND dialog) {
    HistoryView* view = ViewOf(dialog);
    const LRESULT line = SendDlgItemMessageA(dialog, HistoryListBox, LB_GETCURSEL, 0, 0);
    if (!view || line < 0 || static_cast<std::size_t>(line) >= view->states.size()) {
        return nullptr;
    }
    return &view->states[static_cast<std::size_t>(line)];
}

// Says how a restore ended; after one that went through, the file's former
// state is among the kept copies.
void ReportStateRestore(HWND dialog, HistoryView& view, const RestoreOutcome& outcome) {
    if (outcome.result == RestoreResult::Restored) {
        Ask(kStateRestoredMessage);
        FillList(dialog, view);
        return;
    }
    ReportRestoreFailure(outcome);
    // The list no longer shows what is there: it is made again, the place's
    // part on a worker as always.
    if (outcome.result == RestoreResult::StateGone ||
        outcome.result == RestoreResult::StateChanged) {
        view.placeStates.clear();
        FillList(dialog, view);
        StartLookingAtPlace(dialog, view);
    }
}

// The question comes first; then the version is copied on a worker, and
// OnVersionFetched goes on once it is there.
void StartFetching(HWND dialog, HistoryView& view, const HeldState& state) {
    if (const RestoreResult asked = ConfirmStateRestore(view.path, StateTimeText(state));
        asked != RestoreResult::Restored) {
        ReportRestoreFailure({asked, {}});
        return;
    }
    auto fetch = std::make_unique<PlaceFetch>();
    fetch->dialog = dialog;
    fetch->path = view.path;
    fetch->version = state;
    fetch->link = std::make_shared<FetchLink>();
    std::shared_ptr<FetchLink> link = fetch->link;
    if (!StartWorker(FetchFromPlace, fetch)) {
        ReportRestoreFailure({RestoreResult::Failed, {}});
        return;
    }
    view.fetching = std::move(link);
    ShowFetching(dialog, true);
}

void OnVersionFetched(HWND dialog, LPARAM param) {
    std::unique_ptr<ArrivedState> arrived(reinterpret_cast<ArrivedState*>(param));
    HistoryView* view = ViewOf(dialog);
    if (!view || !view->fetching) {
        Discard(*arrived);
        return;
    }
    view->fetching.reset();
    ShowFetching(dialog, false);
    if (arrived->result != RestoreResult::Restored) {
        ReportStateRestore(dialog, *view, {arrived->result, {}});
        return;
    }
    ReportStateRestore(dialog, *view,
                       PutStateInPlace(view->path, arrived->temp, view->placeStates));
}

void RestoreSelectedState(HWND dialog) {
    const HeldState* selected = SelectedState(dialog);
    if (!selected) {
        Ask(kNoStateMessage);
        return;
    }
    // A copy: the place's states may arrive while the question is open and
    // refill the list.
    const HeldState state = *selected;
    if (state.damaged) {
        Ask(kDamagedVersionMessage);
        return;
    }
    HistoryView& view = *ViewOf(dialog);
    // The window's thread never waits on the place.
    const bool atPlace =
        std::any_of(view.placeStates.begin(), view.placeStates.end(),
                    [&](const HeldState& placed) { return placed.file.path == state.file.path; });
    if (atPlace) {
        StartFetching(dialog, view, state);
        return;
    }
    ReportStateRestore(dialog, view, RestoreState(view.path, state, view.placeStates));
}

void OpenStateFolder(HWND dialog) {
    const HeldState* state = SelectedState(dialog);
    if (!state) {
        Ask(kNoStateMessage);
        return;
    }
    const std::string& path = state->file.path;
    ShellOpen("explore", path.substr(0, LastSeparator(path, IsSystemLeadByte)), SW_SHOWNORMAL);
}

void OnInitHistoryDialog(HWND dialog, LPARAM param) {
    SetWindowLongPtrA(dialog, DWLP_USER, param);
    HistoryView& view = *reinterpret_cast<HistoryView*>(param);
    FillList(dialog, view);
    StartLookingAtPlace(dialog, view);
}

void OnHistoryCommand(HWND dialog, int id) {
    switch (id) {
        case HistoryRestoreButton:
            RestoreSelectedState(dialog);
            return;
        case HistoryOpenButton:
            OpenStateFolder(dialog);
            return;
        case IDCANCEL:
            if (HistoryView* view = ViewOf(dialog); view && view->fetching) {
                StopFetching(dialog, *view);
                ShowFetching(dialog, false);
                return;
            }
            EndDialog(dialog, IDCANCEL);
            return;
    }
}

void OnDestroyHistoryDialog(HWND dialog) {
    if (HistoryView* view = ViewOf(dialog)) {
        StopFetching(dialog, *view);
    }
    // A modeless dialog owns its view; a modal one's lives on its caller's stack.
    if (GetWindowLongPtrA(dialog, GWLP_USERDATA)) {
        delete ViewOf(dialog);
    }
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
}

}  // namespace

std::vector<HeldState> FindStates(const std::string& path) {
    std::vector<HeldState> states;
    const PathParts parts = SplitPath(path, IsSystemLeadByte);
    for (const StateFile& file : LocalStateFiles(parts)) {
        ReadState(file, states);
    }
    for (const std::string& kept : FindKeptCopies(parts)) {
        ReadState({kept, "復元前"}, states);
    }
    return states;
}

INT_PTR CALLBACK HistoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may unwind through the dialog manager.
    try {
        switch (message) {
            case WM_INITDIALOG:
                OnInitHistoryDialog(dialog, lParam);
                return TRUE;  // the focus goes to the first Tab stop, the list
            case WM_COMMAND:
                if (HIWORD(wParam) == BN_CLICKED) {
                    OnHistoryCommand(dialog, LOWORD(wParam));
                }
                return TRUE;
            case kPlaceStatesFound:
                OnPlaceStatesFound(dialog, lParam);
                return TRUE;
            case kVersionFetched:
                OnVersionFetched(dialog, lParam);
                return TRUE;
            case WM_DESTROY:
                OnDestroyHistoryDialog(dialog);
                return FALSE;
        }
    } catch (...) {
    }
    return FALSE;
}

void ShowHistoryDialog() {
    const std::optional<SelectedEntry> entry = FindSelectedEntry();
    if (!entry) {
        return;
    }
    HistoryView view{entry->path, {}, {}, 0, {}};
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HISTORY), MainWindow,
                    HistoryDialogProc, reinterpret_cast<LPARAM>(&view));
}

HWND CreateHistoryDialog(HWND owner, const std::string& path) {
    auto view = std::make_unique<HistoryView>(HistoryView{path, {}, {}, 0, {}});
    HWND dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HISTORY), owner,
                           HistoryDialogProc, reinterpret_cast<LPARAM>(view.get()));
    if (dialog) {
        view.release();
        SetWindowLongPtrA(dialog, GWLP_USERDATA, 1);
    }
    return dialog;
}

}  // namespace sorel::app
