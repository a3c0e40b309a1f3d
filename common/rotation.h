// What a backup run does with one listed file: the decision, and the steps
// that store a new generation without ever costing an old one.
#pragma once

#include <string>
#include <vector>

#include "store_path.h"

namespace sorel {

enum class BackupDecision {
    kNoLocation,  // no drive letter, colon and backslash: nowhere to keep generations
    kUnreadable,  // the file cannot be opened exclusively: missing, or held by a program
    kUnchanged,   // its date equals generation 1's
    kBackUp,
};

// `sourceDate` and `gen1Date` are the date texts of the listed file and of
// generation 1; `sameDate` is the system's verdict on comparing them.
//
// An unreadable file is skipped even when generation 1 exists: rotating then
// would shift the generations down with nothing new to put on top, and after
// two such runs all three would hold one state.
BackupDecision DecideBackup(const PathParts& parts, const std::string& sourceDate, bool sameDate);

enum class StepKind {
    kCopyIn,  // copy the listed file to the incoming name
    kShift,   // rename one name over another
};

struct RotationStep {
    StepKind kind;
    std::string from;
    std::string to;
};

// The steps that store the listed file as generation 1:
//   1. copy the file whole to the incoming name in the backup folder;
//   2. rename generation 2 over 3, then 1 over 2, then the incoming copy over 1.
// The copy goes first and the shifts only follow when it succeeded, so a
// failed or interrupted copy leaves all three generations as they were, and no
// generation name ever holds part of a file. A shift whose source does not
// exist is passed over; the executor stops at the first real failure.
std::vector<RotationStep> PlanRotation(const std::string& listedPath, const PathParts& parts);

}  // namespace sorel
