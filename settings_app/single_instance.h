// One settings window at a time. The window starts minimised, so a second
// start is easy to make by mistake; two windows would each save their own
// idea of the list. A second start brings the first window to the front
// and ends.
#pragma once

#include "../common/win/unique_handle.h"

namespace sorel::app {

// Takes the program's single-window mutex into `mutex`, to be held while
// this window lives. True when another settings window holds it: that window
// has then been brought to the front (restored if minimised, or its open
// question shown) and this start should end.
bool HandedToRunningWindow(KernelHandle& mutex);

}  // namespace sorel::app
