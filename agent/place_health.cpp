#include "place_health.h"

#include <algorithm>

#include "record_text.h"

namespace sorel {

namespace {

constexpr std::size_t kMaxPlaceFiles = 64;

using C = SecondCopyOutcome;

// Each outcome's words: its one-word name in the record, its line in the log,
// and, for a file behind, the balloon's text (with %s for the place's drive)
// and whether the cause passes by itself: those wait for a week of use before
// a balloon, the others are told at once.
struct CauseText {
    C outcome;
    const char* name;
    const char* logged;
    const char* balloon;
    bool passes;
};
constexpr CauseText kCauses[] = {
    {C::kPresent, "-", "控えはあるで", "", true},
    {C::kCopied, "copied", "控えたで", "", true},
    {C::kMissing, "missing", "ファイルが見つからへん", "", true},
    {C::kPlaceAway, "away", "控えの場所があらへん",
     "控えが 7 日とれてへんで。\n控えのドライブ（%s）をつないでな", true},
    {C::kPlaceFull, "full", "控えの場所がいっぱい",
     "控えの場所（%s）がいっぱいで 控えがとれてへんで。\n要らんファイルを消して あけてな", true},
    {C::kTooLarge, "too-large", "大きすぎて控えの場所に入らへん",
     "ファイルが大きすぎて 控えの場所（%s）に入らへん。\nNTFS か exFAT のドライブを選んでな",
     false},
    {C::kPlaceRefuses, "refuses", "控えの場所が書かせてくれへん",
     "控えの場所（%s）が書かせてくれへん。\n書き込み禁止を外すか 別の場所を選んでな", false},
    {C::kCheckFailed, "check-failed", "控えを読み返したら違うてた",
     "控えの場所（%s）に書いたもんを読み返したら 違うてたで。\nドライブが傷んでるかもしれへん",
     false},
    {C::kPathTooLong, "path-too-long", "控えのパスが長すぎる",
     "パスが長すぎて 控えがとれへん。\n控えの場所（%s）を短いフォルダーにしてな", false},
    {C::kFileInUse, "in-use", "使用中で控えられへん",
     "控えが 7 日とれてへんで。\nファイルを使うてるソフトを閉じといてな", true},
    {C::kNotReached, "not-reached", "控えは手つかず", "", true},
    {C::kFailed, "failed", "控えがでけへんかった",
     "控えが 7 日とれてへんで。\n控えの場所（%s）を確かめてな", true},
};

const CauseText& CauseOf(C outcome) {
    for (const CauseText& cause : kCauses) {
        if (cause.outcome == outcome) {
            return cause;
        }
    }
    return kCauses[sizeof kCauses / sizeof kCauses[0] - 1];
}

bool ReadCause(std::string_view text, C& outcome) {
    for (const CauseText& cause : kCauses) {
        if (text == cause.name) {
            outcome = cause.outcome;
            return true;
        }
    }
    return false;
}

// Whether a file behind is worth a balloon now.
bool WarnedOf(const FileCopyHealth& file) {
    const CauseText& cause = CauseOf(file.cause);
    return file.daysBehind >= (cause.passes ? kDaysBehindWarned : 1) && *cause.balloon;
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
    if (fields[0] == "damaged" && fields.size() >= 2 && place.damaged.size() < kMaxPlaceFiles) {
        place.damaged.push_back(Rest(fields, 1));
        return true;
    }
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
                CauseOf(file.cause).name + "\t" + file.path + "\r\n";
    }
    for (const std::string& version : place.damaged) {
        text += "damaged\t" + version + "\r\n";
    }
    return text;
}

bool TakePlaceRun(PlaceHealth& place, const PlaceReport& report, const std::string& today) {
    if (!report.chosen) {
        return false;
    }
    place.warnedDay = DayTakenIn(place.warnedDay, today);
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
        file.lastBehindDay = DayTakenIn(file.lastBehindDay, today);
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
        behindLong = behindLong || WarnedOf(file);
        files.push_back(std::move(file));
    }
    place.files = std::move(files);
    place.place = report.place;
    // A scrub names the damaged versions it found; one it had not named
    // before brings a balloon of its own, whatever else was told today.
    place.newlyDamaged = 0;
    if (report.scrub.done) {
        for (const std::string& version : report.scrub.damaged) {
            place.newlyDamaged += std::find(place.damaged.begin(), place.damaged.end(), version) ==
                                  place.damaged.end();
        }
        place.damaged = report.scrub.damaged;
        if (place.damaged.size() > kMaxPlaceFiles) {
            place.damaged.resize(kMaxPlaceFiles);
        }
    }
    if (place.newlyDamaged > 0) {
        place.warnedDay = std::max(place.warnedDay, today);
        return true;
    }
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
        text += "  " + std::string(CauseOf(result.outcome).logged) + "：" + result.path + "\r\n";
    }
    if (report.scrub.done) {
        text += "  控えを全部読み返したで（" + std::to_string(report.scrub.checked) + " 個）\r\n";
        for (const std::string& version : report.scrub.damaged) {
            text += "  控えが傷んでる：" + version + "\r\n";
        }
    }
    if (report.buffered || report.scrub.buffered) {
        text += "  このドライブは直に読まれへんので、読み返しはキャッシュ越しやで\r\n";
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

std::string PlaceBalloonTitle(const PlaceHealth& place) {
    return place.newlyDamaged > 0 ? "Ｓｏｒｅｌ２：控えが傷んでるで！"
                                  : "Ｓｏｒｅｌ２：控えがとれてへんで！";
}

std::string PlaceBalloonText(const PlaceHealth& place) {
    const std::string drive = DriveOf(place.place);
    if (place.newlyDamaged > 0) {
        return "控えの場所（" + drive + "）に 傷んだ控えが " +
               std::to_string(place.damaged.size()) +
               " 個あったで。\nドライブが傷んでるかもしれへん";
    }
    // The first file that is due names the cause; a drive away when none is.
    const char* balloon = CauseOf(C::kPlaceAway).balloon;
    for (const FileCopyHealth& file : place.files) {
        if (WarnedOf(file)) {
            balloon = CauseOf(file.cause).balloon;
            break;
        }
    }
    std::string text = balloon;
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, drive);
    }
    return text;
}

}  // namespace sorel
