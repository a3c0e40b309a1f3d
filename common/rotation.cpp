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

namespace {

// Shifts generations top - 1 to 1 down by one, oldest first: each goes into
// the name the step before emptied, or into `top`, which is empty or, with
// `replaceTop`, given up.
void AddShifts(std::vector<RotationStep>& plan, const PathParts& parts, int top, bool replaceTop) {
    for (int n = top; n >= 2; --n) {
        plan.push_back({StepKind::kShift, GenerationPath(parts, n - 1), GenerationPath(parts, n),
                        n == top && replaceTop});
    }
}

}  // namespace

std::vector<RotationStep> PlanRotation(const std::string& listedPath, const PathParts& parts,
                                       const Presence (&generations)[3], bool firstTwoSame) {
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
    if (firstTwoSame && firstGap > 2) {
        AddShifts(plan, parts, 2, true);
    } else {
        // With all three there, generation 3 is the one the rotation gives up.
        AddShifts(plan, parts, firstGap == 4 ? 3 : firstGap, firstGap == 4);
    }
    plan.push_back({StepKind::kShift, incoming, GenerationPath(parts, 1)});
    return plan;
}

bool SameState(const FileFacts& a, const FileFacts& b) {
    return a.lastWrite == b.lastWrite && a.size == b.size;
}

int StoredGeneration(const FileFacts& source, const FileFacts (&generations)[3]) {
    if (generations[0].presence != Presence::kReadable || SameState(source, generations[0])) {
        return 0;
    }
    for (int n = 2; n <= 3; ++n) {
        if (generations[n - 1].presence == Presence::kReadable &&
            SameState(source, generations[n - 1])) {
            return n;
        }
    }
    return 0;
}

std::vector<RotationStep> PlanReorder(const PathParts& parts, int n,
                                      const Presence (&generations)[3]) {
    if (n < 2 || n > 3 || generations[0] == Presence::kMissing) {
        return {};
    }
    int firstGap = n;  // generation n is the gap once it is parked
    for (int m = n; m >= 1; --m) {
        if (generations[m - 1] == Presence::kUnreadable) {
            return {};
        }
        if (generations[m - 1] == Presence::kMissing) {
            firstGap = m;
        }
    }
    const std::string parked = ParkedPath(parts);
    std::vector<RotationStep> plan = {{StepKind::kShift, GenerationPath(parts, n), parked}};
    AddShifts(plan, parts, firstGap, false);
    plan.push_back({StepKind::kShift, parked, GenerationPath(parts, 1)});
    return plan;
}

std::vector<RotationStep> PlanUnpark(const PathParts& parts, const Presence (&generations)[3]) {
    for (int n = 1; n <= 3; ++n) {
        if (generations[n - 1] == Presence::kMissing) {
            return {{StepKind::kShift, ParkedPath(parts), GenerationPath(parts, n)}};
        }
    }
    return {};
}

std::vector<RotationStep> PlanReplace(const std::string& listedPath, const PathParts& parts) {
    const std::string incoming = IncomingPath(parts);
    return {{StepKind::kCopyIn, listedPath, incoming},
            {StepKind::kShift, incoming, GenerationPath(parts, 1), true}};
}

}  // namespace sorel
