// Times a program's start under Wine: from starting it until it first waits
// for input. For the settings window that is after it has loaded the settings
// and painted; for the agent, once it tells that its start-up run, which
// copies on a thread of its own, is over. Prints each run and the
// median. With "close", the program is asked to close through its windows
// (the agent then takes its icon away) instead of being ended at once.
//   startup_timer.exe PROGRAM [RUNS] [close]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../../agent/agent_messages.h"

namespace {

BOOL CALLBACK CloseWindowsOf(HWND window, LPARAM pid) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(pid)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

struct WindowsOf {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindowsOf(HWND window, LPARAM found) {
    auto* of = reinterpret_cast<WindowsOf*>(found);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == of->pid) {
        of->windows.push_back(window);
    }
    return TRUE;
}

bool HasAgentWindow(const WindowsOf& of) {
    char name[16];
    return std::any_of(of.windows.begin(), of.windows.end(), [&](HWND window) {
        return GetClassNameA(window, name, sizeof name) && std::strcmp(name, "NORMAL0") == 0;
    });
}

// Asks the process's windows, found once, whether a run is going on, until
// none says so; a window that does not know the question answers 0. Asked
// often, but only those windows: a walk over the whole desktop every time
// would keep Wine's server busy and slow the run being timed. The process
// may wait for input before its own window is made (Wine's start-up does),
// so the windows are looked for until the agent's is among them.
void WaitWhileRunning(DWORD pid) {
    WindowsOf of = {pid, {}};
    for (int looked = 0; looked < 10000 && !HasAgentWindow(of); ++looked) {
        of.windows.clear();
        EnumWindows(CollectWindowsOf, reinterpret_cast<LPARAM>(&of));
        if (!HasAgentWindow(of)) {
            Sleep(1);
        }
    }
    for (int asked = 0; asked < 60000; ++asked) {
        bool running = false;
        for (HWND window : of.windows) {
            DWORD_PTR answer = 0;
            running = running || (SendMessageTimeoutA(window, sorel::kRunInProgressQuery, 0, 0,
                                                      SMTO_NORMAL, 10000, &answer) &&
                                  answer != 0);
        }
        if (!running) {
            return;
        }
        Sleep(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_timer PROGRAM [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    const bool politely = argc > 3 && std::strcmp(argv[3], "close") == 0;
    // Only the agent has a run to wait for; asking the settings window's
    // windows would add the asking to its start.
    const bool agent = std::strstr(argv[1], "Sorel2.exe") != nullptr;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        char commandLine[MAX_PATH + 2];
        std::snprintf(commandLine, sizeof commandLine, "\"%s\"", argv[1]);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        LARGE_INTEGER start, idle;
        QueryPerformanceCounter(&start);
        if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            std::fprintf(stderr, "cannot start %s\n", argv[1]);
            return 1;
        }
        WaitForInputIdle(process.hProcess, 10000);
        if (agent) {
            WaitWhileRunning(process.dwProcessId);
        }
        QueryPerformanceCounter(&idle);
        times.push_back(1000.0 * (idle.QuadPart - start.QuadPart) / frequency.QuadPart);
        std::printf("run %d: %.0f ms\n", i + 1, times.back());
        if (politely) {
            EnumWindows(CloseWindowsOf, static_cast<LPARAM>(process.dwProcessId));
        }
        if (!politely || WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to first wait for input: median %.0f ms over %d runs\n",
                times[times.size() / 2], runs);
    return 0;
}
