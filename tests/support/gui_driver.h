// Drives a real program from the test process, as a user would: starts it,
// finds its windows and message boxes, reads their texts and presses their
// buttons. Message boxes are dialogs of class #32770 whose text is the
// control 0xFFFF.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "unique_handle.h"

namespace sorel::test {

// Waits until the desktop and its taskbar are up. In a fresh Wine prefix the
// first window starts them, and a tray icon added before they are ready is
// refused; tests of the real programs call this first.
void WaitForDesktop();

// A program in the test program's own folder, by file name.
std::string BesideTestProgram(const std::string& fileName);

class Program {
  public:
    // Starts `exe` with `arguments` (appended after a space when not empty)
    // and, unless told otherwise, waits until it first waits for input.
    Program(const std::string& exe, const std::string& arguments = "",
            const std::string& folder = "", bool waitUntilIdle = true);
    ~Program();  // ends the process if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD pid() const { return pid_; }
    // Waits for the process to end; its exit code, or STILL_ACTIVE on timeout.
    DWORD WaitForExit(DWORD timeoutMs = 10000);
    bool Running();
    // Ends the process at once, as a kill from outside would.
    void Kill();

  private:
    KernelHandle process_;
    DWORD pid_ = 0;
};

// The process's top-level windows of a class (and title, when given), in
// z-order. Hidden windows count.
std::vector<HWND> TopWindows(DWORD pid, const char* className, const char* title = nullptr);

// Waits for the first such window.
HWND WaitForWindow(DWORD pid, const char* className, const char* title = nullptr,
                   DWORD timeoutMs = 10000);

std::string WindowText(HWND window);

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    explicit operator bool() const { return window != nullptr; }
};

// Waits for a visible message box of the process.
MessageBoxSeen WaitForMessageBox(DWORD pid, DWORD timeoutMs = 10000);

// Presses a button of a dialog by its ID (IDOK, IDCANCEL) and waits until
// the dialog has gone.
bool PressDialogButton(HWND dialog, int buttonId, DWORD timeoutMs = 5000);

// The lines of a list box, in its order. Works across processes: the system
// carries list box messages over.
std::vector<std::string> ListBoxLines(HWND list);

// Clicks a button as the mouse would. Posted, so the caller is free to deal
// with whatever the click opens (a dialog, a message box).
void ClickButton(HWND button);

// The descendants of `parent` of a class, at any depth.
std::vector<HWND> ChildWindows(HWND parent, const char* className);

// Types `path` into the file name field of an open-file dialog and presses
// its Open button. False when the dialog has no such field or stays open.
bool ChooseInOpenFileDialog(HWND dialog, const std::string& path);

// Waits until the agent's window tells that no run is copying or about to
// start; its runs go on in a thread of their own. False on timeout.
bool WaitWhileAgentRuns(HWND agentWindow, DWORD timeoutMs = 60000);

// Waits until `condition` holds, polling; false on timeout.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

}  // namespace sorel::test
