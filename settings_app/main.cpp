// Sorel: the settings and restore window of the backup utility.
#include <windows.h>

#include "main_window.h"
#include "single_instance.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        sorel::KernelHandle singleWindow;
        if (sorel::app::HandedToRunningWindow(singleWindow)) {
            return 0;
        }
        if (!sorel::app::StartSettingsApp(instance)) {
            return 1;
        }
        return sorel::app::RunMessageLoop();
    } catch (...) {
        return 1;
    }
}
