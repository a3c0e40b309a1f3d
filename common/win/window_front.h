// Bringing a program's window to the front, as both programs do with the
// settings window: a second start of it, and a click on the agent's icon or
// balloon.
#pragma once

#include <windows.h>

namespace sorel {

// Restores the window from its minimized start and brings it to the front,
// or the message box it has open, which is what the user must answer first.
void BringWindowForward(HWND window);

// Posted to the settings window when the user comes to it from outside, as
// the agent's balloon about held-back content asks: the window then asks
// about such content it has not been told no about. Activation alone may not
// come, for the window may be at the front already.
constexpr UINT kAskHeldBackAgain = WM_APP + 3;

}  // namespace sorel
