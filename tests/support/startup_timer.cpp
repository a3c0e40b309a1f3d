// Times the settings window's start under Wine: from starting Sorel.exe until
// its window exists and the program first waits for input, which is after it
// has loaded the settings and painted. Prints each run and the median.
//   startup_timer.exe PATH\Sorel.exe [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_timer PROGRAM [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
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
        QueryPerformanceCounter(&idle);
        times.push_back(1000.0 * (idle.QuadPart - start.QuadPart) / frequency.QuadPart);
        std::printf("run %d: %.0f ms\n", i + 1, times.back());
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::sort(times.begin(), times.end());
    std::printf("settings window start to first idle: median %.0f ms over %d runs\n",
                times[times.size() / 2], runs);
    return 0;
}
