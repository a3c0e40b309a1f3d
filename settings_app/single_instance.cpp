#include "single_instance.h"

#include <windows.h>

#include "../common/win/window_front.h"
#include "main_window.h"

namespace sorel::app {

namespace {

// Named like the agent's "Sorel2.exe" mutex.
constexpr char kSingleWindowMutex[] = "Sorel.exe";

// The first start may hold the mutex before its window exists.
constexpr DWORD kWindowWaitMs = 3000;
constexpr DWORD kWindowPollMs = 50;

}  // namespace

bool HandedToRunningWindow(KernelHandle& mutex) {
    mutex.reset(CreateMutexA(nullptr, FALSE, kSingleWindowMutex));
    // A mutex that could not be made at all lets this window start: better
    // two windows than none.
    if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
    }
    for (DWORD waited = 0; waited < kWindowWaitMs; waited += kWindowPollMs) {
        if (HWND first = FindWindowA(kMainClassName, kMainTitle)) {
            BringWindowForward(first);
            PostMessageA(first, kAskHeldBackAgain, 0, 0);
            break;
        }
        Sleep(kWindowPollMs);
    }
    return true;
}

}  // namespace sorel::app
