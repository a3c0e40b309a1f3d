#include "process_setup.h"

#include <windows.h>

#include <string>

#include "../common/store_path.h"
#include "../common/win/error_mode.h"
#include "../common/win/files.h"

namespace sorel {

namespace {

// The agent's own folder; the Windows folder when the agent runs from a
// network path or its path cannot be told.
std::string SteadyFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        PathParts parts = SplitPath(std::string_view(path, length), IsSystemLeadByte);
        if (!parts.Empty()) {
            return parts.drive + parts.folder;
        }
    }
    UINT windows = GetWindowsDirectoryA(path, MAX_PATH);
    return windows > 0 && windows < MAX_PATH ? std::string(path, windows) : std::string();
}

}  // namespace

void PrepareAgentProcess() {
    QuietCriticalErrors();
    std::string folder = SteadyFolder();
    if (!folder.empty()) {
        SetCurrentDirectoryA(folder.c_str());
    }
}

}  // namespace sorel
