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

std::string SafetyFolderPath(const PathParts& parts) {
    if (parts.Empty()) {
        return {};
    }
    return BackupFolderPath(parts, kSettingsFolderSpelling) + "\\復元前";
}

std::vector<RestoreCopy> PlanSafetyCopies(const std::string& listedPath, const PathParts& parts,
                                          int generation) {
    static const char* const kPrefixes[] = {"", "11", "22"};
    std::vector<RestoreCopy> copies;
    const std::string folder = SafetyFolderPath(parts) + "\\";
    const std::string name = parts.name + parts.extension;
    // The same files PlanRestore overwrites, in its order.
    for (const RestoreCopy& copy : PlanRestore(listedPath, parts, generation)) {
        const int newer = copy.overListedFile ? 0 : generation - static_cast<int>(copies.size());
        copies.push_back({copy.to, folder + kPrefixes[newer] + name, folder, copy.overListedFile});
    }
    return copies;
}

}  // namespace sorel
