// The Windows side of the health record: the record file and the log in the
// health folder, the tray's tip and balloon after every run, and the one step
// from the tray to the settings window.
#pragma once

#include <string>

#include "health.h"
#include "run_outcome.h"
#include "tray.h"

namespace sorel {

// The local time now.
LocalTime LocalNow();

// The record file, its temporary file and the log, all in `folder` (with its
// trailing backslash), so that removing the folder removes them all.
struct HealthFiles {
    std::string record;
    std::string recordTemp;
    std::string log;
    std::string oldLog;
};
HealthFiles HealthFilesIn(const std::string& folder);

// Everything that follows a run: the run goes into the record and the log
// in `folder`, the tip says how it went, and a file newly at risk gets a
// balloon. A run that visited no file touches no file. Nothing here can stop
// a backup: a record or log that cannot be read or written is passed over.
// `memory` is what the agent keeps of the record between runs: the tip and the
// balloon do not need the folder (empty when the system cannot name it), and
// a day's warnings stay given when the record could not be written.
void ReportRunHealth(const RunReport& report, const LocalTime& now, const std::string& folder,
                     TrayIcon& tray, HealthRecord& memory);

// The same, remembering nothing from one run to the next.
void ReportRunHealth(const RunReport& report, const LocalTime& now, const std::string& folder,
                     TrayIcon& tray);

// Brings the settings window to the front, and has it ask about content held
// back that it has not been told no about, or starts Sorel.exe from the
// folder that line 1 of the settings file names (which asks at its start). False when neither could
// be done (no such window, no folder named, or the program would not start).
bool OpenSettingsWindow();

}  // namespace sorel
