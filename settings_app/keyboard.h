// The settings window from the keyboard: Tab between the buttons, the list
// and the hour options, Enter on the focused button, the arrows in the list
// and among the hour options.
#pragma once

#include <windows.h>

namespace sorel::app {

// The keys the dialog manager does not handle for this window: Enter presses
// the focused push button, and an arrow on an hour option moves to the next
// one and picks it as a click would, wrapping round at the ends. True when
// the key was used.
bool HandleWindowKey(const MSG& message);

// WM_ACTIVATE of MainWindow: on leaving, notes which control had the
// keyboard; on coming back (after a message box, for example), gives it back
// to that control, or to the checked hour option instead of an unchecked
// one. False when the system's own handling should run: on coming back with
// no control noted, or minimized.
bool OnActivateKeyboard(WPARAM wParam);

// One message of the loop: the window's own keys first, then the dialog
// manager (Tab, Space on a button, the arrows in the list), otherwise the
// usual translation and dispatch.
void ProcessMessage(MSG& message);

}  // namespace sorel::app
