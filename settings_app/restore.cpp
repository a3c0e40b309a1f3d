#include "restore.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../common/restore_plan.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "app_state.h"
#include "ask.h"
#include "list_editing.h"

namespace sorel::app {

namespace {

// Puts a whole copy of `copy.from` in place of `copy.to`. The copy is made
// under a fresh temporary name in the target's own folder and only then
// renamed over the target, so a copy that fails halfway (a full disk) leaves
// the target as it was, and so does a target that its program still holds
// open, which refuses the rename. CopyFileA keeps the generation's
// last-write time and the rename keeps it too: the agent compares that time
// with generation 1's and so leaves a restored file alone until it is
// written again.
bool ReplaceWithCopy(const RestoreCopy& copy) {
    char temp[MAX_PATH] = {};
    // Creates the file as well, so no other file is ever taken for it.
    if (!GetTempFileNameA(copy.toFolder.c_str(), "srl", 0, temp)) {
        return false;
    }
    bool ok =
        CopyFileA(copy.from.c_str(), temp, FALSE) &&
        MoveFileExA(temp, copy.to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileForcibly(temp);
    }
    return ok;
}

}  // namespace

RestoreResult RestoreGeneration(int generation) {
    // FindSelectedEntry empties SelectedPath when it finds no entry; never
    // fall back on a path of an earlier lookup.
    if (SelectedPath.empty()) {
        return RestoreResult::NoEntry;
    }
    // A path without drive letter, colon and backslash has no plan: its
    // generations would otherwise be looked for in the current folder.
    const std::vector<RestoreCopy> plan =
        PlanRestore(SelectedPath, SplitPath(SelectedPath, IsSystemLeadByte), generation);
    if (plan.empty()) {
        return RestoreResult::NoGeneration;
    }
    const std::string date = FileDateText(plan.front().from);
    if (date.empty()) {
        return RestoreResult::NoGeneration;
    }
    const std::string question = kRestoreDateQuestionHead + date + kRestoreDateQuestionTail;
    if (Ask(question.c_str(), kRestoreDateQuestionCaption, kQuestionStyle) != IDOK) {
        return RestoreResult::Declined;
    }
    for (const RestoreCopy& copy : plan) {
        if (!copy.overListedFile) {
            // A generation of a read-only file is read-only as well; the
            // store's own files are overwritten like the agent overwrites them.
            ClearReadOnly(copy.to);
        }
        if (!ReplaceWithCopy(copy)) {
            return copy.overListedFile ? RestoreResult::NotRestored : RestoreResult::PartlyRestored;
        }
    }
    return RestoreResult::Restored;
}

void RestoreGenerationCommand(int generation) {
    if (generation < 1 || generation > 3) {
        return;
    }
    // No line selected, or no entry behind it: the lookup has told the user.
    if (FindSelectedEntry() < 0) {
        return;
    }
    // Only OK is a yes: a box whose owner was closed under it answers 0.
    if (Ask(kRestoreQuestions[generation - 1]) != IDOK) {
        return;
    }
    switch (RestoreGeneration(generation)) {
        case RestoreResult::Restored:
            Ask(kRestoredMessages[generation - 1]);
            return;
        case RestoreResult::NoGeneration:
            Ask(kNoGenerationMessage);
            return;
        case RestoreResult::NoEntry:
            Ask(kNoEntryMessage);
            return;
        case RestoreResult::Declined:
            return;
        case RestoreResult::NotRestored:
            Ask(kNotRestoredMessage);
            return;
        case RestoreResult::PartlyRestored:
            Ask(kPartlyRestoredMessage);
            return;
    }
}

}  // namespace sorel::app
