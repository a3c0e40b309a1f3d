#include "check_worker.h"

#include "agent_messages.h"

namespace sorel {

namespace {

using BlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using BlockReasonDestroy = BOOL(WINAPI*)(HWND);

// Looked up at run time: older headers and some Wine versions lack them.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC found = user32 ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// What Windows shows beside the agent when a log-off has to wait for it.
void GiveShutdownReason(HWND window) {
    static const auto create = User32Function<BlockReasonCreate>("ShutdownBlockReasonCreate");
    if (create) {
        create(window, L"バックアップ中です");
    }
}

void WithdrawShutdownReason(HWND window) {
    static const auto destroy = User32Function<BlockReasonDestroy>("ShutdownBlockReasonDestroy");
    if (destroy) {
        destroy(window);
    }
}

}  // namespace

bool RenameTellingSteps::Copy(const std::string& from, const std::string& to,
                              const std::atomic<bool>* stop, ContentHasher* hash) {
    control_.renaming = false;
    return inner_.Copy(from, to, stop, hash);
}

bool RenameTellingSteps::Rename(const std::string& from, const std::string& to, bool replace) {
    control_.renaming = true;
    return inner_.Rename(from, to, replace);
}

bool RenameTellingSteps::RenameAtPlace(const std::string& from, const std::string& to,
                                       bool replace) {
    // Not told: a log-off never waits on the place.
    control_.renaming = false;
    return inner_.RenameAtPlace(from, to, replace);
}

void RenameTellingSteps::FileDone() {
    control_.renaming = false;
    inner_.FileDone();
}

void RenameTellingSteps::RunBesideFilesDone(const RunReport& report) {
    AcquireSRWLockExclusive(&soFar_.lock);
    soFar_.report = report;
    soFar_.done = true;
    ReleaseSRWLockExclusive(&soFar_.lock);
}

CheckWorker::~CheckWorker() {
    if (thread_) {
        RequestStop();
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

bool CheckWorker::Start(HWND window, const HeldSettings& held, RunJob job) {
    if (thread_) {
        return false;
    }
    window_ = window;
    job_ = job;
    held_ = held;
    report_ = {};
    control_.stop = false;
    control_.renaming = false;
    // No thread runs now: nothing else touches what the last run kept.
    soFar_.done = false;
    soFar_.report = {};
    thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    if (!thread_) {
        return false;
    }
    GiveShutdownReason(window_);
    return true;
}

void CheckWorker::RequestStop() {
    if (!control_.stop.exchange(true)) {
        stopAskedAt_ = GetTickCount();
    }
}

bool CheckWorker::WaitAtMost(DWORD milliseconds) {
    if (!thread_) {
        return true;
    }
    RequestStop();
    constexpr DWORD kPollMs = 10;
    while (WaitForSingleObject(thread_.get(), kPollMs) == WAIT_TIMEOUT) {
        if (GetTickCount() - stopAskedAt_ >= milliseconds && !control_.renaming) {
            return false;
        }
    }
    return true;
}

bool CheckWorker::Finish(HeldSettings& held, RunReport& report) {
    if (!thread_) {
        return false;
    }
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
    WithdrawShutdownReason(window_);
    // The schedule stays as the timer last read it.
    held.headerLine = held_.headerLine;
    held.dateLine = held_.dateLine;
    held.backupTable = held_.backupTable;
    report = std::move(report_);
    return true;
}

bool CheckWorker::ReportSoFar(RunReport& report) {
    AcquireSRWLockExclusive(&soFar_.lock);
    // Taken once: the later steps of the same end find nothing more to record.
    const bool taken = thread_ && soFar_.done;
    if (taken) {
        report = std::move(soFar_.report);
        soFar_.done = false;
    }
    ReleaseSRWLockExclusive(&soFar_.lock);
    return taken;
}

DWORD WINAPI CheckWorker::ThreadMain(void* self) {
    auto* worker = static_cast<CheckWorker*>(self);
    try {
        RenameTellingSteps steps(SystemFileSteps(), worker->control_, worker->soFar_);
        worker->report_ = worker->job_(worker->held_, &worker->control_.stop, steps);
    } catch (...) {
        // Out of memory in the middle of a run: the run simply ends.
        worker->report_ = {};
    }
    worker->control_.renaming = false;
    PostMessageA(worker->window_, kRunDoneMessage, 0, 0);
    return 0;
}

}  // namespace sorel
