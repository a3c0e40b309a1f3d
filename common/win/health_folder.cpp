#include "health_folder.h"

#include <windows.h>
#include <shlobj.h>

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

}  // namespace sorel
