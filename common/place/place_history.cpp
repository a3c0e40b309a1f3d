#include "place_history.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>

namespace sorel {

namespace {

// A file name longer than this is shortened in its folder's name, so that
// the folder, the version name and the place's own path fit the system's limit
// together.
constexpr std::size_t kMaxNameInFolder = 40;

long MonthIndex(const CivilDate& date) {
    return static_cast<long>(date.year) * 12 + (date.month - 1);
}

bool Digits(std::string_view text, int& value) {
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return !text.empty();
}

bool ValidDate(const CivilDate& date) {
    if (date.year < 1601 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1) {
        return false;
    }
    CivilDate next =
        date.month == 12 ? CivilDate{date.year + 1, 1, 1} : CivilDate{date.year, date.month + 1, 1};
    return DaysFromCivil(date) < DaysFromCivil(next);
}

}  // namespace

long DaysFromCivil(const CivilDate& date) {
    // Howard Hinnant's days_from_civil: years start in March, so the leap
    // day is the last day of its year.
    const long y = date.year - (date.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yearOfEra = y - era * 400;
    const long monthFromMarch = date.month > 2 ? date.month - 3 : date.month + 9;
    const long dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::string VersionName(const CivilDate& date, std::string_view fileName) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d ", date.year, date.month, date.day);
    return text + std::string(fileName);
}

bool VersionDate(std::string_view versionName, std::string_view fileName, CivilDate& date) {
    constexpr std::size_t kDateChars = 11;  // "2026-12-07 "
    if (versionName.size() != kDateChars + fileName.size() ||
        versionName.substr(kDateChars) != fileName || versionName[4] != '-' ||
        versionName[7] != '-' || versionName[10] != ' ') {
        return false;
    }
    CivilDate read;
    if (!Digits(versionName.substr(0, 4), read.year) ||
        !Digits(versionName.substr(5, 2), read.month) ||
        !Digits(versionName.substr(8, 2), read.day) || !ValidDate(read)) {
        return false;
    }
    date = read;
    return true;
}

std::string FileFolderName(std::string_view path, LeadByteTest isLead) {
    const std::string name = FileDisplayName(path, isLead);
    if (name.empty()) {
        return {};
    }
    // FNV-1a over the path as Windows compares it: ASCII letters upper-cased,
    // the second byte of a double-byte character left alone.
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (isLead(c) && i + 1 < path.size()) {
            hash = (hash ^ c) * 16777619u;
            c = static_cast<unsigned char>(path[++i]);
        } else if (c >= 'a' && c <= 'z') {
            c = static_cast<unsigned char>(c - 'a' + 'A');
        } else if (c == '/') {
            c = '\\';
        }
        hash = (hash ^ c) * 16777619u;
    }
    // Shortened at a character's start, never between its two bytes.
    std::size_t keep = 0;
    while (keep < name.size()) {
        const std::size_t width =
            isLead(static_cast<unsigned char>(name[keep])) && keep + 1 < name.size() ? 2 : 1;
        if (keep + width > kMaxNameInFolder) {
            break;
        }
        keep += width;
    }
    std::string folder = name.substr(0, keep);
    // A folder name may not end in a dot or a space: Windows would drop it.
    while (!folder.empty() && (folder.back() == '.' || folder.back() == ' ')) {
        folder.pop_back();
    }
    char hex[12];
    std::snprintf(hex, sizeof hex, " %08X", static_cast<unsigned>(hash));
    return folder + hex;
}

std::string TemporaryVersionName(std::string_view fileName) {
    return "~copy " + std::string(fileName);
}

bool SameVersionTime(std::uint64_t version, std::uint64_t file) {
    constexpr std::uint64_t kCoarsestStep = 2 * 10'000'000;  // FAT's 2 seconds
    return (version > file ? version - file : file - version) < kCoarsestStep;
}

std::vector<CivilDate> VersionsToRemove(const std::vector<CivilDate>& versions) {
    if (versions.empty()) {
        return {};
    }
    std::vector<CivilDate> newestFirst = versions;
    std::sort(newestFirst.begin(), newestFirst.end(), [](const CivilDate& a, const CivilDate& b) {
        return DaysFromCivil(a) > DaysFromCivil(b);
    });
    const long newest = DaysFromCivil(newestFirst.front());
    const long newestMonth = MonthIndex(newestFirst.front());
    constexpr int kBlocks = 4;
    bool blockTaken[kBlocks] = {};
    long lastMonthTaken = newestMonth + 1;
    long lastDay = newest + 1;
    std::vector<CivilDate> remove;
    for (const CivilDate& version : newestFirst) {
        const long day = DaysFromCivil(version);
        if (day == lastDay) {
            remove.push_back(version);  // the same date twice: one is enough
            continue;
        }
        lastDay = day;
        const long age = newest - day;
        bool keep = age <= 6;
        if (age >= 7 && age <= 34 && !blockTaken[(age - 7) / 7]) {
            blockTaken[(age - 7) / 7] = true;
            keep = true;
        }
        const long month = MonthIndex(version);
        if (month != lastMonthTaken && newestMonth - month <= 23) {
            // Newest first: the first version met in a month is its newest.
            lastMonthTaken = month;
            keep = true;
        }
        if (!keep) {
            remove.push_back(version);
        }
    }
    return remove;
}

}  // namespace sorel
