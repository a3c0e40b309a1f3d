// Brings up the settings window's first restore question for the first line
// of its list, and leaves it open, so that tools/screenshot-restore.sh can
// photograph it. Exit code 1 when the window never appears.
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
    SendMessageA(GetDlgItem(window, 1007), LB_SETCURSEL, 0, 0);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, 1004)));
    return 0;
}
