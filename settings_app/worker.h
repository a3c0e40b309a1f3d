// Work that may wait on a slow drive or share runs on a thread of its own:
// the window's thread only starts it and, later, takes its result from a
// posted message. A Win32 thread, not std::thread, which would bring a
// threads library into the program.
#pragma once

#include <windows.h>

#include <memory>

namespace sorel::app {

// Starts `run` on a new thread with `input`, which the thread then owns.
// False when no thread could be made; `input` is then still the caller's.
template <typename Input>
bool StartWorker(LPTHREAD_START_ROUTINE run, std::unique_ptr<Input>& input) {
    HANDLE thread = CreateThread(nullptr, 0, run, input.get(), 0, nullptr);
    if (!thread) {
        return false;
    }
    input.release();
    CloseHandle(thread);
    return true;
}

// Hands `result` to `window` as the lParam of `message`; the window then
// owns it. A window that is gone never sees it, and it is freed here.
template <typename Result>
bool PostResult(HWND window, UINT message, std::unique_ptr<Result>& result) {
    if (!PostMessageA(window, message, 0, reinterpret_cast<LPARAM>(result.get()))) {
        return false;
    }
    result.release();
    return true;
}

}  // namespace sorel::app
