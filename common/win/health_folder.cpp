#include "health_folder.h"

#include <windows.h>
#include <shlobj.h>

#include "files.h"

namespace sorel {

std::string HealthFolderPath() {
    char folder[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        folder[0] == '\0') {
        return {};
    }
    return std::string(folder) + "\\Sorel\\";
}

std::string AcceptedStatesPath() {
    const std::string folder = HealthFolderPath();
    return folder.empty() ? folder : folder + "accepted.txt";
}

std::vector<AcceptedState> ReadAcceptedStates() {
    std::string bytes;
    const std::string path = AcceptedStatesPath();
    if (path.empty() || ReadFileExclusiveRetrying(path, bytes) != ReadResult::kOk) {
        return {};
    }
    return ParseAcceptedStates(bytes);
}

bool WriteAcceptedStates(const std::vector<AcceptedState>& states) {
    const std::string path = AcceptedStatesPath();
    if (path.empty()) {
        return false;
    }
    CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
    return ReplaceFileContent(path, FormatAcceptedStates(states), path + ".tmp");
}

bool IsAcceptedState(const std::vector<AcceptedState>& accepted, const std::string& path,
                     std::uint64_t lastWrite, std::uint64_t size) {
    for (const AcceptedState& state : accepted) {
        if (state.lastWrite == lastWrite && state.size == size && TextsEqual(state.path, path)) {
            return true;
        }
    }
    return false;
}

}  // namespace sorel
