// The versions kept at the second copy's place: what they are named, which
// folder each listed file's versions go to, and which versions the history
// keeps as more are made. Pure byte and date work on code page 932 text, so whole
// years of versions can be simulated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../store_path.h"

namespace sorel {

// A local calendar date.
struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const CivilDate& other) const {
        return year == other.year && month == other.month && day == other.day;
    }
};

// Days since 1970-01-01 in the proleptic Gregorian calendar, so that the
// distance between two dates is a subtraction.
long DaysFromCivil(const CivilDate& date);

// "2026-12-07 家計簿.xls": the local date of the state's last write, a space
// and the file's own name, so that Explorer sorts a file's versions by date.
std::string VersionName(const CivilDate& date, std::string_view fileName);

// The date a version's name gives, when `versionName` is a version of
// `fileName` (the temporary copies and anything a user put there are not).
bool VersionDate(std::string_view versionName, std::string_view fileName, CivilDate& date);

// The folder below the marker's folder that holds one listed file's versions:
// its name (shortened when long), a space and eight hex digits of a hash of
// the full path upper-cased, as Windows compares names. The name lets a
// person recognise the file; the hash keeps two files of the same name in
// different folders apart. Empty for a path without a file name.
std::string FileFolderName(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

// The name a version is copied under first, in the file's folder: it begins
// with "~", so it is never taken for a version.
std::string TemporaryVersionName(std::string_view fileName);

// The folder below the marker's folder that holds one PC's versions, named
// after the computer so that a person recognises it in Explorer: ASCII letters
// upper-cased, as Windows shows computer names; a character no file name may
// hold becomes "_", and no name ends in a dot or a space. "PC" when nothing
// is left.
std::string PcFolderName(std::string_view computerName, LeadByteTest isLead = IsCp932LeadByte);

// How coarsely the named file system (as GetVolumeInformation names it) keeps
// last-write times, in 100 ns units: FAT to 2 seconds, exFAT to 10 ms, and 0
// for the file systems that keep them exactly (NTFS, ReFS, a share's).
std::uint64_t TimeStepOf(std::string_view fileSystemName);

// Whether a version's stored last-write time (100 ns units, as Windows
// counts) is the listed file's. A copy on a coarse file system never holds the
// exact time it was given, so times less than `step` apart are taken for the
// same; with a step of 0 only the same time is.
bool SameVersionTime(std::uint64_t version, std::uint64_t file, std::uint64_t step);

// The largest file the named file system holds, in bytes: 4 GiB - 1 on FAT.
// 0 when no limit is known.
std::uint64_t LargestFileOn(std::string_view fileSystemName);

// The weekday, 0 for Monday to 6 for Sunday.
int DayOfWeek(const CivilDate& date);

// Of a file's versions, those the history no longer keeps. Counted newest
// first, in periods that hold a version, so that a version is never old
// merely because the clock moved on or the user stopped editing: the newest
// version of each of the 7 latest days that have one; then that of each of
// the 4 latest Monday-to-Sunday weeks whose newest is not kept already; then
// that of each of the 24 latest months whose newest is not kept already. A
// second version of the same date is returned. `current`, the version that
// holds the file's current state ({} for none), is kept whatever its date,
// and so is one dated after the day after `today`: it was saved while the
// clock was wrong, and may be the only copy of that state. It still takes its
// place among the days it is counted in.
std::vector<CivilDate> VersionsToRemove(const std::vector<CivilDate>& versions,
                                        const CivilDate& current, const CivilDate& today);

}  // namespace sorel
