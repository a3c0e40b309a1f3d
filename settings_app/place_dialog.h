// "控え": the dialog where the user chooses the folder on another disk that
// receives a second copy of every listed file, and what the rest of the
// window needs to know about that choice.
#pragma once

#include <windows.h>

#include <string>

#include "../common/place/place_files.h"

namespace sorel::app {

// The menu item: shows the dialog, modal, owned by MainWindow.
void ShowPlaceDialog();

// The same dialog without its own loop, for a caller that pumps messages
// itself; it hides when OK or キャンセル ends it.
HWND CreatePlaceDialog(HWND owner);

// The procedure of the dialog: one handler per message.
INT_PTR CALLBACK PlaceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Where the choice is kept, and the choice itself (empty when none was made
// or the file is damaged).
std::string PlaceChoicePath();
PlaceChoice ReadPlaceChoice();

// The folder that holds the marker and the copies: <folder>\Sorel.
std::string PlaceFolderOf(const PlaceChoice& choice);

}  // namespace sorel::app
