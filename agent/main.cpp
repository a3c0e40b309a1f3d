// Sorel2: the backup agent.
#include <windows.h>

#include <cstring>

#include "backup_run.h"

namespace {

// Everything the agent holds from the settings file.
sorel::HeldSettings Held;

// The keyword in the command line that suppresses the start-up run.
constexpr char kNoStartupRunKeyword[] = "kirum";

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (std::strstr(GetCommandLineA(), kNoStartupRunKeyword) == nullptr) {
        sorel::ReadBackupList(Held);
        sorel::RunBackup(Held);
    }
    return 0;
}
