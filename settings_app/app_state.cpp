#include "app_state.h"

namespace sorel::app {

HWND MainWindow = nullptr;
FontHandle UiFont;
BrushHandle FaceBrush;
MenuHandle MainMenu;
BitmapHandle BannerBitmap;
std::string AppFolder;
std::string ScheduleHour;
sorel::BackupTable BackupTable;
bool SettingsUnread = false;

}  // namespace sorel::app
