#include "backup_run.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "../common/content_guard.h"
#include "../common/rotation.h"
#include "../common/settings_text.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/health_folder.h"
#include "../common/win/settings_file.h"
#include "../common/win/store_lock.h"
#include "../common/win/unique_handle.h"

namespace sorel {

namespace {

constexpr char kWriterTag[] = "agent";

// Line 1 is the program folder (at most 260 bytes), "=" and three
// characters. The 5-second tick reads no more than this of the file, however
// large a hand-edited or damaged file has grown.
constexpr std::size_t kHeaderPrefixBytes = 4096;

bool IsBusyError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

bool IsDiskFullError(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// A shift stopped halfway would leave a gap among the generations.
bool RenameRetrying(FileSteps& steps, const RotationStep& step) {
    return RetryWhileBusy([&] { return steps.Rename(step.from, step.to, step.replace); },
                          [] { return IsBusyError(GetLastError()); });
}

// Carries out a rotation plan. Every step is judged by its own result and
// none is passed over: a failed step stops the rest and removes the incoming
// copy, so a file counts as stored only once its new generation 1 is in
// place. A stop between two shifts leaves a gap, which the next run's plan
// fills first. A copy cut off by a stop leaves the generations as they were.
// A reorder's parked generation is no copy and stays for the next run to put
// back.
FileOutcome CarryOutSteps(const std::vector<RotationStep>& plan, const std::atomic<bool>* stop,
                          FileSteps& steps) {
    const bool copies = plan.front().kind == StepKind::kCopyIn;
    for (const RotationStep& step : plan) {
        bool ok;
        if (step.kind == StepKind::kCopyIn) {
            ok = steps.Copy(step.from, step.to, stop);
        } else {
            if (step.replace) {
                // The system refuses to rename over a read-only file.
                ClearReadOnly(step.to);
            }
            ok = RenameRetrying(steps, step);
        }
        if (!ok) {
            const DWORD error = GetLastError();
            if (copies) {
                DeleteFileForcibly(plan.front().to);
            }
            if (step.kind == StepKind::kCopyIn && Stopped(stop)) {
                return FileOutcome::kNotReached;
            }
            return IsDiskFullError(error) ? FileOutcome::kDiskFull : FileOutcome::kCopyFailed;
        }
    }
    return FileOutcome::kStored;
}

// The same, telling the steps when the file's last step is over, whatever its
// end: a log-off waits for a rotation's renames, but not for what follows them.
FileOutcome CarryOut(const std::vector<RotationStep>& plan, const std::atomic<bool>* stop,
                     FileSteps& steps) {
    const FileOutcome outcome = CarryOutSteps(plan, stop, steps);
    steps.FileDone();
    return outcome;
}

FileOutcome SourceOutcome(const std::string& listed, const FileProbe& source) {
    if (source.presence == Presence::kMissing) {
        return FileOutcome::kMissing;
    }
    switch (source.error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileOutcome::kHeld;
        case ERROR_ACCESS_DENIED: {
            // Opening a folder as a file is refused as access denied.
            if (IsFolder(listed)) {
                return FileOutcome::kNameUnusable;
            }
            // Denied even to an open that shares everything: the user may not
            // read it. Otherwise another program's open is in the way.
            FileHandle any(CreateFileA(listed.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            return !any && GetLastError() == ERROR_ACCESS_DENIED ? FileOutcome::kNoAccess
                                                                 : FileOutcome::kHeld;
        }
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return FileOutcome::kNameUnusable;
        case ERROR_FILENAME_EXCED_RANGE:
            return FileOutcome::kPathUnusable;
        default:
            return FileOutcome::kCopyFailed;
    }
}

// Why a generation could not be looked at: a folder at its name, or another
// program (or agent) holding it.
FileOutcome GenerationOutcome(const PathParts& parts) {
    for (int n = 1; n <= 3; ++n) {
        if (IsFolder(GenerationPath(parts, n))) {
            return FileOutcome::kGenerationFolder;
        }
    }
    return FileOutcome::kGenerationHeld;
}

// The guard's reads from an open file, each at its own offset whatever the
// file pointer: the copy that follows opens the file afresh.
class HandleSource : public GuardSource {
  public:
    explicit HandleSource(HANDLE file) : file_(file) {
        LARGE_INTEGER size;
        sized_ = GetFileSizeEx(file, &size) != 0;
        size_ = sized_ ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }
    // Whether the size is known: an unknown one is no empty file.
    bool Sized() const { return sized_; }
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, std::size_t length, std::string& out) override {
        out.resize(std::min<std::size_t>(length, kMaxRead));
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        if (!ReadFile(file_, out.data(), static_cast<DWORD>(out.size()), &got, &at) &&
            GetLastError() != ERROR_HANDLE_EOF) {
            out.clear();
            return false;
        }
        out.resize(got);
        return true;
    }

  private:
    // The guard's reads are small; a larger one would be a fault.
    static constexpr std::size_t kMaxRead = 1024 * 1024;
    HANDLE file_;
    std::uint64_t size_ = 0;
    bool sized_ = false;
};

// Whether the new state is to be held back. A generation 1 that cannot be
// read now was readable a moment ago: it is then taken as unknown, and the
// state goes in, as it did before the guard.
bool HeldBack(HANDLE source, const std::string& generation1) {
    FileHandle old(CreateFileA(generation1.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr));
    if (!old) {
        return false;
    }
    HandleSource before(old.get()), after(source);
    return before.Sized() && after.Sized() && ContentSuspect(before, after);
}

bool IsAccepted(const std::vector<AcceptedState>& accepted, const std::string& listed,
                const FileProbe& source) {
    return IsAcceptedState(accepted, listed, source.lastWrite, source.size);
}

}  // namespace

bool HeldBackNow(const std::string& listed, const std::vector<AcceptedState>& accepted) {
    if (IsUnusableName(listed, IsSystemLeadByte) || !AgentCanStore(listed, IsSystemLeadByte)) {
        return false;
    }
    const std::string gen1 = GenerationPath(SplitPath(listed, IsSystemLeadByte), 1);
    // Looked at without opening, so that a program saving the file meanwhile
    // is never in the way: most files are just as generation 1 holds them.
    WIN32_FILE_ATTRIBUTE_DATA now, stored;
    if (!GetFileAttributesExA(listed.c_str(), GetFileExInfoStandard, &now) ||
        !GetFileAttributesExA(gen1.c_str(), GetFileExInfoStandard, &stored) ||
        (now.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (CompareFileTime(&now.ftLastWriteTime, &stored.ftLastWriteTime) == 0 &&
         now.nFileSizeHigh == stored.nFileSizeHigh && now.nFileSizeLow == stored.nFileSizeLow)) {
        return false;
    }
    FileHandle source(CreateFileA(listed.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileProbe state;
    state.lastWrite = FileTimeCount(now.ftLastWriteTime);
    state.size = (std::uint64_t{now.nFileSizeHigh} << 32) | now.nFileSizeLow;
    return source && !IsAccepted(accepted, listed, state) && HeldBack(source.get(), gen1);
}

namespace {

// Everything the run does for one listed file.
FileOutcome BackUpFile(const std::string& listed, const std::vector<AcceptedState>& accepted,
                       const std::atomic<bool>* stop, FileSteps& steps) {
    // Never resolve a path without a drive against the current folder: no
    // probe is made for a path that cannot be stored.
    if (IsUnusableName(listed, IsSystemLeadByte)) {
        return FileOutcome::kNameUnusable;
    }
    if (!AgentCanStore(listed, IsSystemLeadByte)) {
        return FileOutcome::kPathUnusable;
    }
    const PathParts parts = SplitPath(listed, IsSystemLeadByte);
    // Open until the copy is made: other programs may read the file meanwhile,
    // but none may write it, so the copy is never a mix of two states.
    FileHandle hold;
    const FileProbe source = ProbeFileHolding(listed, hold);
    if (source.presence != Presence::kReadable) {
        return SourceOutcome(listed, source);
    }
    // A file found unchanged, with nothing left over in its store, changes
    // nothing there: it needs no lock, which keeps the daily walk as cheap as
    // a look at two dates.
    const std::string incoming = IncomingPath(parts);
    const std::string parked = ParkedPath(parts);
    const FileProbe firstLook = ProbeFile(GenerationPath(parts, 1));
    if (DecideBackup(true, source, firstLook, TextsEqual(source.date, firstLook.date)) ==
            BackupDecision::kUnchanged &&
        !PathExists(incoming) && !PathExists(parked)) {
        return FileOutcome::kUnchanged;
    }
    // Usually the folder exists already; if it cannot be made, the copy into
    // it fails and says so.
    CreateDirectoryA(BackupFolderPath(parts).c_str(), nullptr);
    const StoreLock lock(LockPath(parts));
    if (lock.state() == StoreLock::State::kHeldElsewhere) {
        return FileOutcome::kGenerationHeld;
    }
    // A run killed during its copy leaves the incoming file behind. Only the
    // lock's holder may take it for a leftover.
    if (lock.state() == StoreLock::State::kTaken && PathExists(incoming)) {
        DeleteFileForcibly(incoming);
    }
    // A reorder cut off left a generation parked beside the gap it came from.
    // Until it is back, no rotation may fill that gap.
    if (lock.state() == StoreLock::State::kTaken && PathExists(parked)) {
        const Presence before[3] = {ProbeFile(GenerationPath(parts, 1)).presence,
                                    ProbeFile(GenerationPath(parts, 2)).presence,
                                    ProbeFile(GenerationPath(parts, 3)).presence};
        const std::vector<RotationStep> unpark = PlanUnpark(parts, before);
        if (!unpark.empty() && CarryOutSteps(unpark, nullptr, steps) != FileOutcome::kStored) {
            return FileOutcome::kCopyFailed;
        }
    }
    // Looked at again under the lock: another agent may have stored the file
    // since the first look.
    const FileProbe gen1 = ProbeFile(GenerationPath(parts, 1));
    std::vector<RotationStep> plan;
    const BackupDecision decision =
        DecideBackup(true, source, gen1, TextsEqual(source.date, gen1.date));
    switch (decision) {
        case BackupDecision::kNoLocation:
            return FileOutcome::kPathUnusable;
        case BackupDecision::kUnreadable:
            return SourceOutcome(listed, source);
        case BackupDecision::kGenerationUnreadable:
            return GenerationOutcome(parts);
        case BackupDecision::kUnchanged:
            return FileOutcome::kUnchanged;
        case BackupDecision::kReplaceToday:
        case BackupDecision::kBackUp: {
            const FileFacts generations[3] = {gen1, ProbeFile(GenerationPath(parts, 2)),
                                              ProbeFile(GenerationPath(parts, 3))};
            const Presence presence[3] = {generations[0].presence, generations[1].presence,
                                          generations[2].presence};
            if (const int n = StoredGeneration(source, generations)) {
                // The state is stored already: nothing of it is read, and
                // nothing is copied or given up.
                plan = PlanReorder(parts, n, presence);
                return plan.empty() ? GenerationOutcome(parts) : CarryOut(plan, stop, steps);
            }
            if (decision == BackupDecision::kReplaceToday) {
                plan = PlanReplace(listed, parts);
                break;
            }
            plan = PlanRotation(listed, parts, presence, SameState(generations[0], generations[1]));
            if (plan.empty()) {
                return GenerationOutcome(parts);
            }
            break;
        }
    }
    // Only a state about to be stored is read: an unchanged run reads no
    // content at all.
    if (gen1.presence == Presence::kReadable && !IsAccepted(accepted, listed, source) &&
        HeldBack(hold.get(), GenerationPath(parts, 1))) {
        return FileOutcome::kContentSuspect;
    }
    return CarryOut(plan, stop, steps);
}

}  // namespace

void ReadBackupList(HeldSettings& held) {
    ClearBackupTable(held.backupTable);
    std::vector<std::string> lines;
    // The settings window may hold the file for a moment; a check that found
    // it busy would back up nothing until the next day.
    if (ReadSettingsLines(lines, true) != ReadResult::kOk) {
        return;
    }
    if (lines.size() >= 1) {
        held.headerLine = lines[0];
    }
    if (lines.size() >= 2) {
        held.dateLine = lines[1];
        FillBackupTable(held.backupTable, std::vector<std::string>(lines.begin() + 2, lines.end()));
    }
}

void ReadScheduleHeader(HeldSettings& held) {
    std::string bytes;
    // A busy file keeps the held hour. Read as an empty line it would count as
    // hour 0: a tick in hour 0 would run the day's check then, and the check at
    // the chosen hour would be skipped as done.
    if (ReadFilePrefixExclusive(SettingsFilePath(), kHeaderPrefixBytes, bytes) != ReadResult::kOk) {
        return;
    }
    if (bytes.size() == kHeaderPrefixBytes &&
        bytes.find_first_of(std::string("\n\0", 2)) == std::string::npos) {
        // Line 1 goes on beyond the prefix: no header of this program. Its
        // last characters are out of reach, so the held values stay.
        return;
    }
    std::vector<std::string> lines = ReadAllLines(bytes);
    std::string line = lines.empty() ? std::string() : lines[0];
    held.timedStartFlag = TimedStartFlagOf(line);
    held.scheduleHour = HourTextOf(line);
}

namespace {

// An acceptance that can never be used would otherwise stay for good: one
// for a file no longer listed, or for a state its file has left (a later save
// has a time of its own, and the accepted state was never stored to come
// back from). A file that cannot be looked at now keeps its acceptance. An
// empty list may be a settings file that could not be read, and drops none.
void DropDeadAcceptances(const BackupTable& table, std::vector<AcceptedState>& accepted) {
    if (!SlotUsed(table, 0)) {
        return;
    }
    auto listed = [&](const std::string& path) {
        for (std::size_t slot = 0; SlotUsed(table, slot); ++slot) {
            if (TextsEqual(std::string(SlotText(table, slot)), path)) {
                return true;
            }
        }
        return false;
    };
    auto dead = [&](const AcceptedState& state) {
        if (!listed(state.path)) {
            return true;
        }
        const FileProbe now = ProbeFile(state.path);
        return now.presence == Presence::kReadable &&
               (now.lastWrite != state.lastWrite || now.size != state.size);
    };
    accepted.erase(std::remove_if(accepted.begin(), accepted.end(), dead), accepted.end());
}

}  // namespace

bool RecordLastRunDate() {
    const std::string today = TodayText();
    return UpdateSettingsLines(
               [&](const std::vector<std::string>& lines) { return WithDateLine(lines, today); },
               false, kWriterTag) != WriteOutcome::kRefused;
}

RunReport RunBackup(const HeldSettings& held, const std::atomic<bool>* stop, FileSteps& steps) {
    RunReport report;
    bool reachedAll = true;
    std::vector<AcceptedState> accepted = ReadAcceptedStates();
    const std::size_t acceptedBefore = accepted.size();
    for (std::size_t slot = 0; SlotUsed(held.backupTable, slot); ++slot) {
        std::string listed(SlotText(held.backupTable, slot));
        // Checked before each file only: a file once begun is finished, so its
        // rotation is never left halfway by a stop.
        const FileOutcome outcome =
            Stopped(stop) ? FileOutcome::kNotReached : BackUpFile(listed, accepted, stop, steps);
        report.files.push_back({listed, outcome});
        reachedAll = reachedAll && outcome != FileOutcome::kNotReached &&
                     outcome != FileOutcome::kNotReachedQuit;
        if (outcome == FileOutcome::kStored) {
            // An acceptance is spent once its file is stored: a later change
            // is judged afresh.
            accepted.erase(std::remove_if(accepted.begin(), accepted.end(),
                                          [&](const AcceptedState& state) {
                                              return TextsEqual(state.path, listed);
                                          }),
                           accepted.end());
            ++report.handled;
        } else if (outcome == FileOutcome::kUnchanged) {
            ++report.unchanged;
        } else {
            ++report.failed;
        }
    }
    DropDeadAcceptances(held.backupTable, accepted);
    if (accepted.size() != acceptedBefore) {
        WriteAcceptedStates(accepted);
    }
    // A run cut short leaves files for a later check the same day, which a
    // recorded date would turn away.
    if (report.handled > 0 && reachedAll) {
        report.dateRecorded = RecordLastRunDate();
    }
    return report;
}

RunReport RunBackup(const HeldSettings& held, const std::atomic<bool>* stop) {
    return RunBackup(held, stop, SystemFileSteps());
}

RunReport RunBackupIfNewDay(const HeldSettings& held, const std::atomic<bool>* stop,
                            FileSteps& steps) {
    if (TextsEqual(TodayText(), held.dateLine)) {
        return {};
    }
    return RunBackup(held, stop, steps);
}

RunReport RunBackupIfNewDay(const HeldSettings& held, const std::atomic<bool>* stop) {
    return RunBackupIfNewDay(held, stop, SystemFileSteps());
}

}  // namespace sorel
