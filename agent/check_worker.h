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
// copy through `steps`, starting no further file once `control.stop` is set.
using RunJob = RunReport (*)(HeldSettings& held, const std::atomic<bool>* stop, FileSteps& steps);

// The run beside the files, once it is over, kept for a run that a log-off
// cuts off later while it copies to the place. A slim lock of the system's
// own: the standard mutex would bring a threads library into the program.
struct RunSoFar {
    SRWLOCK lock = SRWLOCK_INIT;
    bool done = false;
    RunReport report;
};

// The system's file steps, telling `control` while a rotation renames: from
// the first rename after a copy until the file's steps are over.
class RenameTellingSteps : public FileSteps {
  public:
    RenameTellingSteps(FileSteps& inner, RunControl& control, RunSoFar& soFar)
        : inner_(inner), control_(control), soFar_(soFar) {}
    bool Copy(const std::string& from, const std::string& to, const std::atomic<bool>* stop,
              ContentHasher* hash) override;
    bool Rename(const std::string& from, const std::string& to, bool replace) override;
    bool RenameAtPlace(const std::string& from, const std::string& to, bool replace) override;
    void FileDone() override;
    void RunBesideFilesDone(const RunReport& report) override;

  private:
    FileSteps& inner_;
    RunControl& control_;
    RunSoFar& soFar_;
};

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

    // Asks the run to start no further file, and to stop its copy where the
    // system allows.
    void RequestStop();

    // On the window thread: waits until `milliseconds` after the first stop
    // request for the run to end, and longer while it renames. False when it still copies then:
    // ending the process cuts that copy off, which leaves only an incoming copy.
    bool WaitAtMost(DWORD milliseconds);

    // On the window thread: waits until the run is over, puts the list and
    // the lines it read into `held` and hands back its report. False when no
    // run was going.
    bool Finish(HeldSettings& held, RunReport& report);

    // On the window thread, for a run cut off while it copies to the place:
    // the report of its run beside the files, when that part was over,
    // without the second copies. False when there is none.
    bool ReportSoFar(RunReport& report);

  private:
    static DWORD WINAPI ThreadMain(void* self);

    KernelHandle thread_;
    RunControl control_;
    RunSoFar soFar_;
    DWORD stopAskedAt_ = 0;
    HWND window_ = nullptr;
    RunJob job_ = nullptr;
    // Touched by the thread only while it runs, by the window thread only
    // before it starts and after it has ended.
    HeldSettings held_;
    RunReport report_;
};

}  // namespace sorel
