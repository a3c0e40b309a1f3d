// The versions kept at the second copy's place: what they are named, which
// folder each listed file's versions go to, and which versions the history
// keeps as they age. Pure byte and date work on code page 932 text, so whole
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

// Whether a version's stored last-write time (100 ns units, as Windows
// counts) is the listed file's. A USB drive's file system keeps coarser
// times than the system disk's: FAT to 2 seconds, exFAT to 10 ms. A copy
// there never holds the exact time it was given, so times that differ by
// less than 2 seconds are taken for the same.
bool SameVersionTime(std::uint64_t version, std::uint64_t file);

// Of a file's versions, those the history no longer keeps. With N the newest
// date, a version dated d stays when N - d is at most 6 days; or when
// 7 <= N - d <= 34 and it is the newest in its 7-day block (ages 7+7k to
// 13+7k, k = 0..3); or when it is the newest of its calendar month, for the
// 24 months up to and including N's month. Every other date is returned.
std::vector<CivilDate> VersionsToRemove(const std::vector<CivilDate>& versions);

}  // namespace sorel
