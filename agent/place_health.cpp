#include "place_health.h"

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
    if (fields[0] != "copy" || fields.size() < 5 || !PlainRecordField(fields[1]) ||
        !PlainRecordField(fields[3]) || !ReadRecordCount(fields[2], file.daysBehind) ||
        place.files.size() >= kMaxPlaceFiles) {
        return false;
    }
    file.versionDay = std::string(fields[1]);
    file.lastBehindDay = std::string(fields[3]);
    file.path = Rest(fields, 4);
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
        text += "copy\t" + file.versionDay + "\t" + std::to_string(file.daysBehind) + "\t" +
                file.lastBehindDay + "\t" + file.path + "\r\n";
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
            file.daysBehind = 0;
        } else if (result.outcome != SecondCopyOutcome::kMissing && today > file.lastBehindDay) {
            // A missing file has no state to copy; the run beside the files
            // tells of it.
            ++file.daysBehind;
            file.lastBehindDay = today;
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

std::string PlaceTipText(const PlaceHealth& place) {
    // A file never copied (one that was missing whenever the place was
    // there) does not hide the others' date.
    std::string oldest;
    for (const FileCopyHealth& file : place.files) {
        if (!file.versionDay.empty() && (oldest.empty() || file.versionDay < oldest)) {
            oldest = file.versionDay;
        }
    }
    if (place.files.empty()) {
        return {};
    }
    return oldest.empty() ? "　控え なし" : "　控え " + oldest;
}

std::string PlaceBalloonText(const PlaceHealth& place) {
    return "控えが " + std::to_string(kDaysBehindWarned) + " 日とれてへんで。\n控えのドライブ（" +
           DriveOf(place.place) + "）をつないでな";
}

}  // namespace sorel
