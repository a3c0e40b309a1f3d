#include "restore.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../common/place/content_hash.h"
#include "../common/place/manifest.h"
#include "../common/restore_plan.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/place_find.h"
#include "../common/win/unique_handle.h"
#include "app_state.h"
#include "ask.h"
#include "list_editing.h"

namespace sorel::app {

namespace {

FileReplacer TheReplacer;
FileReplacer* CurrentReplacer = &TheReplacer;

// How one copy of a restore ended.
struct Replaced {
    RestoreResult failure = RestoreResult::Restored;  // Restored when done
    std::string keptAt;                               // with Stranded
};

// What the user can do about a refused step: close a program, free space,
// ask for rights. A busy file is the common case, but not the only one.
RestoreResult CauseOf(unsigned long error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return RestoreResult::NotRestored;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return RestoreResult::DiskFull;
        case ERROR_ACCESS_DENIED:
            return RestoreResult::NoRights;
        default:
            return RestoreResult::Failed;
    }
}

// 0 when the file can be opened for writing as it stands, otherwise why not.
unsigned long WriteOpenError(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? 0 : GetLastError();
}

// The listed file is tried before anything is kept or copied: a file its
// program holds (Excel keeps an open book shared for reading only) would
// refuse the replacement after the safety copy had already replaced the one
// an earlier restore kept, and the restore would have used room for nothing.
// The open asks what the replacement will ask, writing and deleting, with
// its sharing. Restored when the restore may go on; a missing file has
// nothing to lose and is made again.
RestoreResult TryListedFile(const std::string& path) {
    if (IsFolder(path)) {
        return RestoreResult::TargetIsFolder;
    }
    // The user made the file read-only; the restore does not undo that, and
    // says so rather than blaming a program that holds it.
    if (IsReadOnly(path)) {
        return RestoreResult::ReadOnly;
    }
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const unsigned long error = file ? 0 : GetLastError();
    if (error == 0 || error == ERROR_FILE_NOT_FOUND) {
        return RestoreResult::Restored;
    }
    // Rights to change the file but not to remove it still allow the plain
    // copy over it that a folder closed to new files falls back on.
    if (error == ERROR_ACCESS_DENIED && WriteOpenError(path) == 0) {
        return RestoreResult::Restored;
    }
    return CauseOf(error);
}

// A scanner that opens a fresh file holds it only for a moment: the rename
// is tried again for as long as any other busy file is.
bool RenameIntoPlace(const std::string& from, const std::string& to) {
    for (unsigned waited = 0;; waited += kRetryStepMs) {
        if (MoveFileExA(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        if (waited >= kRetryBudgetMs) {
            return false;
        }
        Sleep(kRetryStepMs);
    }
}

// Puts the whole copy `temp`, in the target's own folder, in place of
// `target` in one step that keeps the target's identity, so sync clients see
// a change rather than a delete and a create. Where that is refused (a
// missing target, some network shares), a replacing rename does it instead;
// a target its program still holds open refuses both. Either step keeps the
// copy's last-write time.
Replaced PutInPlace(const std::string& temp, const std::string& target) {
    // A read-only generation's copy would be refused as a replacement; the
    // target's own attributes are what the file keeps.
    ClearReadOnly(temp);
    const unsigned long replaceError = CurrentReplacer->Replace(target, temp);
    if (replaceError == 0) {
        return {};
    }
    // Some refusals leave the target gone with the copy still under its
    // temporary name; the rename then puts it in place, so the restored
    // content is never lost.
    const bool targetGone = !PathExists(target);
    if (targetGone ? RenameIntoPlace(temp, target)
                   : MoveFileExA(temp.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return {};
    }
    // Without a target the copy is all there is of the file: it stays, and
    // the user learns where.
    if (targetGone) {
        return {RestoreResult::Stranded, temp};
    }
    DeleteFileForcibly(temp);
    return {IsReadOnly(target) ? RestoreResult::ReadOnly : CauseOf(replaceError), {}};
}

// Puts a whole copy of `copy.from` in place of `copy.to`. The copy is made
// under a fresh temporary name in the target's own folder first, so a copy
// that fails halfway (a full disk) leaves the target as it was.
// CopyFileA keeps the generation's last-write time: the agent compares that
// time with generation 1's and so leaves a restored file alone until it is
// written again.
Replaced ReplaceWithCopy(const RestoreCopy& copy) {
    if (IsFolder(copy.to)) {
        return {RestoreResult::TargetIsFolder, {}};
    }
    std::string temp;
    if (const unsigned long tempError = CurrentReplacer->MakeTemp(copy.toFolder, temp)) {
        // A folder where the user may change the file but not create one:
        // a plain copy over the file is what still works there.
        const unsigned long openError = WriteOpenError(copy.to);
        if (openError != 0) {
            return {CauseOf(openError == ERROR_SHARING_VIOLATION ? openError : tempError), {}};
        }
        const unsigned long copyError = CurrentReplacer->Copy(copy.from, copy.to);
        return {copyError ? CauseOf(copyError) : RestoreResult::Restored, {}};
    }
    if (const unsigned long copyError = CurrentReplacer->Copy(copy.from, temp)) {
        DeleteFileForcibly(temp);
        return {CauseOf(copyError), {}};
    }
    return PutInPlace(temp, copy.to);
}

unsigned long LastErrorOr(unsigned long fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

// Characters as the system counts them in an ANSI path.
std::size_t PathChars(const std::string& path) {
    return static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0));
}

// Why a file the restore would overwrite could not be kept, in the words the
// user can act on: a program holds the file or the generation, the drive is
// full, or the user may not write there.
RestoreResult SafetyCause(unsigned long error, bool overListedFile) {
    const RestoreResult cause = CauseOf(error);
    if (cause == RestoreResult::NotRestored) {
        return overListedFile ? RestoreResult::NotRestored : RestoreResult::GenerationInUse;
    }
    return cause == RestoreResult::Failed ? RestoreResult::NoSafetyCopy : cause;
}

// Keeps a whole copy of every file in `copies` that exists, each with its
// last-write time, replacing what an earlier restore kept. Every copy is
// written whole under a temporary name in the safety folder before any of
// them is renamed over the copy it replaces: a copy that cannot be made (a
// generation its viewer holds, a full drive) then leaves every copy kept
// before as it was, and takes no room once refused.
RestoreResult KeepSafetyCopies(const std::vector<RestoreCopy>& copies) {
    for (const RestoreCopy& copy : copies) {
        if (PathChars(copy.to) > kMaxPathChars || PathChars(copy.toFolder) > kMaxTempFolderChars) {
            return RestoreResult::SafetyPathTooLong;
        }
    }
    std::vector<std::pair<std::string, const RestoreCopy*>> made;
    const auto dropMade = [&made](RestoreResult result) {
        for (const auto& [temp, copy] : made) {
            DeleteFileForcibly(temp);
        }
        return result;
    };
    for (const RestoreCopy& copy : copies) {
        // Nothing there is nothing to lose; a folder at the name is refused
        // by the restore itself.
        if (!PathExists(copy.from) || IsFolder(copy.from)) {
            continue;
        }
        const std::string folder = copy.toFolder.substr(0, copy.toFolder.size() - 1);
        if (!CreateDirectoryA(folder.c_str(), nullptr) && !IsFolder(folder)) {
            return dropMade(SafetyCause(LastErrorOr(ERROR_GEN_FAILURE), false));
        }
        std::string temp;
        if (const unsigned long error = TheReplacer.MakeTemp(copy.toFolder, temp)) {
            return dropMade(SafetyCause(error, false));
        }
        made.emplace_back(temp, &copy);
        if (const unsigned long error = CurrentReplacer->CopyAside(copy.from, temp)) {
            return dropMade(SafetyCause(error, copy.overListedFile));
        }
        ClearReadOnly(temp);
    }
    for (std::size_t i = 0; i < made.size(); ++i) {
        const auto& [temp, copy] = made[i];
        ClearReadOnly(copy->to);
        if (!MoveFileExA(temp.c_str(), copy->to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const unsigned long error = LastErrorOr(ERROR_GEN_FAILURE);
            // Those renamed already hold the files as they stand, which
            // are still there; the rest are not kept.
            for (std::size_t rest = i; rest < made.size(); ++rest) {
                DeleteFileForcibly(made[rest].first);
            }
            return SafetyCause(error, false);
        }
    }
    return RestoreResult::Restored;
}

// Whether the state can be read as it stands: a viewer that has it open is
// not a missing backup.
RestoreResult ProbeState(const std::string& statePath) {
    const FileProbe source = ProbeFile(statePath);
    if (!source.date.empty()) {
        return RestoreResult::Restored;
    }
    return CauseOf(source.error) == RestoreResult::NotRestored ? RestoreResult::GenerationInUse
                                                               : RestoreResult::NoGeneration;
}

// The state arrives beside the file first: a kept copy is replaced by the
// safety copy, and a second place may go away mid-copy.
ArrivedState ArriveState(const std::string& path, const std::string& statePath,
                         const std::atomic<bool>& stop, ContentHasher& hash) {
    const PathParts parts = SplitPath(path, IsSystemLeadByte);
    ArrivedState arrived;
    if (const unsigned long error =
            CurrentReplacer->MakeTemp(parts.drive + parts.folder, arrived.temp)) {
        return {CauseOf(error), {}};
    }
    if (const unsigned long error = CurrentReplacer->Fetch(statePath, arrived.temp, stop, hash)) {
        DeleteFileForcibly(arrived.temp);
        return {error == ERROR_REQUEST_ABORTED ? RestoreResult::Declined : CauseOf(error), {}};
    }
    return arrived;
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
            return LastErrorOr(ERROR_GEN_FAILURE);
        }
    }
    // Shares that do not grant WRITE_DAC would otherwise refuse the step
    // that keeps the file's identity, and the restore would fall back on a
    // rename.
    if (ReplaceFileA(target.c_str(), replacement.c_str(), nullptr,
                     REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS |
                         REPLACEFILE_IGNORE_ACL_ERRORS,
                     nullptr, nullptr)) {
        return 0;
    }
    return LastErrorOr(ERROR_GEN_FAILURE);
}

unsigned long FileReplacer::MakeTemp(const std::string& folder, std::string& temp) {
    char name[MAX_PATH] = {};
    // Creates the file as well, so no other file is ever taken for it.
    if (!GetTempFileNameA(folder.c_str(), "srl", 0, name)) {
        return LastErrorOr(ERROR_GEN_FAILURE);
    }
    temp = name;
    return 0;
}

unsigned long FileReplacer::Copy(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) ? 0 : LastErrorOr(ERROR_GEN_FAILURE);
}

unsigned long FileReplacer::CopyAside(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) ? 0 : LastErrorOr(ERROR_GEN_FAILURE);
}

// Large blocks: a place on a share answers each read as one trip over the
// network.
constexpr DWORD kFetchBlock = 1 << 20;

unsigned long FileReplacer::Fetch(const std::string& from, const std::string& to,
                                  const std::atomic<bool>& stop, ContentHasher& hash) {
    // Readers may share the version; a writer still at work on it may not.
    FileHandle source(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILETIME written;
    if (!source || !GetFileTime(source.get(), nullptr, nullptr, &written)) {
        return LastErrorOr(ERROR_GEN_FAILURE);
    }
    FileHandle target(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) {
        return LastErrorOr(ERROR_GEN_FAILURE);
    }
    std::vector<char> block(kFetchBlock);
    for (;;) {
        if (stop) {
            return ERROR_REQUEST_ABORTED;
        }
        DWORD got = 0;
        if (!ReadFile(source.get(), block.data(), kFetchBlock, &got, nullptr)) {
            return LastErrorOr(ERROR_READ_FAULT);
        }
        if (got == 0) {
            break;
        }
        hash.Update(block.data(), got);
        // A write cut short by a full disk takes part of the block; the next
        // write of the rest tells why.
        for (DWORD done = 0, put = 0; done < got; done += put) {
            if (!WriteFile(target.get(), block.data() + done, got - done, &put, nullptr)) {
                return LastErrorOr(ERROR_WRITE_FAULT);
            }
            if (put == 0) {
                return ERROR_WRITE_FAULT;
            }
        }
    }
    // The agent compares the restored file's last-write time with generation
    // 1's, as after a copy of the system's.
    if (!SetFileTime(target.get(), nullptr, nullptr, &written) || !FlushFileBuffers(target.get())) {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    return 0;
}

void UseFileReplacer(FileReplacer* replacer) {
    CurrentReplacer = replacer ? replacer : &TheReplacer;
}

RestoreOutcome RestoreGeneration(const std::string& path, int generation) {
    // An entry with an empty path has nothing to restore.
    if (path.empty()) {
        return {RestoreResult::NoEntry, {}};
    }
    // A path without drive letter, colon and backslash has no plan: its
    // generations would otherwise be looked for in the current folder.
    const std::vector<RestoreCopy> plan =
        PlanRestore(path, SplitPath(path, IsSystemLeadByte), generation);
    if (plan.empty()) {
        return {RestoreResult::NoGeneration, {}};
    }
    const FileProbe source = ProbeFile(plan.front().from);
    if (source.date.empty()) {
        // A viewer that has it open is not a missing backup.
        const RestoreResult result = CauseOf(source.error) == RestoreResult::NotRestored
                                         ? RestoreResult::GenerationInUse
                                         : RestoreResult::NoGeneration;
        return {result, {}};
    }
    const std::string question = kRestoreDateQuestionHead + source.date + kRestoreDateQuestionTail;
    if (Ask(question.c_str(), kRestoreDateQuestionCaption, kQuestionStyle) != IDOK) {
        return {RestoreResult::Declined, {}};
    }
    if (const RestoreResult tried = TryListedFile(path); tried != RestoreResult::Restored) {
        return {tried, {}};
    }
    const RestoreResult kept =
        KeepSafetyCopies(PlanSafetyCopies(path, SplitPath(path, IsSystemLeadByte), generation));
    if (kept != RestoreResult::Restored) {
        return {kept, {}};
    }
    for (const RestoreCopy& copy : plan) {
        if (!copy.overListedFile) {
            // A generation of a read-only file is read-only as well; the
            // store's own files are overwritten like the agent overwrites them.
            ClearReadOnly(copy.to);
        }
        Replaced replaced = ReplaceWithCopy(copy);
        if (replaced.failure == RestoreResult::Restored) {
            continue;
        }
        if (copy.overListedFile || replaced.failure == RestoreResult::Stranded) {
            return {replaced.failure, std::move(replaced.keptAt)};
        }
        return {RestoreResult::PartlyRestored, {}};
    }
    return {};
}

RestoreOutcome RestoreState(const std::string& path, const std::string& statePath,
                            const std::string& timeText) {
    if (SplitPath(path, IsSystemLeadByte).Empty()) {
        return {RestoreResult::NoEntry, {}};
    }
    if (const RestoreResult probed = ProbeState(statePath); probed != RestoreResult::Restored) {
        return {probed, {}};
    }
    if (const RestoreResult asked = ConfirmStateRestore(path, timeText);
        asked != RestoreResult::Restored) {
        return {asked, {}};
    }
    const std::atomic<bool> never{false};
    ContentHasher unused;
    const ArrivedState arrived = ArriveState(path, statePath, never, unused);
    if (arrived.result != RestoreResult::Restored) {
        return {arrived.result, {}};
    }
    return PutStateInPlace(path, arrived.temp);
}

RestoreResult ConfirmStateRestore(const std::string& path, const std::string& timeText) {
    if (SplitPath(path, IsSystemLeadByte).Empty()) {
        return RestoreResult::NoEntry;
    }
    const std::string question = kRestoreDateQuestionHead + timeText + kRestoreDateQuestionTail;
    if (Ask(question.c_str(), kRestoreDateQuestionCaption, kQuestionStyle) != IDOK) {
        return RestoreResult::Declined;
    }
    // Before the state is copied beside the file, which takes room and, from
    // the place, time.
    return TryListedFile(path);
}

ArrivedState FetchPlaceVersion(const std::string& path, const std::string& versionPath,
                               const std::atomic<bool>& stop) {
    if (const RestoreResult probed = ProbeState(versionPath); probed != RestoreResult::Restored) {
        return {probed, {}};
    }
    ContentHasher hash;
    ArrivedState arrived = ArriveState(path, versionPath, stop, hash);
    if (arrived.result != RestoreResult::Restored) {
        return arrived;
    }
    // The hash of the bytes that arrived, not of those at the place: a drive
    // that reads differently twice cannot slip a bad copy past the check.
    const std::size_t cut = LastSeparator(versionPath, IsSystemLeadByte) + 1;
    std::vector<ManifestEntry> manifest;
    ReadManifest(versionPath.substr(0, cut - 1), manifest);
    const ManifestEntry* entry = FindEntry(manifest, versionPath.substr(cut));
    if (entry && (entry->damaged || entry->hash != hash.Final())) {
        DeleteFileForcibly(arrived.temp);
        return {RestoreResult::Damaged, {}};
    }
    return arrived;
}

RestoreOutcome PutStateInPlace(const std::string& path, const std::string& temp) {
    // Tried again: the user may have opened the file while the state arrived.
    RestoreResult kept = TryListedFile(path);
    if (kept == RestoreResult::Restored) {
        kept = KeepSafetyCopies(PlanSafetyCopies(path, SplitPath(path, IsSystemLeadByte), 1));
    }
    if (kept != RestoreResult::Restored) {
        DeleteFileForcibly(temp);
        return {kept, {}};
    }
    Replaced replaced = PutInPlace(temp, path);
    return {replaced.failure, std::move(replaced.keptAt)};
}

void ReportRestoreFailure(const RestoreOutcome& outcome) {
    switch (outcome.result) {
        case RestoreResult::Restored:
        case RestoreResult::Declined:
            return;
        case RestoreResult::NoGeneration:
            Ask(kNoGenerationMessage);
            return;
        case RestoreResult::NoEntry:
            Ask(kNoEntryMessage);
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
        case RestoreResult::GenerationInUse:
            Ask(kGenerationInUseMessage);
            return;
        case RestoreResult::DiskFull:
            Ask(kDiskFullNotRestoredMessage);
            return;
        case RestoreResult::NoRights:
            Ask(kNoRightsNotRestoredMessage);
            return;
        case RestoreResult::TargetIsFolder:
            Ask(kFolderNotRestoredMessage);
            return;
        case RestoreResult::Failed:
            Ask(kFailedNotRestoredMessage);
            return;
        case RestoreResult::NoSafetyCopy:
            Ask(kNoSafetyCopyMessage);
            return;
        case RestoreResult::SafetyPathTooLong:
            Ask(kSafetyPathTooLongMessage);
            return;
        case RestoreResult::Damaged:
            Ask(kDamagedVersionMessage);
            return;
        case RestoreResult::Stranded: {
            const std::string text = kStrandedMessageHead + outcome.keptAt + kStrandedMessageTail;
            Ask(text.c_str(), kStrandedCaption, kErrorStyle);
            return;
        }
    }
}

void RestoreGenerationCommand(int generation) {
    if (generation < 1 || generation > 3) {
        return;
    }
    // No line selected, or no entry behind it: the lookup has told the user.
    const std::optional<SelectedEntry> entry = FindSelectedEntry();
    if (!entry) {
        return;
    }
    // Only OK is a yes: a box whose owner was closed under it answers 0.
    if (Ask(kRestoreQuestions[generation - 1]) != IDOK) {
        return;
    }
    const RestoreOutcome outcome = RestoreGeneration(entry->path, generation);
    if (outcome.result == RestoreResult::Restored) {
        Ask(kRestoredMessages[generation - 1]);
        return;
    }
    ReportRestoreFailure(outcome);
}

}  // namespace sorel::app
