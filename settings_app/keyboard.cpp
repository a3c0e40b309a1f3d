#include "keyboard.h"

#include "app_state.h"
#include "main_window.h"
#include "resource.h"

namespace sorel::app {

namespace {

const int kHourRadios[3] = {Hour04Radio, Hour06Radio, Hour22Radio};

// The control that had the keyboard when MainWindow was last left.
HWND FocusWhenLeft = nullptr;

// The position of `control` among the hour options, or -1.
int HourIndex(HWND control) {
    if (GetParent(control) != MainWindow) {
        return -1;
    }
    const int id = GetDlgCtrlID(control);
    for (int i = 0; i < 3; ++i) {
        if (kHourRadios[i] == id) {
            return i;
        }
    }
    return -1;
}

// The checked hour option, or null when none is.
HWND CheckedHour() {
    for (int id : kHourRadios) {
        if (IsChecked(id)) {
            return Control(id);
        }
    }
    return nullptr;
}

bool IsPushButtonOfWindow(HWND control) {
    if (!control || GetParent(control) != MainWindow) {
        return false;
    }
    const LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Left and up go back, right and down forward; the ends wrap round as they
// do in a group of options. 0 for any other key.
int ArrowStep(WPARAM key) {
    switch (key) {
        case VK_LEFT:
        case VK_UP:
            return -1;
        case VK_RIGHT:
        case VK_DOWN:
            return 1;
    }
    return 0;
}

}  // namespace

bool HandleWindowKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || !MainWindow) {
        return false;
    }
    if (message.wParam == VK_RETURN && IsPushButtonOfWindow(message.hwnd)) {
        SendMessageA(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    const int hour = HourIndex(message.hwnd);
    const int step = ArrowStep(message.wParam);
    if (hour < 0 || step == 0) {
        return false;
    }
    const int nextId = kHourRadios[(hour + step + 3) % 3];
    HWND next = Control(nextId);
    // Checked first and only then focused: on Windows an unchecked option
    // that gets the focus clicks itself, and the hour would be saved twice.
    // The command runs the option's own handler, which writes the hour.
    SetChecked(nextId, true);
    SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(nextId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(next));
    // A refused save unchecks it again; the focus then stays where it was.
    if (IsChecked(nextId)) {
        SetFocus(next);
    }
    return true;
}

bool OnActivateKeyboard(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        FocusWhenLeft = focus && GetParent(focus) == MainWindow ? focus : nullptr;
        return false;
    }
    if (HIWORD(wParam) || !FocusWhenLeft || !IsWindow(FocusWhenLeft) ||
        GetParent(FocusWhenLeft) != MainWindow) {
        return false;
    }
    HWND focus = FocusWhenLeft;
    if (HourIndex(focus) >= 0 && !IsChecked(GetDlgCtrlID(focus))) {
        // Focus on an unchecked option would click it on Windows: after a
        // refused save, another message box, for as long as the file stays
        // busy. The checked option takes the keyboard instead.
        focus = CheckedHour();
        if (!focus) {
            return false;
        }
    }
    SetFocus(focus);
    return true;
}

void ProcessMessage(MSG& message) {
    if (HandleWindowKey(message)) {
        return;
    }
    if (MainWindow && IsDialogMessageA(MainWindow, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

}  // namespace sorel::app
