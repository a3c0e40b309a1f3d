// Sorel: the settings and restore window of the backup utility.
#include <windows.h>

#include "../common/win/error_mode.h"
#include "main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        // The estimate opens every listed file, and one may lie on a drive
        // without its medium.
        sorel::QuietCriticalErrors();
        if (!sorel::app::StartSettingsApp(instance)) {
            return 1;
        }
        return sorel::app::RunMessageLoop();
    } catch (...) {
        return 1;
    }
}
