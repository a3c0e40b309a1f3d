#include "window_front.h"

namespace sorel {

void BringWindowForward(HWND window) {
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    }
    SetForegroundWindow(GetLastActivePopup(window));
}

}  // namespace sorel
