// What the health record keeps of the second copy, and what the log, the
// tip and the balloon say of it. Pure, with the day passed in as "2026-12-07".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "place_outcome.h"

namespace sorel {

struct FileCopyHealth {
    std::string path;
    std::string heldDay;     // the last day on which the place held the file's current state
    std::string versionDay;  // the date of its newest version at the place, or empty
    int daysBehind = 0;      // days of use on which its newest state had no version there
    std::string lastBehindDay;
    // Why the latest run behind made no version; kPresent when none was behind.
    SecondCopyOutcome cause = SecondCopyOutcome::kPresent;
};

struct PlaceHealth {
    std::string place;      // where the place was last looked for, for the balloon
    std::string warnedDay;  // the day a balloon last asked for the place
    std::vector<FileCopyHealth> files;
    std::vector<std::string> damaged;  // versions the last scrub found damaged
    // Of the latest run taken in, not kept: how many of those it found first.
    int newlyDamaged = 0;
};

// A file's newest state without a second copy for this many days of use
// brings the balloon, when the cause may pass by itself (a drive away, a
// full place); a cause that does not (a file too large for the place, a
// place that refuses writing) is told on its first day.
constexpr int kDaysBehindWarned = 7;

// The record's lines: "place\t<warned day>\t<place>" and, per file,
// "placefile\t<held day>\t<version day>\t<days behind>\t<last behind
// day>\t<cause>\t<path>", then "damaged\t<version>" for each damaged version. Older records have
// none, or the shorter "copy" lines, read with the version's day as the held day; older agents pass
// over lines they do not know.
bool ReadPlaceLine(const std::vector<std::string_view>& fields, PlaceHealth& place);
std::string FormatPlaceLines(const PlaceHealth& place);

// Takes a run's second copies into `place`. True when a balloon is due now:
// for files behind, at most once a day for all files together; for damaged
// versions a scrub found, at once.
bool TakePlaceRun(PlaceHealth& place, const PlaceReport& report, const std::string& today);

// The log's lines for the second copies; empty when no place is chosen.
std::string PlaceLogText(const PlaceReport& report, const std::string& stamp);

// The tip's addition: the oldest of the days on which the place last held
// each file's current state.
std::string PlaceTipText(const PlaceHealth& place);

// That oldest day among `listed`; empty when none of them was ever held.
std::string OldestHeldDay(const PlaceHealth& place, const std::vector<std::string>& listed);

// The balloon's title and text, naming the place's drive or share and the
// cause: only a place that is away asks for the drive.
std::string PlaceBalloonTitle(const PlaceHealth& place);
std::string PlaceBalloonText(const PlaceHealth& place);

}  // namespace sorel
