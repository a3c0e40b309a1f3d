// Sorel2: the resident backup agent. One hidden topmost window owns the tray
// icon and the 5-second timer; it becomes the notice while a check runs. The
// copying is done by a thread of its own, so the window keeps answering.
#include <windows.h>
#include <shellapi.h>

#include "agent_messages.h"
#include "backup_run.h"
#include "check_worker.h"
#include "health_folder.h"
#include "health_win.h"
#include "hour_check.h"
#include "notice.h"
#include "process_setup.h"
#include "resource.h"
#include "tray.h"
#include "unique_handle.h"

namespace {

using namespace sorel;

constexpr UINT_PTR kTimerId = 100;
constexpr UINT kTimerPeriodMs = 5000;
// In the command line, suppresses the start-up run.
constexpr char kNoStartupRunKeyword[] = "kirum";
// An hour the clock never shows: no hour check starts once the agent quits.
constexpr char kNoHour[] = "25";

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
// A message box's own loop goes on handling messages: this keeps a second
// quit question from opening inside the first.
bool QuitQuestionOpen;
bool SettingsNoticeOpen;
// The run in progress, one at a time; and what waits for it to end.
CheckWorker Worker;
// Adding the tray icon waits on Explorer and answers sent messages meanwhile,
// before the start-up run is even asked for: until start-up is over the
// agent counts as busy.
bool StartingUp = true;
bool StartUpRunPending;
bool CheckWaiting;
bool CloseAfterRun;
// Between a log-off's question and its end no new run starts.
bool SessionEnding;

// Everything that follows a run, on the window thread, with what the run
// did with each file.
void OnRunFinished(const RunReport& report) {
    // A check that found today recorded visited no file: nothing to note.
    if (!report.files.empty()) {
        ReportRunHealth(report, LocalNow(), HealthFolderPath(), AgentTray, RememberedHealth);
    }
}

// The two runs, as the copying thread carries them out.
RunReport StartUpRunJob(HeldSettings& held, const std::atomic<bool>* stop) {
    ReadBackupList(held);
    return RunBackup(held, stop);
}

RunReport CheckJob(HeldSettings& held, const std::atomic<bool>* stop) {
    ReadBackupList(held);
    return RunBackupIfNewDay(held, stop);
}

bool MayStartRun() {
    return !SessionEnding && !CloseAfterRun && !Worker.Running();
}

// The start-up run, hidden, in the copying thread.
void OnStartUpRun() {
    StartUpRunPending = false;
    if (MayStartRun()) {
        Worker.Start(AgentWindow, Held, StartUpRunJob);
    }
}

// Show the notice, then read the list and back up unless today is recorded;
// the notice goes when the run reports back. A check that falls due during
// another run follows it.
void RunCheck() {
    if (Worker.Running()) {
        CheckWaiting = true;
        return;
    }
    if (!MayStartRun()) {
        return;
    }
    ShowNotice(AgentWindow);
    if (!Worker.Start(AgentWindow, Held, CheckJob)) {
        HideNotice(AgentWindow);
    }
}

// Everything that follows a run happens here, on the window thread: at the
// run's own message, or at once when the agent has to end.
void FinishRun() {
    RunReport report;
    if (!Worker.Finish(Held, report)) {
        return;
    }
    HideNotice(AgentWindow);
    // A failure in what follows must not keep a close or a waiting check
    // from going ahead.
    try {
        OnRunFinished(report);
    } catch (...) {
    }
}

void OnRunDone() {
    FinishRun();
    if (CloseAfterRun) {
        DestroyWindow(AgentWindow);
    } else if (CheckWaiting) {
        CheckWaiting = false;
        RunCheck();
    }
}

// A close during a run ends the agent once the file being copied is whole;
// the files after it wait for the next run.
void OnClose(HWND window) {
    if (Worker.Running()) {
        CloseAfterRun = true;
        Worker.RequestStop();
        return;
    }
    DestroyWindow(window);
}

// Log-off or shutdown is coming: start no further file. Answered at once, so
// Windows need not wait for the agent to decide.
LRESULT OnQueryEndSession() {
    SessionEnding = true;
    Worker.RequestStop();
    return TRUE;
}

// The process may be ended as soon as this returns: the file being copied
// is finished first, so no rotation is left halfway.
void OnEndSession(bool ending) {
    if (!ending) {
        SessionEnding = false;
        return;
    }
    Worker.RequestStop();
    FinishRun();
}

void OnTimerTick() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (AdvanceTick(HourCheck, now.wHour, Held.scheduleHour)) {
        RunCheck();
    }
    // Every tick, so an hour picked in the settings window counts within one tick.
    ReadScheduleHeader(Held);
}

void OnResumeFromSuspend() {
    RunCheck();
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
        AgentTray.Remove();
        SendMessageA(AgentWindow, WM_CLOSE, 0, 0);
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

void StartAgent() {
    SingleInstanceMutex.reset(CreateMutexA(nullptr, FALSE, "Sorel2.exe"));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
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

    if (!ArgumentsContain(GetCommandLineA(), kNoStartupRunKeyword)) {
        // The start-up run has no date test and shows no notice.
        // It begins once the window is created and the schedule read below,
        // so that the two reads of the settings file do not meet.
        StartUpRunPending = PostMessageA(AgentWindow, kStartUpRunMessage, 0, 0);
    }
    SetTimer(AgentWindow, kTimerId, kTimerPeriodMs, nullptr);
    ReadScheduleHeader(Held);
}

void QuitAgent() {
    ReleaseNoticeFontAndBrush();
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

LRESULT OnCreate(HWND window) {
    AgentWindow = window;
    CreateNoticeControls(window, Instance);
    StartAgent();
    StartingUp = false;
    return 0;
}

void OnDestroy() {
    Worker.RequestStop();
    FinishRun();
    QuitAgent();
    ReleaseNoticePictures();
}

LRESULT MainHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window);
        case WM_TIMER:
            OnTimerTick();
            return 0;
        case WM_CLOSE:
            OnClose(window);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_QUERYENDSESSION:
            return OnQueryEndSession();
        case WM_ENDSESSION:
            OnEndSession(wParam != FALSE);
            return 0;
        case kRunDoneMessage:
            OnRunDone();
            return 0;
        case kStartUpRunMessage:
            OnStartUpRun();
            return 0;
        case kRunInProgressQuery:
            return StartingUp || StartUpRunPending || Worker.Running();
        default:
            break;
    }
    if (message == TaskbarCreatedMessage && TaskbarCreatedMessage != 0) {
        OnTaskbarCreated();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The class's procedure: the resume check, then the main handler.
LRESULT CALLBACK AgentWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMESUSPEND) {
            OnResumeFromSuspend();
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
    Instance = instance;
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    if (!RegisterNoticeClass(instance, AgentWindowProc)) {
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
    // A quit that did not come through the window: no run is cut off halfway.
    Worker.RequestStop();
    FinishRun();
    return 0;
}
