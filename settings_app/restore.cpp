#include "restore.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../common/restore_plan.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/unique_handle.h"
#include "app_state.h"
#include "ask.h"
#include "list_editing.h"

namespace sorel::app {

namespace {

FileReplacer TheReplacer;
FileReplacer* CurrentReplacer = &TheReplacer;

enum class Replaced { kDone, kRefused, kReadOnly };

// Puts a whole copy of `copy.from` in place of `copy.to`. The copy is made
// under a fresh temporary name in the target's own folder first, so a copy
// that fails halfway (a full disk) leaves the target as it was. The finished
// copy then replaces the target in one step that keeps the target's identity,
// so sync clients see a change rather than a delete and a create. Where that
// is refused (a missing target, some network shares), a replacing rename
// does it instead; a target its program still holds open refuses both.
// CopyFileA keeps the generation's last-write time, and so does either
// step: the agent compares that time with generation 1's and so leaves a
// restored file alone until it is written again.
Replaced ReplaceWithCopy(const RestoreCopy& copy) {
    char temp[MAX_PATH] = {};
    // Creates the file as well, so no other file is ever taken for it.
    if (!GetTempFileNameA(copy.toFolder.c_str(), "srl", 0, temp)) {
        return Replaced::kRefused;
    }
    if (!CopyFileA(copy.from.c_str(), temp, FALSE)) {
        DeleteFileForcibly(temp);
        return Replaced::kRefused;
    }
    // A read-only generation's copy would be refused as a replacement; the
    // target's own attributes are what the file keeps.
    ClearReadOnly(temp);
    if (CurrentReplacer->Replace(copy.to, temp) == 0) {
        return Replaced::kDone;
    }
    // Some refusals leave the target gone with the copy still under its
    // temporary name; the rename then puts it in place, so the restored
    // content is never lost.
    if (MoveFileExA(temp, copy.to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Replaced::kDone;
    }
    // Without a target the copy is all there is of the file: it stays.
    if (PathExists(copy.to)) {
        DeleteFileForcibly(temp);
    }
    return IsReadOnly(copy.to) ? Replaced::kReadOnly : Replaced::kRefused;
}

}  // namespace

unsigned long FileReplacer::Replace(const std::string& target, const std::string& replacement) {
    // A missing target or one that another program holds is refused before
    // ReplaceFileA is asked, with the open it would make itself: it would
    // refuse them too, and Wine's leaves an empty temporary file behind when
    // it does.
    {
        FileHandle probe(CreateFileA(target.c_str(), GENERIC_READ | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe) {
            const DWORD error = GetLastError();
            return error ? error : ERROR_GEN_FAILURE;
        }
    }
    if (ReplaceFileA(target.c_str(), replacement.c_str(), nullptr,
                     REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
        return 0;
    }
    const DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

void UseFileReplacer(FileReplacer* replacer) {
    CurrentReplacer = replacer ? replacer : &TheReplacer;
}

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
    // The user made the file read-only; the restore does not undo that, and
    // says so rather than blaming a program that holds it.
    if (IsReadOnly(SelectedPath)) {
        return RestoreResult::ReadOnly;
    }
    for (const RestoreCopy& copy : plan) {
        if (!copy.overListedFile) {
            // A generation of a read-only file is read-only as well; the
            // store's own files are overwritten like the agent overwrites them.
            ClearReadOnly(copy.to);
        }
        switch (ReplaceWithCopy(copy)) {
            case Replaced::kDone:
                continue;
            case Replaced::kReadOnly:
                if (copy.overListedFile) {
                    return RestoreResult::ReadOnly;
                }
                return RestoreResult::PartlyRestored;
            case Replaced::kRefused:
                return copy.overListedFile ? RestoreResult::NotRestored
                                           : RestoreResult::PartlyRestored;
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
        case RestoreResult::ReadOnly:
            Ask(kReadOnlyNotRestoredMessage);
            return;
    }
}

}  // namespace sorel::app
