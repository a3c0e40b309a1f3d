// Brings the settings window up and opens its 控え dialog, and leaves it
// open, so that tools/screenshot-place.sh can photograph it. Exit code 1
// when the window never appears.
#include <windows.h>

int main() {
    HWND window = nullptr;
    for (int waited = 0; !window && waited < 10000; waited += 100) {
        window = FindWindowA("NORMAL0", nullptr);
        Sleep(100);
    }
    if (!window) {
        return 1;
    }
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(1026, 0), 0);
    return 0;
}
