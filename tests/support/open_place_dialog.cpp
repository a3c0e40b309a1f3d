// Brings the settings window up and opens its 控え dialog, or with the
// argument "history" the 履歴 dialog of 家計簿.xls, and leaves it
// open, so that tools/screenshot-place.sh and screenshot-history.sh can
// photograph it. Exit code 1 when the window never appears.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
    const bool history = argc > 1 && std::strcmp(argv[1], "history") == 0;
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
    if (history) {
        const LRESULT line =
            SendDlgItemMessageA(window, 1007, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>("家計簿.xls"));
        SendDlgItemMessageA(window, 1007, LB_SETCURSEL, static_cast<WPARAM>(line < 0 ? 0 : line),
                            0);
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(history ? 1027 : 1026, 0), 0);
    return 0;
}
