#include "backup_run.h"

#include <windows.h>

#include <vector>

#include "../common/rotation.h"
#include "../common/settings_text.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/settings_file.h"

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

// A virus scanner or an indexer may hold a file it has just seen for a
// moment; a shift stopped halfway would leave a gap among the generations.
bool RenameRetrying(FileSteps& steps, const RotationStep& step) {
    bool moved = steps.Rename(step.from, step.to, step.replace);
    for (unsigned waited = 0; !moved && IsBusyError(GetLastError()) && waited < kRetryBudgetMs;
         waited += kRetryStepMs) {
        Sleep(kRetryStepMs);
        moved = steps.Rename(step.from, step.to, step.replace);
    }
    return moved;
}

// Carries out a rotation plan. Every step is judged by its own result and
// none is passed over: a failed step stops the rest and removes the incoming
// copy, so a file counts as stored only once its new generation 1 is in
// place. A stop between two shifts leaves a gap, which the next run's plan
// fills first.
FileOutcome CarryOut(const std::vector<RotationStep>& plan, FileSteps& steps) {
    const std::string& incoming = plan.front().to;
    for (const RotationStep& step : plan) {
        bool ok;
        if (step.kind == StepKind::kCopyIn) {
            ok = steps.Copy(step.from, step.to);
        } else {
            if (step.replace) {
                // The system refuses to rename over a read-only file.
                ClearReadOnly(step.to);
            }
            ok = RenameRetrying(steps, step);
        }
        if (!ok) {
            const DWORD error = GetLastError();
            DeleteFileForcibly(incoming);
            return IsDiskFullError(error) ? FileOutcome::kDiskFull : FileOutcome::kCopyFailed;
        }
    }
    return FileOutcome::kStored;
}

FileOutcome SourceOutcome(const std::string& listed, const FileProbe& source) {
    if (source.presence == Presence::kMissing) {
        return FileOutcome::kMissing;
    }
    if (IsBusyError(source.error)) {
        // Opening a folder as a file is refused as access denied, too.
        return IsFolder(listed) ? FileOutcome::kPathUnusable : FileOutcome::kHeld;
    }
    switch (source.error) {
        // A name the system refuses (a character such as "<" or "|", a folder
        // where a file should be): no store can be made for it.
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
            return FileOutcome::kPathUnusable;
        default:
            return FileOutcome::kCopyFailed;
    }
}

// Everything the run does for one listed file.
FileOutcome BackUpFile(const std::string& listed, FileSteps& steps) {
    PathParts parts = SplitPath(listed, IsSystemLeadByte);
    const bool storable = AgentCanStore(listed, IsSystemLeadByte);
    if (storable) {
        // A run killed during its copy leaves the incoming file behind.
        const std::string incoming = IncomingPath(parts);
        if (PathExists(incoming)) {
            DeleteFileForcibly(incoming);
        }
    }
    // Never resolve a path without a drive against the current folder: no
    // probe is made for a path that cannot be stored.
    const FileProbe source = storable ? ProbeFile(listed) : FileProbe{};
    const FileProbe gen1 = storable && source.presence == Presence::kReadable
                               ? ProbeFile(GenerationPath(parts, 1))
                               : FileProbe{};
    switch (DecideBackup(storable, source.presence, gen1.presence,
                         TextsEqual(source.date, gen1.date))) {
        case BackupDecision::kNoLocation:
            return FileOutcome::kPathUnusable;
        case BackupDecision::kUnreadable:
            return SourceOutcome(listed, source);
        case BackupDecision::kGenerationUnreadable:
            return FileOutcome::kGenerationHeld;
        case BackupDecision::kUnchanged:
            return FileOutcome::kUnchanged;
        case BackupDecision::kBackUp:
            break;
    }
    const Presence generations[3] = {gen1.presence, ProbeFile(GenerationPath(parts, 2)).presence,
                                     ProbeFile(GenerationPath(parts, 3)).presence};
    const std::vector<RotationStep> plan = PlanRotation(listed, parts, generations);
    if (plan.empty()) {
        return FileOutcome::kGenerationHeld;
    }
    // Usually the folder exists already; if it cannot be made, the copy into
    // it fails and says so.
    CreateDirectoryA(BackupFolderPath(parts).c_str(), nullptr);
    return CarryOut(plan, steps);
}

}  // namespace

bool FileSteps::Copy(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE);
}

bool FileSteps::Rename(const std::string& from, const std::string& to, bool replace) {
    return MoveFileExA(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
}

FileSteps& SystemFileSteps() {
    static FileSteps steps;
    return steps;
}

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

bool RecordLastRunDate() {
    const std::string today = TodayText();
    return UpdateSettingsLines(
               [&](const std::vector<std::string>& lines) { return WithDateLine(lines, today); },
               false, kWriterTag) != WriteOutcome::kRefused;
}

RunReport RunBackup(const HeldSettings& held, const std::atomic<bool>* stop, FileSteps& steps) {
    RunReport report;
    for (std::size_t slot = 0; SlotUsed(held.backupTable, slot); ++slot) {
        std::string listed(SlotText(held.backupTable, slot));
        // Checked before each file only: a file once begun is finished, so its
        // rotation is never left halfway by a stop.
        const FileOutcome outcome =
            stop != nullptr && stop->load() ? FileOutcome::kNotReached : BackUpFile(listed, steps);
        report.files.push_back({listed, outcome});
        if (outcome == FileOutcome::kStored) {
            ++report.handled;
        } else if (outcome == FileOutcome::kUnchanged) {
            ++report.unchanged;
        } else {
            ++report.failed;
        }
    }
    if (report.handled > 0) {
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
