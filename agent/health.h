// The agent's record of how each listed file has fared, and what it tells
// the user: the log of every run, the tip of the tray icon and a balloon for a
// file that is not being protected. Pure: bytes and values in, bytes and
// values out, with the clock passed in, so whole weeks can be simulated.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "place_health.h"
#include "run_outcome.h"

namespace sorel {

// A local time as the clock gives it.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "2026-12-07": a day of use is told apart from another by this text.
std::string DayKey(const LocalTime& time);
// "2026-12-07 09:15".
std::string StampText(const LocalTime& time);

// What the record keeps of one listed file.
struct FileHealth {
    std::string path;
    FileOutcome lastOutcome = FileOutcome::kUnchanged;
    std::string lastStored;     // StampText of the run that last stored it, or empty
    int runsUnprotected = 0;    // runs in a row that neither stored nor found it unchanged
    int daysUnprotected = 0;    // distinct days of use among those runs
    std::string lastFailedDay;  // DayKey of the latest of those runs (or of a protected day)
    std::string lastWarnedDay;  // DayKey of the day a balloon last named it
};

struct HealthRecord {
    // Of the latest run taken in, for the tip. Not kept in the record's file:
    // then a run that changed nothing for any file writes nothing.
    std::string lastRun;    // StampText of the run
    int lastRunStored = 0;  // how many files it stored
    std::vector<FileHealth> files;
    PlaceHealth place;  // the second copies, when a place is chosen
};

// The record's file in the health folder.
constexpr char kHealthRecordName[] = "health.txt";

// A record file larger than this is taken as damaged and started afresh.
constexpr std::size_t kMaxRecordBytes = 64 * 1024;

// Reads the record's text. Whatever cannot be read (a damaged line, an
// unknown outcome, a file that is not a record, or one larger than
// kMaxRecordBytes) is left out, so the worst a damaged file does is start
// the record afresh.
HealthRecord ParseHealthRecord(std::string_view bytes);

// The record as text: a first line naming it, then one line per file with
// the path last, every line ended by CR LF.
std::string FormatHealthRecord(const HealthRecord& record);

// Whether the file is at risk now: unprotected on two days of use in a row,
// or at once for a reason that does not pass by itself.
bool AtRisk(const FileHealth& file);

// A file a balloon names now, with the reason.
struct Warning {
    std::string path;
    FileOutcome outcome;
};

// Takes a finished run into the record at `now` and returns the files that a
// balloon should name now: at risk, and not named yet today. Files that left
// the list leave the record. A run that visited no file (a check that found
// today recorded, or a list that could not be read) changes nothing.
std::vector<Warning> TakeRun(HealthRecord& record, const RunReport& report, const LocalTime& now);

// `stored` as the record's file gives it, with the days that `remembered`
// (the agent's own copy) says a balloon already named a file, where those are
// later: a record that could not be written must not warn twice a day.
HealthRecord TakeWarnedDays(HealthRecord stored, const HealthRecord& remembered);

// The run's part of the log: a first line with the time, one line per file
// with its outcome and path, and a last line with the counts; CR LF, in the
// program's code page. Empty for a run that visited no file.
std::string RunLogText(const RunReport& report, const LocalTime& now);

// The tray icon's tip: the program's name, then the last run's time and how
// many files it stored, or how many files are at risk.
std::string TrayTipText(const HealthRecord& record);

struct BalloonText {
    std::string title;
    std::string text;
};

// The balloon for the files to warn about: the first named with its reason
// and a hint of what to do, the others counted. `warnings` is not empty.
BalloonText BalloonFor(const std::vector<Warning>& warnings);

// The log is kept below this size: when a run would take it past, the log
// becomes the old log (replacing the one before) and a new one begins.
constexpr std::size_t kMaxLogBytes = 256 * 1024;

}  // namespace sorel
