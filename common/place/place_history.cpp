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

// The characters besides the control characters that no file name may hold.
constexpr std::string_view kNotInNames = "\\/:*?\"<>|";

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

// Whether `name` is `upper` in any case of its ASCII letters.
bool SameLetters(std::string_view name, std::string_view upper) {
    if (name.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c =
            name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A') : name[i];
        if (c != upper[i]) {
            return false;
        }
    }
    return true;
}

// The FAT family's names, as GetVolumeInformation gives them.
bool IsFat(std::string_view name) {
    return SameLetters(name, "FAT") || SameLetters(name, "FAT12") || SameLetters(name, "FAT16") ||
           SameLetters(name, "FAT32");
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

std::string PcFolderName(std::string_view computerName, LeadByteTest isLead) {
    std::string folder;
    for (std::size_t i = 0; i < computerName.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(computerName[i]);
        if (isLead(c) && i + 1 < computerName.size()) {
            // The second byte may be a backslash or a "|": it is part of the
            // character, not one of its own.
            folder += computerName.substr(i, 2);
            ++i;
        } else if (c < 0x20 || kNotInNames.find(static_cast<char>(c)) != std::string_view::npos) {
            folder += '_';
        } else {
            folder += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    // Windows would drop a trailing dot or space, and find another folder.
    while (!folder.empty() && (folder.back() == '.' || folder.back() == ' ')) {
        folder.pop_back();
    }
    return folder.empty() ? "PC" : folder;
}

std::uint64_t TimeStepOf(std::string_view fileSystemName) {
    if (IsFat(fileSystemName)) {
        return 2 * 10'000'000;
    }
    return SameLetters(fileSystemName, "EXFAT") ? 100'000 : 0;
}

bool SameVersionTime(std::uint64_t version, std::uint64_t file, std::uint64_t step) {
    const std::uint64_t apart = version > file ? version - file : file - version;
    return step == 0 ? apart == 0 : apart < step;
}

std::uint64_t LargestFileOn(std::string_view fileSystemName) {
    return IsFat(fileSystemName) ? 0xFFFF'FFFFull : 0;
}

int DayOfWeek(const CivilDate& date) {
    // 1970-01-01 was a Thursday, the fourth day from Monday.
    const long weekday = (DaysFromCivil(date) + 3) % 7;
    return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

std::vector<CivilDate> VersionsToRemove(const std::vector<CivilDate>& versions,
                                        const CivilDate& current, const CivilDate& today) {
    std::vector<CivilDate> newestFirst = versions;
    std::sort(newestFirst.begin(), newestFirst.end(), [](const CivilDate& a, const CivilDate& b) {
        return DaysFromCivil(a) > DaysFromCivil(b);
    });
    std::vector<CivilDate> remove;
    std::vector<CivilDate> dates;
    for (const CivilDate& version : newestFirst) {
        if (!dates.empty() && version == dates.back()) {
            remove.push_back(version);  // the same date twice: one is enough
        } else {
            dates.push_back(version);
        }
    }
    std::vector<bool> keep(dates.size(), false);
    // Each rule walks the periods newest first; the first version met in a
    // period is its newest. A period whose newest is kept by an earlier rule
    // takes none of this rule's places.
    auto keepNewest = [&](auto periodOf, int places) {
        bool any = false;
        long last = 0;
        for (std::size_t i = 0; i < dates.size() && places > 0; ++i) {
            const long period = periodOf(dates[i]);
            if (any && period == last) {
                continue;
            }
            any = true;
            last = period;
            if (!keep[i]) {
                keep[i] = true;
                --places;
            }
        }
    };
    keepNewest([](const CivilDate& d) { return DaysFromCivil(d); }, 7);
    keepNewest([](const CivilDate& d) { return DaysFromCivil(d) - DayOfWeek(d); }, 4);
    keepNewest(MonthIndex, 24);
    const long latestTrusted = DaysFromCivil(today) + 1;
    for (std::size_t i = 0; i < dates.size(); ++i) {
        if (!keep[i] && !(dates[i] == current) && DaysFromCivil(dates[i]) <= latestTrusted) {
            remove.push_back(dates[i]);
        }
    }
    return remove;
}

}  // namespace sorel
