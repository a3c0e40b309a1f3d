// The settings window's program-wide values. The program has one window and
// one thread; these live for the whole run and are named after what they hold.
#pragma once

#include <windows.h>

#include <string>

#include "../common/backup_table.h"
#include "../common/win/unique_handle.h"

namespace sorel::app {

// The main window: parent of every control, owner of every message box.
extern HWND MainWindow;

// GDI objects and the menu, made at start-up and released when the window is
// destroyed.
extern FontHandle UiFont;
extern BrushHandle FaceBrush;
extern MenuHandle MainMenu;
extern BitmapHandle BannerBitmap;

// The running program's folder with its trailing backslash; written into
// line 1 of the settings file.
extern std::string AppFolder;

// The two-character hour text as last loaded, picked or saved.
extern std::string ScheduleHour;

// The files to back up, as full paths. The list box shows exactly their
// names, each line carrying its entry's slot as its item data.
extern sorel::BackupTable BackupTable;

// True while the settings file exists but could not be read at the last
// load: the table does not show what the file holds, so nothing may be
// written from it until a load succeeds.
extern bool SettingsUnread;

}  // namespace sorel::app
