#include "place_health.h"

#include <algorithm>

#include "record_text.h"

namespace sorel {

namespace {

constexpr std::size_t kMaxPlaceFiles = 64;

const char* Logged(SecondCopyOutcome outcome) {
    switch (outcome) {
        case SecondCopyOutcome::kCopied:
            return "控えたで";
        case SecondCopyOutcome::kPresent:
            return "控えはあるで";
        case SecondCopyOutcome::kMissing:
            return "ファイルが見つからへん";
        case SecondCopyOutcome::kPlaceFull:
            return "控えの場所がいっぱい";
        case SecondCopyOutcome::kNotReached:
            return "控えは手つかず";
        case SecondCopyOutcome::kPlaceAway:
            return "控えの場所があらへん";
        default:
            return "控えがでけへんかった";
    }
}

// The record's names for the causes, one word each.
struct CauseName {
    SecondCopyOutcome outcome;
    const char* name;
};
constexpr CauseName kCauseNames[] = {
    {SecondCopyOutcome::kPresent, "-"},
    {SecondCopyOutcome::kPlaceAway, "away"},
    {SecondCopyOutcome::kPlaceFull, "full"},
    {SecondCopyOutcome::kTooLarge, "too-large"},
    {SecondCopyOutcome::kPlaceRefuses, "refuses"},
    {SecondCopyOutcome::kCheckFailed, "check-failed"},
    {SecondCopyOutcome::kPathTooLong, "path-too-long"},
    {SecondCopyOutcome::kFailed, "failed"},
    {SecondCopyOutcome::kNotReached, "not-reached"},
};

const char* CauseText(SecondCopyOutcome outcome) {
    for (const CauseName& cause : kCauseNames) {
        if (cause.outcome == outcome) {
            return cause.name;
        }
    }
    return "failed";
}

bool ReadCause(std::string_view text, SecondCopyOutcome& outcome) {
    for (const CauseName& cause : kCauseNames) {
        if (text == cause.name) {
            outcome = cause.outcome;
            return true;
        }
    }
    return false;
}

// The rest of the line from `first`: a path may hold a tab.
std::string Rest(const std::vector<std::string_view>& fields, std::size_t first) {
    std::string rest(fields[first]);
    for (std::size_t i = first + 1; i < fields.size(); ++i) {
        rest += '\t';
        rest += fields[i];
    }
    return rest;
}

// "E:" for a drive path, "\\server\share" for a network one.
std::string DriveOf(const std::string& place) {
    if (place.size() >= 2 && place[1] == ':') {
        return place.substr(0, 2);
    }
    if (place.rfind("\\\\", 0) == 0) {
        std::size_t server = place.find('\\', 2);
        std::size_t share = server == std::string::npos ? server : place.find('\\', server + 1);
        return place.substr(0, share);
    }
    return place;
}

}  // namespace

bool ReadPlaceLine(const std::vector<std::string_view>& fields, PlaceHealth& place) {
    if (fields[0] == "place" && fields.size() >= 3 && PlainRecordField(fields[1])) {
        place.warnedDay = std::string(fields[1]);
        place.place = Rest(fields, 2);
        return true;
    }
    FileCopyHealth file;
    // The older line had no held day and no cause: the version's day was
    // the last day known to hold the file's state.
    const bool older = fields[0] == "copy";
    const std::size_t at = older ? 0 : 1;
    if ((!older && fields[0] != "placefile") || fields.size() < 5 + 2 * at ||
        !PlainRecordField(fields[1]) || !PlainRecordField(fields[1 + at]) ||
        !PlainRecordField(fields[3 + at]) || !ReadRecordCount(fields[2 + at], file.daysBehind) ||
        (!older && !ReadCause(fields[5], file.cause)) || place.files.size() >= kMaxPlaceFiles) {
        return false;
    }
    file.heldDay = std::string(fields[1]);
    file.versionDay = std::string(fields[1 + at]);
    file.lastBehindDay = std::string(fields[3 + at]);
    file.path = Rest(fields, 4 + 2 * at);
    if (file.path.empty() || file.path.find('\0') != std::string::npos) {
        return false;
    }
    place.files.push_back(std::move(file));
    return true;
}

std::string FormatPlaceLines(const PlaceHealth& place) {
    if (place.place.empty() && place.files.empty()) {
        return {};
    }
    std::string text = "place\t" + place.warnedDay + "\t" + place.place + "\r\n";
    for (const FileCopyHealth& file : place.files) {
        text += "placefile\t" + file.heldDay + "\t" + file.versionDay + "\t" +
                std::to_string(file.daysBehind) + "\t" + file.lastBehindDay + "\t" +
                CauseText(file.cause) + "\t" + file.path + "\r\n";
    }
    return text;
}

bool TakePlaceRun(PlaceHealth& place, const PlaceReport& report, const std::string& today) {
    if (!report.chosen) {
        return false;
    }
    std::vector<FileCopyHealth> files;
    bool behindLong = false;
    for (const SecondCopyResult& result : report.files) {
        if (files.size() >= kMaxPlaceFiles ||
            result.path.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            continue;
        }
        FileCopyHealth file;
        file.path = result.path;
        for (const FileCopyHealth& old : place.files) {
            if (old.path == result.path) {
                file = old;
            }
        }
        if (result.outcome == SecondCopyOutcome::kCopied ||
            result.outcome == SecondCopyOutcome::kPresent) {
            file.versionDay = result.versionDay;
            file.heldDay = today;
            file.daysBehind = 0;
            file.cause = SecondCopyOutcome::kPresent;
        } else if (result.outcome != SecondCopyOutcome::kMissing && today > file.lastBehindDay) {
            // A missing file has no state to copy; the run beside the files
            // tells of it.
            ++file.daysBehind;
            file.lastBehindDay = today;
        }
        if (result.outcome != SecondCopyOutcome::kCopied &&
            result.outcome != SecondCopyOutcome::kPresent &&
            result.outcome != SecondCopyOutcome::kMissing &&
            result.outcome != SecondCopyOutcome::kNotReached) {
            file.cause = result.outcome;
        }
        behindLong = behindLong || file.daysBehind >= kDaysBehindWarned;
        files.push_back(std::move(file));
    }
    place.files = std::move(files);
    place.place = report.place;
    if (behindLong && today > place.warnedDay) {
        place.warnedDay = today;
        return true;
    }
    return false;
}

std::string PlaceLogText(const PlaceReport& report, const std::string& stamp) {
    if (!report.chosen) {
        return {};
    }
    if (!report.found) {
        return stamp + " 控えの場所が見つからへん：" + report.place + "\r\n";
    }
    std::string text = stamp + " 控え：" + report.place + "\r\n";
    for (const SecondCopyResult& result : report.files) {
        text += "  " + std::string(Logged(result.outcome)) + "：" + result.path + "\r\n";
    }
    return text;
}

std::string OldestHeldDay(const PlaceHealth& place, const std::vector<std::string>& listed) {
    // A file never copied (one that was missing whenever the place was
    // there) does not hide the others' day.
    std::string oldest;
    for (const FileCopyHealth& file : place.files) {
        const bool isListed = std::find(listed.begin(), listed.end(), file.path) != listed.end();
        if (isListed && !file.heldDay.empty() && (oldest.empty() || file.heldDay < oldest)) {
            oldest = file.heldDay;
        }
    }
    return oldest;
}

std::string PlaceTipText(const PlaceHealth& place) {
    if (place.files.empty()) {
        return {};
    }
    std::vector<std::string> paths;
    for (const FileCopyHealth& file : place.files) {
        paths.push_back(file.path);
    }
    const std::string oldest = OldestHeldDay(place, paths);
    return oldest.empty() ? "　控え なし" : "　控え " + oldest;
}

std::string PlaceBalloonText(const PlaceHealth& place) {
    return "控えが " + std::to_string(kDaysBehindWarned) + " 日とれてへんで。\n控えのドライブ（" +
           DriveOf(place.place) + "）をつないでな";
}

}  // namespace sorel
