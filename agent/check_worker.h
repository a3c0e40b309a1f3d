// Copies on a thread of its own, so that the agent's window goes on answering
// the system, painting the notice and serving the tray icon while a long run
// lasts. One run at a time; everything that follows a run is left to the
// window thread.
#pragma once

#include <windows.h>

#include <atomic>

#include "backup_run.h"
#include "unique_handle.h"

namespace sorel {

// What a run does on the copying thread: read the list into `held`, then
// copy, starting no further file once `stop` is set.
using RunJob = RunReport (*)(HeldSettings& held, const std::atomic<bool>* stop);

class CheckWorker {
  public:
    CheckWorker() = default;
    CheckWorker(const CheckWorker&) = delete;
    CheckWorker& operator=(const CheckWorker&) = delete;
    ~CheckWorker();  // stops and waits for a run still going

    // On the window thread: starts `job` with a copy of `held`, so that the
    // timer may go on reading the schedule into `held` meanwhile. The thread
    // posts kRunDoneMessage to `window` when it is done. While it runs,
    // Windows is given a reason to wait at log-off. False when a run is
    // already going or the thread cannot be started.
    bool Start(HWND window, const HeldSettings& held, RunJob job);

    bool Running() const { return static_cast<bool>(thread_); }

    // Asks the run to start no further file; the file in progress is finished.
    void RequestStop() { stop_ = true; }

    // On the window thread: waits until the run is over, puts the list and
    // the lines it read into `held` and hands back its report. False when no
    // run was going.
    bool Finish(HeldSettings& held, RunReport& report);

  private:
    static DWORD WINAPI ThreadMain(void* self);

    KernelHandle thread_;
    std::atomic<bool> stop_{false};
    HWND window_ = nullptr;
    RunJob job_ = nullptr;
    // Touched by the thread only while it runs, by the window thread only
    // before it starts and after it has ended.
    HeldSettings held_;
    RunReport report_;
};

}  // namespace sorel
