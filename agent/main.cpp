// Sorel2: the resident backup agent. One hidden topmost window owns the tray
// icon and the 5-second timer; it becomes the notice while a check runs.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "backup_run.h"
#include "health_folder.h"
#include "health_win.h"
#include "hour_check.h"
#include "notice.h"
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
WNDPROC ReplacedWindowProc;
// Explorer sends this after it restarts; the icons it showed are gone then.
UINT TaskbarCreatedMessage;
// A check blocks the message loop, but a message box's own loop does not:
// these keep a second check or a second quit question from starting inside
// the first.
bool CheckRunning;
bool QuitQuestionOpen;
bool SettingsNoticeOpen;

// Everything that follows a run, on the window thread, with what the run
// did with each file.
void OnRunFinished(const RunReport& report) {
    // A check that found today recorded visited no file: nothing to note.
    if (!report.files.empty()) {
        ReportRunHealth(report, LocalNow(), HealthFolderPath(), AgentTray);
    }
}

// Show the notice, read the list, back up unless today is recorded, hide.
void RunCheck() {
    if (CheckRunning) {
        return;
    }
    // Cleared and hidden again even if the run throws, or every later check
    // would be skipped behind a notice that never goes.
    struct CheckScope {
        CheckScope() {
            CheckRunning = true;
            ShowNotice(AgentWindow);
        }
        ~CheckScope() {
            HideNotice(AgentWindow);
            CheckRunning = false;
        }
    } scope;
    ReadBackupList(Held);
    OnRunFinished(RunBackupIfNewDay(Held));
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
        ReadBackupList(Held);
        OnRunFinished(RunBackup(Held));
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
    return 0;
}

void OnDestroy() {
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
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
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
    return 0;
}
