// Sorel: the settings and restore window of the backup utility.
#include <windows.h>

#include "../common/win/error_mode.h"
#include "../common/win/program_start.h"
#include "main_window.h"
#include "single_instance.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        // The estimate opens every listed file, and one may lie on a drive
        // without its medium.
        sorel::QuietCriticalErrors();
        sorel::PrepareProgramStart();
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
