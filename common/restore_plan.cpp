#include "restore_plan.h"

namespace sorel {

std::string RestoreSource(const PathParts& parts, int generation) {
    return GenerationPath(parts, generation, kSettingsFolderSpelling);
}

std::vector<RestoreCopy> PlanRestore(const std::string& listedPath, const PathParts& parts,
                                     int generation) {
    const std::string source = RestoreSource(parts, generation);
    if (source.empty()) {
        return {};
    }
    const std::string storeFolder = BackupFolderPath(parts, kSettingsFolderSpelling) + "\\";
    std::vector<RestoreCopy> plan = {{source, listedPath, parts.drive + parts.folder, true}};
    for (int newer = generation - 1; newer >= 1; --newer) {
        plan.push_back(
            {source, GenerationPath(parts, newer, kSettingsFolderSpelling), storeFolder, false});
    }
    return plan;
}

}  // namespace sorel
