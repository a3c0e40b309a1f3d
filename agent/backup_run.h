// The agent's side of the settings file and its backup run.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "../common/backup_table.h"
#include "../common/content_guard.h"
#include "file_steps.h"
#include "run_outcome.h"

namespace sorel {

// What the agent holds from the settings file between reads.
struct HeldSettings {
    std::string headerLine;
    std::string dateLine;
    std::string scheduleHour;
    bool timedStartFlag = false;
    BackupTable backupTable;
    HeldSettings() { ClearBackupTable(backupTable); }
};

// Fills the table from the path lines and takes lines 1 and 2 as the held
// header and date. A file that is missing, or busy for longer than a brief
// wait, leaves the table empty and the held lines as they were.
void ReadBackupList(HeldSettings& held);

// Takes the hour text and the timed start flag from line 1. A missing or
// busy file keeps the held values.
void ReadScheduleHeader(HeldSettings& held);

// Puts today's date on line 2. The file is read again first and only line 2
// changes, so a change the settings window saved while the run went on is kept.
// A missing file is not created. False when the date could not be recorded.
bool RecordLastRunDate();

// Walks the table up to the first free slot and stores every listed file
// whose last-write time or size differs from generation 1's: over generation
// 1 when both were last written on the same local day, as a new generation 1
// otherwise. When `stop` is given and becomes true (the user logs off), no
// further file is started, a copy in progress is cut off where the system
// allows it (the generations stay as they were), and a rotation's renames are
// let finish. Today's date is recorded when at least one file was stored and
// every file was reached. A file counts as stored only when its new
// generation 1 is in place. A changed file whose new content the guard holds
// back is not stored, unless the user accepted that very state; an accepted
// state once stored is taken off the accepted states.
RunReport RunBackup(const HeldSettings& held, const std::atomic<bool>* stop = nullptr);

// The same, with the rotation's file calls made through `steps`.
RunReport RunBackup(const HeldSettings& held, const std::atomic<bool>* stop, FileSteps& steps);

// Whether the file's present state differs from generation 1's and the guard
// would hold it back, unless accepted: such a state gets no second copy either,
// also when it was saved after the day's run.
bool HeldBackNow(const std::string& listed, const std::vector<AcceptedState>& accepted);

// RunBackup, unless the held date line is already today's.
RunReport RunBackupIfNewDay(const HeldSettings& held, const std::atomic<bool>* stop = nullptr);
RunReport RunBackupIfNewDay(const HeldSettings& held, const std::atomic<bool>* stop,
                            FileSteps& steps);

}  // namespace sorel
