#include "history_dialog.h"

#include <memory>

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
#include "shell.h"

namespace sorel::app {

namespace {

// What the open dialog works on: the listed file and the states shown, in
// the list's order.
struct HistoryView {
    std::string path;
    std::vector<HeldState> states;
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

// The versions of `path` at the second place, when the place is there. A
// place that is not plugged in has nothing to show; it is not an error.
void AddPlaceStates(const std::string& path, std::vector<HeldState>& states) {
    const std::string place = FindPlace(ReadPlaceChoice());
    const std::string fileName = FileDisplayName(path, IsSystemLeadByte);
    const std::string folderName = FileFolderName(path, IsSystemLeadByte);
    if (place.empty() || fileName.empty() || folderName.empty()) {
        return;
    }
    const std::string folder = place + "\\" + folderName + "\\";
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((folder + "*").c_str(), &found));
    while (find) {
        CivilDate date;
        if (VersionDate(found.cFileName, fileName, date)) {
            ReadState({folder + found.cFileName, "控え"}, states);
        }
        if (!FindNextFileA(find.get(), &found)) {
            break;
        }
    }
}

HistoryView* ViewOf(HWND dialog) {
    return reinterpret_cast<HistoryView*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void FillList(HWND dialog, HistoryView& view) {
    view.states = FindStates(view.path);
    HWND list = GetDlgItem(dialog, HistoryListBox);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const HeldState& state : view.states) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(StateLine(state).c_str()));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
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

void RestoreSelectedState(HWND dialog) {
    const HeldState* state = SelectedState(dialog);
    if (!state) {
        Ask(kNoStateMessage);
        return;
    }
    HistoryView& view = *ViewOf(dialog);
    const RestoreOutcome outcome = RestoreState(view.path, state->file.path, StateTimeText(*state));
    if (outcome.result == RestoreResult::Restored) {
        Ask(kStateRestoredMessage);
        // The file's former state is now among the kept copies.
        FillList(dialog, view);
        return;
    }
    ReportRestoreFailure(outcome);
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
    FillList(dialog, *reinterpret_cast<HistoryView*>(param));
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
            EndDialog(dialog, IDCANCEL);
            return;
    }
}

void OnDestroyHistoryDialog(HWND dialog) {
    // A modeless dialog owns its view; a modal one's lives on its caller's stack.
    if (GetWindowLongPtrA(dialog, GWLP_USERDATA)) {
        delete ViewOf(dialog);
    }
}

}  // namespace

std::vector<HeldState> FindStates(const std::string& path) {
    std::vector<HeldState> states;
    for (const StateFile& file : LocalStateFiles(SplitPath(path, IsSystemLeadByte))) {
        ReadState(file, states);
    }
    AddPlaceStates(path, states);
    SortNewestFirst(states);
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
    HistoryView view{entry->path, {}};
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HISTORY), MainWindow,
                    HistoryDialogProc, reinterpret_cast<LPARAM>(&view));
}

HWND CreateHistoryDialog(HWND owner, const std::string& path) {
    auto view = std::make_unique<HistoryView>(HistoryView{path, {}});
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
