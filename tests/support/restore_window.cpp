// Brings the settings window up from its minimized start, so that
// tools/screenshot-settings.sh can photograph it. Waits up to ten seconds
// for the window; exit code 1 when it never appears.
#include <windows.h>

int main() {
    for (int waited = 0; waited < 10000; waited += 100) {
        HWND window = FindWindowA("NORMAL0", nullptr);
        if (window) {
            ShowWindow(window, SW_RESTORE);
            SetForegroundWindow(window);
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
