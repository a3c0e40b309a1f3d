#include "rotation.h"

namespace sorel {

BackupDecision DecideBackup(bool storable, const FileFacts& source, const FileFacts& gen1,
                            bool sameDay) {
    if (!storable) {
        return BackupDecision::kNoLocation;
    }
    if (source.presence != Presence::kReadable) {
        return BackupDecision::kUnreadable;
    }
    if (gen1.presence == Presence::kUnreadable) {
        return BackupDecision::kGenerationUnreadable;
    }
    if (gen1.presence == Presence::kMissing) {
        return BackupDecision::kBackUp;
    }
    if (source.lastWrite == gen1.lastWrite && source.size == gen1.size) {
        return BackupDecision::kUnchanged;
    }
    return sameDay ? BackupDecision::kReplaceToday : BackupDecision::kBackUp;
}

std::vector<RotationStep> PlanRotation(const std::string& listedPath, const PathParts& parts,
                                       const Presence (&generations)[3]) {
    int firstGap = 4;  // 1 to 3, or 4 when all three are there
    for (int n = 3; n >= 1; --n) {
        if (generations[n - 1] == Presence::kUnreadable) {
            return {};
        }
        if (generations[n - 1] == Presence::kMissing) {
            firstGap = n;
        }
    }
    const std::string incoming = IncomingPath(parts);
    std::vector<RotationStep> plan = {{StepKind::kCopyIn, listedPath, incoming}};
    // With all three there, generation 3 is the one the rotation gives up.
    const int top = firstGap == 4 ? 3 : firstGap;
    for (int n = top; n >= 2; --n) {
        plan.push_back({StepKind::kShift, GenerationPath(parts, n - 1), GenerationPath(parts, n),
                        n == 3 && firstGap == 4});
    }
    plan.push_back({StepKind::kShift, incoming, GenerationPath(parts, 1)});
    return plan;
}

std::vector<RotationStep> PlanReplace(const std::string& listedPath, const PathParts& parts) {
    const std::string incoming = IncomingPath(parts);
    return {{StepKind::kCopyIn, listedPath, incoming},
            {StepKind::kShift, incoming, GenerationPath(parts, 1), true}};
}

}  // namespace sorel
