#include "rotation.h"

namespace sorel {

BackupDecision DecideBackup(const PathParts& parts, const std::string& sourceDate, bool sameDate) {
    if (parts.Empty()) {
        return BackupDecision::kNoLocation;
    }
    if (sourceDate.empty()) {
        return BackupDecision::kUnreadable;
    }
    return sameDate ? BackupDecision::kUnchanged : BackupDecision::kBackUp;
}

std::vector<RotationStep> PlanRotation(const std::string& listedPath, const PathParts& parts) {
    std::string incoming = IncomingPath(parts);
    return {
        {StepKind::kCopyIn, listedPath, incoming},
        {StepKind::kShift, GenerationPath(parts, 2), GenerationPath(parts, 3)},
        {StepKind::kShift, GenerationPath(parts, 1), GenerationPath(parts, 2)},
        {StepKind::kShift, incoming, GenerationPath(parts, 1)},
    };
}

}  // namespace sorel
