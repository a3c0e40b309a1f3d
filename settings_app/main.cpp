// Sorel: the settings and restore window of the backup utility.
#include <windows.h>

#include "main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        if (!sorel::app::StartSettingsApp(instance)) {
            return 1;
        }
        return sorel::app::RunMessageLoop();
    } catch (...) {
        return 1;
    }
}
