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

// A virus scanner or an indexer may hold a file it has just seen for a
// moment; a shift stopped halfway would leave a gap among the generations.
bool MoveReplacing(const std::string& from, const std::string& to) {
    bool moved = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
    for (unsigned waited = 0; !moved && waited < kRetryBudgetMs; waited += kRetryStepMs) {
        Sleep(kRetryStepMs);
        moved = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    return moved;
}

// Carries out a rotation plan. The copy comes first; a failed copy removes
// what it left and stops before any generation is touched. A shift whose
// source does not exist (no generation 2 yet) is passed over. A failed shift
// stops the rest, so no generation is ever renamed over without its own
// content having moved on first.
bool CarryOut(const std::vector<RotationStep>& plan) {
    const std::string& incoming = plan.front().to;
    for (const RotationStep& step : plan) {
        bool ok;
        if (step.kind == StepKind::kCopyIn) {
            // CopyFileA keeps the source's last-write time and attributes; the
            // next run's change test depends on that time.
            ok = CopyFileA(step.from.c_str(), step.to.c_str(), FALSE);
        } else if (!PathExists(step.from)) {
            continue;
        } else {
            ClearReadOnly(step.to);
            ok = MoveReplacing(step.from, step.to);
        }
        if (!ok) {
            DeleteFileForcibly(incoming);
            return false;
        }
    }
    return true;
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
    std::vector<std::string> lines;
    // A busy file keeps the held hour. Read as an empty line it would count as
    // hour 0: a tick in hour 0 would run the day's check then, and the check at
    // the chosen hour would be skipped as done.
    if (ReadSettingsLines(lines, false) != ReadResult::kOk) {
        return;
    }
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

RunReport RunBackup(const HeldSettings& held, const std::atomic<bool>* stop) {
    RunReport report;
    for (std::size_t slot = 0; SlotUsed(held.backupTable, slot); ++slot) {
        (void)stop;  // not yet honoured
        std::string listed(SlotText(held.backupTable, slot));
        PathParts parts = SplitPath(listed, IsSystemLeadByte);
        if (parts.Empty()) {
            // Never resolve a path without a drive against the current folder.
            ++report.skipped;
            continue;
        }
        // A run killed during its copy leaves the incoming file behind.
        std::string incoming = IncomingPath(parts);
        if (PathExists(incoming)) {
            DeleteFileForcibly(incoming);
        }
        std::string sourceDate = FileDateText(listed);
        std::string gen1Date = FileDateText(GenerationPath(parts, 1));
        switch (DecideBackup(parts, sourceDate, TextsEqual(sourceDate, gen1Date))) {
            case BackupDecision::kUnchanged:
                ++report.unchanged;
                break;
            case BackupDecision::kBackUp:
                CreateDirectoryA(BackupFolderPath(parts).c_str(), nullptr);
                if (CarryOut(PlanRotation(listed, parts))) {
                    ++report.handled;
                } else {
                    ++report.skipped;
                }
                break;
            default:
                ++report.skipped;
                break;
        }
    }
    if (report.handled > 0) {
        RecordLastRunDate();
    }
    return report;
}

RunReport RunBackupIfNewDay(const HeldSettings& held, const std::atomic<bool>* stop) {
    if (TextsEqual(TodayText(), held.dateLine)) {
        return {};
    }
    return RunBackup(held, stop);
}

}  // namespace sorel
