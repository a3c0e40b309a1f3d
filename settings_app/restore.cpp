#include "restore.h"

#include <windows.h>

#include <cstdio>
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
#include "../common/win/store_lock.h"
#include "../common/win/unique_handle.h"
#include "app_state.h"
#include "ask.h"
#include "list_editing.h"

namespace sorel::app {

namespace {

FileReplacer TheReplacer;
FileReplacer* CurrentReplacer = &TheReplacer;

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
// refuse the replacement after the restore had used room for nothing. The
// open asks what the replacement will ask, writing and deleting, with its
// sharing. 0 when the restore may go on; a missing file has nothing to lose
// and is made again. A folder at the name gives ERROR_DIRECTORY and a
// read-only file ERROR_FILE_READ_ONLY: the restore does not undo what the
// user set, and says so rather than blaming a program that holds it.
unsigned long TryListedFile(const std::string& path) {
    if (IsFolder(path)) {
        return ERROR_DIRECTORY;
    }
    if (IsReadOnly(path)) {
        return ERROR_FILE_READ_ONLY;
    }
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const unsigned long error = file ? 0 : GetLastError();
    if (error == 0 || error == ERROR_FILE_NOT_FOUND) {
        return 0;
    }
    // Rights to change the file but not to remove it still allow the plain
    // copy over it that a folder closed to new files falls back on.
    if (error == ERROR_ACCESS_DENIED && WriteOpenError(path) == 0) {
        return 0;
    }
    return error;
}

RestoreResult ListedFileCause(unsigned long error) {
    return error == 0                      ? RestoreResult::Restored
           : error == ERROR_FILE_READ_ONLY ? RestoreResult::ReadOnly
           : error == ERROR_DIRECTORY      ? RestoreResult::TargetIsFolder
                                           : CauseOf(error);
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
// copy's last-write time. Some refusals leave the target gone with the copy
// still under its temporary name; the rename then puts it in place, so the
// restored content is never lost.
unsigned long PutInPlace(const std::string& temp, const std::string& target) {
    // A read-only generation's copy would be refused as a replacement; the
    // target's own attributes are what the file keeps.
    ClearReadOnly(temp);
    const unsigned long replaceError = CurrentReplacer->Replace(target, temp);
    if (replaceError == 0) {
        return 0;
    }
    const bool targetGone = !PathExists(target);
    if (targetGone ? RenameIntoPlace(temp, target)
                   : MoveFileExA(temp.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return replaceError;
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
    if (error == ERROR_FILENAME_EXCED_RANGE) {
        return RestoreResult::SafetyPathTooLong;
    }
    const RestoreResult cause = CauseOf(error);
    if (cause == RestoreResult::NotRestored) {
        return overListedFile ? RestoreResult::NotRestored : RestoreResult::GenerationInUse;
    }
    return cause == RestoreResult::Failed ? RestoreResult::NoSafetyCopy : cause;
}

FoundState LookAt(const std::string& path) {
    FoundState state;
    state.path = path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        state.present = true;
        state.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        state.lastWrite = FileTimeCount(data.ftLastWriteTime);
    }
    return state;
}

std::vector<FoundState> StatesOf(const std::vector<HeldState>& held) {
    std::vector<FoundState> states;
    // A damaged version holds nothing that can be put back.
    for (const HeldState& state : held) {
        states.push_back({state.file.path, !state.damaged, state.size, state.written});
    }
    return states;
}

// The listed file, its generations and the copies kept, looked at under the
// store's lock, and the local time now.
RestoreScene SceneOf(const std::string& path, const std::vector<HeldState>& elsewhere) {
    RestoreScene scene;
    scene.listedPath = path;
    scene.parts = SplitPath(path, IsSystemLeadByte);
    scene.file = LookAt(path);
    for (int n = 1; n <= 3; ++n) {
        scene.generations[n - 1] = LookAt(RestoreSource(scene.parts, n));
    }
    const std::string keptFolder = SafetyFolderPath(scene.parts);
    for (const StateFile& file : LocalStateFiles(scene.parts)) {
        if (file.path.compare(0, keptFolder.size(), keptFolder) == 0) {
            scene.kept.push_back(LookAt(file.path));
        }
    }
    for (const std::string& kept : FindKeptCopies(scene.parts)) {
        scene.kept.push_back(LookAt(kept));
    }
    scene.elsewhere = StatesOf(elsewhere);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u%02u%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    scene.now = stamp;
    return scene;
}

// The file steps of a restore on this system, through the replacer that
// tests may stand in for.
class SystemRestoreFiles : public RestoreFiles {
  public:
    unsigned long CheckTarget(const RestoreStep& step) override { return TryListedFile(step.to); }

    // Written whole under a temporary name in the safety folder, then given
    // its own name, which no other copy has: a kept copy never replaces one
    // an earlier restore kept.
    unsigned long Keep(const RestoreStep& step) override {
        if (PathChars(step.to) > kMaxPathChars || PathChars(step.folder) > kMaxTempFolderChars) {
            return ERROR_FILENAME_EXCED_RANGE;
        }
        const std::string folder = step.folder.substr(0, step.folder.size() - 1);
        if (!CreateDirectoryA(folder.c_str(), nullptr) && !IsFolder(folder)) {
            return LastErrorOr(ERROR_GEN_FAILURE);
        }
        std::string temp;
        if (const unsigned long error = TheReplacer.MakeTemp(step.folder, temp)) {
            return error;
        }
        unsigned long error = CurrentReplacer->CopyAside(step.from, temp);
        if (!error) {
            ClearReadOnly(temp);
            if (!MoveFileExA(temp.c_str(), step.to.c_str(), MOVEFILE_WRITE_THROUGH)) {
                error = LastErrorOr(ERROR_GEN_FAILURE);
            }
        }
        if (error) {
            DeleteFileForcibly(temp);
        }
        return error;
    }

    // A folder where the user may change the file but not create one leaves
    // no room for a copy beside it: a plain copy over the file is what still
    // works there, made at the replace.
    unsigned long CopyBeside(const RestoreStep& step, std::string& temp) override {
        directFrom_.clear();
        if (const unsigned long tempError = CurrentReplacer->MakeTemp(step.folder, temp)) {
            temp.clear();
            directFrom_ = step.from;
            return tempError == ERROR_ACCESS_DENIED || tempError == ERROR_WRITE_PROTECT ? 0
                                                                                        : tempError;
        }
        if (const unsigned long copyError = CurrentReplacer->Copy(step.from, temp)) {
            DeleteFileForcibly(temp);
            temp.clear();
            return copyError;
        }
        return 0;
    }

    unsigned long Replace(const RestoreStep& step, const std::string& replacement,
                          bool& stranded) override {
        if (IsFolder(step.to)) {
            return ERROR_DIRECTORY;
        }
        if (!step.overListedFile) {
            // A generation of a read-only file is read-only as well; the
            // store's own files are overwritten like the agent overwrites them.
            ClearReadOnly(step.to);
        }
        if (replacement.empty()) {
            if (const unsigned long openError = WriteOpenError(step.to)) {
                return openError;
            }
            return CurrentReplacer->Copy(directFrom_, step.to);
        }
        const unsigned long error = PutInPlace(replacement, step.to);
        stranded = error != 0 && !PathExists(step.to) && PathExists(replacement);
        return error;
    }

    void Remove(const std::string& path) override {
        if (!path.empty()) {
            DeleteFileForcibly(path);
        }
    }

  private:
    std::string directFrom_;
};

// What the user is told of a run that stopped, by the step it stopped at.
RestoreOutcome OutcomeOf(const RestoreScene& scene, const std::vector<RestoreStep>& plan,
                         const RestoreRun& run) {
    if (run.failed == RestoreRun::kAllDone) {
        return {};
    }
    if (!run.strandedAt.empty()) {
        return {RestoreResult::Stranded, run.strandedAt};
    }
    const RestoreStep& step = plan[run.failed];
    switch (step.kind) {
        case RestoreStepKind::kCheckTarget:
            return {run.error == ERROR_FILE_READ_ONLY ? RestoreResult::ReadOnly
                    : run.error == ERROR_DIRECTORY    ? RestoreResult::TargetIsFolder
                                                      : CauseOf(run.error),
                    {}};
        case RestoreStepKind::kKeep:
            return {SafetyCause(run.error, step.from == scene.listedPath), {}};
        default:
            if (run.listedReplaced) {
                return {RestoreResult::PartlyRestored, {}};
            }
            if (run.error == ERROR_DIRECTORY) {
                return {RestoreResult::TargetIsFolder, {}};
            }
            return {IsReadOnly(step.to) ? RestoreResult::ReadOnly : CauseOf(run.error), {}};
    }
}

// The agent holds the store's lock while it rotates and the listed file
// while it copies; a moment's wait lets it see the lock taken and let go.
constexpr unsigned kAgentLetGoMs = 300;

// Looks at everything under the store's lock, plans and carries the plan
// out. `plan` makes the steps from the scene, or none and says why in its
// second argument.
template <typename Plan>
RestoreOutcome RunLocked(const std::string& path, const std::vector<HeldState>& elsewhere,
                         Plan plan) {
    const PathParts parts = SplitPath(path, IsSystemLeadByte);
    const StoreLock lock(LockPath(parts));
    if (lock.state() == StoreLock::State::kHeldElsewhere) {
        return {RestoreResult::AgentBusy, {}};
    }
    RestoreScene scene = SceneOf(path, elsewhere);
    RestoreResult refused = RestoreResult::Restored;
    const std::vector<RestoreStep> steps = plan(scene, refused);
    if (steps.empty()) {
        return {refused == RestoreResult::Restored ? RestoreResult::NoGeneration : refused, {}};
    }
    SystemRestoreFiles files;
    RestoreRun run = CarryOutRestore(steps, files);
    if (run.failed == 0 && CauseOf(run.error) == RestoreResult::NotRestored) {
        Sleep(kAgentLetGoMs);
        run = CarryOutRestore(steps, files);
    }
    return OutcomeOf(scene, steps, run);
}

// Whether a state's file still holds the state of that size and last write
// that the user was shown.
RestoreResult StillHeld(const FoundState& now, std::uint64_t size, std::uint64_t lastWrite) {
    if (!now.present) {
        return RestoreResult::StateGone;
    }
    return now.size == size && now.lastWrite == lastWrite ? RestoreResult::Restored
                                                          : RestoreResult::StateChanged;
}

RestoreResult StillHeld(const FoundState& now, const HeldState& listed) {
    return StillHeld(now, listed.size, listed.written);
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
    // A path without drive letter, colon and backslash has no store: its
    // generations would otherwise be looked for in the current folder.
    const PathParts parts = SplitPath(path, IsSystemLeadByte);
    const std::string sourcePath = RestoreSource(parts, generation);
    if (parts.Empty() || sourcePath.empty()) {
        return {RestoreResult::NoGeneration, {}};
    }
    const FileProbe source = ProbeFile(sourcePath);
    if (source.date.empty()) {
        return {ProbeState(sourcePath), {}};
    }
    const std::string question = kRestoreDateQuestionHead + source.date + kRestoreDateQuestionTail;
    if (Ask(question.c_str(), kRestoreDateQuestionCaption, kQuestionStyle) != IDOK) {
        return {RestoreResult::Declined, {}};
    }
    // The agent may have rotated while the question was open: the date the
    // user said yes to must still be the generation's.
    const auto plan = [&](const RestoreScene& scene, RestoreResult& refused) {
        const FoundState& now = scene.generations[generation - 1];
        refused = now.present ? StillHeld(now, source.size, source.lastWrite)
                              : RestoreResult::NoGeneration;
        return refused == RestoreResult::Restored ? PlanGenerationRestore(scene, generation)
                                                  : std::vector<RestoreStep>();
    };
    return RunLocked(path, {}, plan);
}

std::vector<std::string> FindKeptCopies(const PathParts& parts) {
    std::vector<std::string> found;
    const std::string folder = SafetyFolderPath(parts);
    if (folder.empty()) {
        return found;
    }
    const std::string name = parts.name + parts.extension;
    WIN32_FIND_DATAA data;
    FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!search) {
        return found;
    }
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            IsKeptCopyName(data.cFileName, name, nullptr)) {
            found.push_back(folder + "\\" + data.cFileName);
        }
    } while (FindNextFileA(search.get(), &data));
    return found;
}

RestoreOutcome RestoreState(const std::string& path, const HeldState& state,
                            const std::vector<HeldState>& elsewhere) {
    if (SplitPath(path, IsSystemLeadByte).Empty()) {
        return {RestoreResult::NoEntry, {}};
    }
    if (const RestoreResult held = StillHeld(LookAt(state.file.path), state);
        held != RestoreResult::Restored) {
        return {held, {}};
    }
    if (const RestoreResult probed = ProbeState(state.file.path);
        probed != RestoreResult::Restored) {
        return {probed, {}};
    }
    if (const RestoreResult asked = ConfirmStateRestore(path, StateTimeText(state));
        asked != RestoreResult::Restored) {
        return {asked, {}};
    }
    const auto plan = [&](const RestoreScene& scene, RestoreResult& refused) {
        const FoundState now = LookAt(state.file.path);
        refused = StillHeld(now, state);
        return refused == RestoreResult::Restored ? PlanStateRestore(scene, now, false)
                                                  : std::vector<RestoreStep>();
    };
    return RunLocked(path, elsewhere, plan);
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
    return ListedFileCause(TryListedFile(path));
}

ArrivedState FetchPlaceVersion(const std::string& path, const HeldState& version,
                               const std::atomic<bool>& stop) {
    const std::string& versionPath = version.file.path;
    if (const RestoreResult held = StillHeld(LookAt(versionPath), version);
        held != RestoreResult::Restored) {
        return {held, {}};
    }
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

RestoreOutcome PutStateInPlace(const std::string& path, const std::string& temp,
                               const std::vector<HeldState>& elsewhere) {
    const auto plan = [&](const RestoreScene& scene, RestoreResult&) {
        return PlanStateRestore(scene, LookAt(temp), true);
    };
    RestoreOutcome outcome = RunLocked(path, elsewhere, plan);
    if (outcome.result != RestoreResult::Restored && outcome.result != RestoreResult::Stranded) {
        DeleteFileForcibly(temp);
    }
    return outcome;
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
        case RestoreResult::StateGone:
            Ask(kStateGoneMessage);
            return;
        case RestoreResult::StateChanged:
            Ask(kStateChangedMessage);
            return;
        case RestoreResult::AgentBusy:
            Ask(kAgentBusyMessage);
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
