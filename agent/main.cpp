// Sorel2: the resident backup agent. One hidden topmost window owns the tray
// icon and the 5-second timer; it becomes the notice while a check runs. The
// copying is done by a thread of its own, so the window keeps answering.
#include <windows.h>
#include <shellapi.h>
#include <dbt.h>

#include <algorithm>
#include <cstdlib>

#include "agent_life.h"
#include "agent_messages.h"
#include "backup_run.h"
#include "check_worker.h"
#include "health_folder.h"
#include "health_win.h"
#include "hour_check.h"
#include "notice.h"
#include "process_setup.h"
#include "program_start.h"
#include "resource.h"
#include "second_copy.h"
#include "tray.h"
#include "unique_handle.h"

namespace {

using namespace sorel;

constexpr UINT_PTR kTimerId = 100;
constexpr UINT kTimerPeriodMs = 5000;
// In the command line, suppresses the start-up run.
constexpr char kNoStartupRunKeyword[] = "kirum";
// An hour the clock never shows: no hour check before the settings are read,
// nor once the agent quits.
constexpr char kNoHour[] = "25";

// Between the question of the tray or a log-off and the process's end, the
// run gets this long to end; a copy still going is then cut off.
constexpr DWORD kCutOffWaitMs = 2000;
// A new start waits this long for an agent that is ending to go.
constexpr DWORD kEndingAgentWaitMs = 5000;
// After the PC wakes, network and USB drives take a while to come back.
constexpr DWORD kResumeWaitMs = 30000;
constexpr UINT_PTR kResumeTimerId = 101;
// Tests wait less than half a minute for the check after a resume.
constexpr char kResumeWaitVariable[] = "SOREL2_RESUME_WAIT_MS";
// A drive that arrives is announced before Explorer and the system have
// finished with it: the place is looked for a little later.
constexpr DWORD kArrivalWaitMs = 5000;
constexpr UINT_PTR kArrivalTimerId = 102;
constexpr char kArrivalWaitVariable[] = "SOREL2_ARRIVAL_WAIT_MS";

// The program-wide values.
HINSTANCE Instance;
HWND AgentWindow;
HeldSettings Held;
HourCheckState HourCheck;
KernelHandle SingleInstanceMutex;
TrayIcon AgentTray;
// The health record as the last run left it, for the tip and the balloon when
// the record's file cannot be used.
HealthRecord RememberedHealth;
WNDPROC ReplacedWindowProc;
// Explorer sends this after it restarts; the icons it showed are gone then.
UINT TaskbarCreatedMessage;
// Where the agent is in its life; every change goes through Dispatch.
LifeState Life = LifeState::kStarting;
// A message box's own loop goes on handling messages: these keep a second
// box from opening inside the first.
bool QuitQuestionOpen;
bool SettingsNoticeOpen;
// The run in progress, one at a time.
CheckWorker Worker;
// While an ended run's report goes into the record and the log.
bool RecordingRun;

// Everything that follows a run, on the window thread, with what the run
// did with each file.
void OnRunFinished(const RunReport& report) {
    // A check that found today recorded visited no file: only its second
    // copies may be worth noting.
    if (!report.files.empty() || report.place.chosen) {
        ReportRunHealth(report, LocalNow(), HealthFolderPath(), AgentTray, RememberedHealth);
    }
}

// After the run beside the files, on the same thread: the generations never
// wait for a drive or share that is slow to answer.
RunReport WithSecondCopies(RunReport report, const HeldSettings& held,
                           const std::atomic<bool>* stop, FileSteps& steps) {
    steps.RunBesideFilesDone(report);
    // A log-off or quit asked for during the run beside the files starts no
    // search, and a search for a share that does not answer is cut off
    // like a copy, not waited for like a rename.
    if (Stopped(stop)) {
        return report;
    }
    // Content held back gets no second copy either: the copy at the second
    // place must not take the state the guard kept out of the generations.
    std::vector<std::string> paths = TablePaths(held.backupTable);
    const std::vector<AcceptedState> accepted = ReadAcceptedStates();
    paths.erase(
        std::remove_if(paths.begin(), paths.end(),
                       [&](const std::string& path) { return HeldBackNow(path, accepted); }),
        paths.end());
    report.place = RunSecondCopies(HealthFolderPath(), paths, stop, steps);
    return report;
}

// The runs, as the copying thread carries them out: the start-up run (and
// the one that takes up the files a cancelled log-off left) has no date test.
RunReport FullRunJob(HeldSettings& held, const std::atomic<bool>* stop, FileSteps& steps) {
    ReadBackupList(held);
    return WithSecondCopies(RunBackup(held, stop, steps), held, stop, steps);
}

RunReport CheckJob(HeldSettings& held, const std::atomic<bool>* stop, FileSteps& steps) {
    ReadBackupList(held);
    // A check that finds today recorded still makes the second copies that
    // are missing: the drive may have been away at the day's first run.
    return WithSecondCopies(RunBackupIfNewDay(held, stop, steps), held, stop, steps);
}

// A drive came: only the second copies that are missing.
RunReport SecondCopiesJob(HeldSettings& held, const std::atomic<bool>* stop, FileSteps& steps) {
    ReadBackupList(held);
    return WithSecondCopies({}, held, stop, steps);
}

void StartRun(RunJob job, bool withNotice) {
    if (withNotice) {
        ShowNotice(AgentWindow);
    }
    if (!Worker.Start(AgentWindow, Held, job)) {
        // Taken as a run that ended at once, so the state follows.
        PostMessageA(AgentWindow, kRunDoneMessage, 0, 0);
    }
}

// Takes the ended run's report and records it. The files a quit left are
// told apart from those a log-off left. A run still copying to the place
// when the agent must end is recorded as far as its run beside the files.
void FinishRun(bool asQuit, bool cutOff = false) {
    RunReport report;
    if (cutOff ? !Worker.ReportSoFar(report) : !Worker.Finish(Held, report)) {
        return;
    }
    if (asQuit) {
        MarkLeftByQuit(report);
    }
    // A failure in what follows must not keep a close or a waiting check
    // from going ahead. Until the record and the log are written the run
    // is not over for those who ask.
    RecordingRun = true;
    try {
        OnRunFinished(report);
    } catch (...) {
    }
    RecordingRun = false;
}

void QuitAgent() {
    ReleaseNoticeFontAndBrush();
    KillTimer(AgentWindow, kTimerId);
    KillTimer(AgentWindow, kResumeTimerId);
    KillTimer(AgentWindow, kArrivalTimerId);
    // Also after an addition reported as failed: it may have timed out with
    // the icon in place. Removed once only: under Wine each removal waits on
    // the tray.
    AgentTray.Remove();
    if (ReplacedWindowProc) {
        SetWindowLongPtrA(AgentWindow, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(ReplacedWindowProc));
        ReplacedWindowProc = nullptr;
    }
    PostQuitMessage(0);
    Held.scheduleHour = kNoHour;
}

// The actions of one step, in the order they are listed in.
void CarryOut(unsigned actions) {
    if (actions & kStopRun) {
        Worker.RequestStop();
    }
    if (actions & kRemoveIcon) {
        AgentTray.Remove();
    }
    if (actions & kHideNotice) {
        HideNotice(AgentWindow);
    }
    if (actions & kFinishRun) {
        FinishRun(false);
    }
    if (actions & kCutOffRun) {
        const bool ended = Worker.WaitAtMost(kCutOffWaitMs);
        FinishRun((actions & kAsQuit) != 0, !ended);
    }
    if (actions & kStartStartUpRun) {
        StartRun(FullRunJob, false);
    }
    if (actions & kStartCheck) {
        StartRun(CheckJob, true);
    }
    if (actions & kStartCatchUp) {
        StartRun(FullRunJob, false);
    }
    if (actions & kStartSecondCopies) {
        StartRun(SecondCopiesJob, false);
    }
    if (actions & kDestroyWindow) {
        DestroyWindow(AgentWindow);
    }
    if (actions & kEndAgent) {
        QuitAgent();
    }
}

// The state changes before the actions are carried out: destroying the
// window, or a message box, comes back here with the next event.
void Dispatch(LifeEvent event) {
    const LifeStep step = NextLifeStep(Life, event);
    Life = step.next;
    CarryOut(step.actions);
}

// Local days as numbers that differ from day to day.
long DayNumber(const SYSTEMTIME& time) {
    return (static_cast<long>(time.wYear) * 13 + time.wMonth) * 32 + time.wDay;
}

void OnTimerTick() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (AdvanceTick(HourCheck, DayNumber(now), now.wHour, Held.scheduleHour)) {
        Dispatch(LifeEvent::kHourDue);
    }
    // Every tick, so an hour picked in the settings window counts within one tick.
    ReadScheduleHeader(Held);
}

void OnTimer(HWND window, UINT_PTR id) {
    if (id == kResumeTimerId) {
        KillTimer(window, kResumeTimerId);
        Dispatch(LifeEvent::kResumeDue);
    } else if (id == kArrivalTimerId) {
        KillTimer(window, kArrivalTimerId);
        Dispatch(LifeEvent::kVolumeArrived);
    } else if (id == kTimerId) {
        OnTimerTick();
    }
}

// A wait that tests shorten through the environment.
DWORD WaitMs(const char* variable, DWORD standard) {
    char text[16] = {};
    DWORD length = GetEnvironmentVariableA(variable, text, sizeof text);
    return length > 0 && length < sizeof text ? std::strtoul(text, nullptr, 10) : standard;
}

// The check after a resume waits for the drives; a second resume meanwhile
// starts the wait again.
void OnResumeFromSuspend(HWND window) {
    if (Life != LifeState::kEnded) {
        SetTimer(window, kResumeTimerId, WaitMs(kResumeWaitVariable, kResumeWaitMs), nullptr);
    }
}

// A volume arrived (a USB drive plugged in, a disk mounted): the place may
// be back. Only this announcement starts a look; no drive is ever polled. A
// second arrival meanwhile starts the wait again.
LRESULT OnDeviceChange(HWND window, WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (wParam == DBT_DEVICEARRIVAL && header && header->dbch_devicetype == DBT_DEVTYP_VOLUME &&
        Life != LifeState::kEnded) {
        SetTimer(window, kArrivalTimerId, WaitMs(kArrivalWaitVariable, kArrivalWaitMs), nullptr);
    }
    return TRUE;
}

// The user closes the notice (its × button, Alt+F4): it goes for the rest of
// the run, and the agent stays. Other system commands as usual.
LRESULT OnSysCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        Dispatch(LifeEvent::kNoticeClosed);
        return 0;
    }
    return DefWindowProcA(window, WM_SYSCOMMAND, wParam, lParam);
}

void OnTrayNotify() {
    if (QuitQuestionOpen) {
        return;
    }
    QuitQuestionOpen = true;
    int answer =
        MessageBoxA(AgentWindow, "Ｓｏｒｅｌ２を終了しまっか？？", "", MB_OKCANCEL | MB_DEFBUTTON2);
    QuitQuestionOpen = false;
    if (answer == IDOK && IsWindow(AgentWindow)) {
        Dispatch(LifeEvent::kQuitAnswered);
    }
}

// A double click on the icon or a click on the balloon: the settings window,
// where the user can see and change what is backed up.
void OnTrayOpenSettings() {
    if (SettingsNoticeOpen || OpenSettingsWindow()) {
        return;
    }
    SettingsNoticeOpen = true;
    MessageBoxA(AgentWindow,
                "Ｓｏｒｅｌ が見つからへんかったで。\r\nＳｏｒｅｌ.exe を一回起動しといてな。", "",
                MB_OK | MB_ICONEXCLAMATION);
    SettingsNoticeOpen = false;
}

// A taskbar that starts late, or Explorer after a restart, shows no icon it
// did not get: add it again, unless the agent is quitting.
void OnTaskbarCreated() {
    if (ReplacedWindowProc != nullptr) {
        AgentTray.AddAgain();
    }
}

// Installed over the window procedure once the agent is resident: every
// message goes to the replaced procedure first, then the tray click is looked at.
LRESULT CALLBACK TrayHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcA(ReplacedWindowProc, window, message, wParam, lParam);
    if (message == kTrayCallbackMessage && lParam == WM_RBUTTONDOWN) {
        OnTrayNotify();
    } else if (message == kTrayCallbackMessage &&
               (lParam == WM_LBUTTONDBLCLK || lParam == NIN_BALLOONUSERCLICK)) {
        OnTrayOpenSettings();
    }
    return result;
}

// Another copy may be ending still, cutting its run off: it is given a few
// seconds to go. False when one still runs then.
bool TakeSingleCopyMutex() {
    constexpr DWORD kStepMs = 100;
    for (DWORD waited = 0;; waited += kStepMs) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, "Sorel2.exe");
        const bool another = GetLastError() == ERROR_ALREADY_EXISTS;
        SingleInstanceMutex.reset(mutex);
        if (!another) {
            return true;
        }
        SingleInstanceMutex.reset();
        if (waited >= kEndingAgentWaitMs) {
            return false;
        }
        Sleep(kStepMs);
    }
}

void StartAgent() {
    if (!TakeSingleCopyMutex()) {
        // Another copy runs: end without an icon, a run or a timer.
        SendMessageA(AgentWindow, WM_CLOSE, 0, 0);
        return;
    }
    HICON icon = LoadIconA(Instance, MAKEINTRESOURCEA(IDI_AGENT));
    ReplacedWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(AgentWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TrayHandler)));

    if (!AgentTray.Add(AgentWindow, icon)) {
        MessageBoxA(AgentWindow, "タスクトレイ エラー！", "", MB_OK);
    }

    // The start-up run has no date test and shows no notice. It begins once
    // the window is created and the schedule read below, so that the two
    // reads of the settings file do not meet.
    const bool startUpRun = !ArgumentsContain(GetCommandLineA(), kNoStartupRunKeyword) &&
                            PostMessageA(AgentWindow, kStartUpRunMessage, 0, 0);
    SetTimer(AgentWindow, kTimerId, kTimerPeriodMs, nullptr);
    ReadScheduleHeader(Held);
    Dispatch(startUpRun ? LifeEvent::kCreated : LifeEvent::kCreatedQuietly);
}

LRESULT OnCreate(HWND window) {
    AgentWindow = window;
    CreateNoticeControls(window, Instance);
    StartAgent();
    return 0;
}

void OnDestroy() {
    Dispatch(LifeEvent::kDestroy);
    ReleaseNoticePictures();
}

// Answered at once, so Windows need not wait for the agent to decide: no
// further file starts.
LRESULT OnQueryEndSession() {
    Dispatch(LifeEvent::kQueryEndSession);
    return TRUE;
}

// The session ends (or the Restart Manager asks the agent to close): the
// agent ends after a short wait for its run. A cancelled log-off takes up
// the files the run left.
void OnEndSession(bool ending) {
    Dispatch(ending ? LifeEvent::kEndSession : LifeEvent::kEndSessionCancelled);
}

LRESULT MainHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window);
        case WM_TIMER:
            OnTimer(window, wParam);
            return 0;
        case WM_CLOSE:
            Dispatch(LifeEvent::kClose);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_SYSCOMMAND:
            return OnSysCommand(window, wParam, lParam);
        case WM_DEVICECHANGE:
            return OnDeviceChange(window, wParam, lParam);
        case WM_QUERYENDSESSION:
            return OnQueryEndSession();
        case WM_ENDSESSION:
            OnEndSession(wParam != FALSE);
            return 0;
        case kRunDoneMessage:
            Dispatch(LifeEvent::kRunDone);
            return 0;
        case kStartUpRunMessage:
            Dispatch(LifeEvent::kStartUpRunDue);
            return 0;
        case kRunInProgressQuery:
            return LifeBusy(Life) || RecordingRun;
        default:
            break;
    }
    if (message == TaskbarCreatedMessage && TaskbarCreatedMessage != 0) {
        OnTaskbarCreated();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The class's procedure: the resume, then the main handler.
LRESULT CALLBACK AgentWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMESUSPEND) {
            OnResumeFromSuspend(window);
        }
        return MainHandler(window, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's code; the agent stays resident.
        return 0;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    PrepareAgentProcess();
    PrepareProgramStart();
    Instance = instance;
    // No hour check until the settings have been read.
    Held.scheduleHour = kNoHour;
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    if (!CreateNoticeLookAndRegisterClass(instance, AgentWindowProc)) {
        return 0;
    }
    // Pop-up with caption, system menu, sizing border and minimise box; never
    // visible at start. For a pop-up, CW_USEDEFAULT puts it at the top left.
    constexpr DWORD kAgentWindowStyle = 0x80CE0000;
    if (!CreateWindowExA(WS_EX_TOPMOST, "NORMAL0", "Ｓｏｒｅｌ", kAgentWindowStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, 402, 207, nullptr, nullptr, instance, nullptr)) {
        // A second copy ends here, its window destroyed during its creation.
        return 0;
    }
    MSG message;
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // A quit that did not come through the window gets the same short wait.
    if (Life != LifeState::kEnded) {
        Worker.RequestStop();
        FinishRun(true, !Worker.WaitAtMost(kCutOffWaitMs));
    }
    // A copy still going is cut off here, before anything the copying
    // thread uses is torn down.
    if (Worker.Running()) {
        ExitProcess(0);
    }
    return 0;
}
