// "履歴": every state Sorel holds of the selected line's file, newest first,
// any of which can be put back over the file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../common/history_list.h"

namespace sorel::app {

// The menu item: with a line selected, shows the dialog for its file, modal,
// owned by MainWindow; otherwise the lookup has told the user.
void ShowHistoryDialog();

// The same dialog for `path` without its own loop, for a caller that pumps
// messages itself.
HWND CreateHistoryDialog(HWND owner, const std::string& path);

// The states of the listed file `path` kept beside it: generations and kept
// copies, in the order they were found. The versions at the second place are
// looked for on a worker thread by the dialog.
std::vector<HeldState> FindStates(const std::string& path);

// The procedure of the dialog: one handler per message.
INT_PTR CALLBACK HistoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace sorel::app
