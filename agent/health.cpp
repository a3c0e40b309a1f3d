#include "health.h"

#include <cstdio>
#include <cstdlib>

#include "record_text.h"
#include "store_path.h"

namespace sorel {

namespace {

constexpr char kRecordFirstLine[] = "Sorel health 1";
constexpr std::size_t kMaxRecordFiles = 64;
// Counters stop here; a damaged number beyond it reads as a damaged line.
constexpr int kMaxCount = 1000000;
// Balloon texts hold at most 255 bytes; a long file name is cut well before.
constexpr std::size_t kMaxNameBytes = 80;
constexpr std::size_t kMaxBalloonBytes = 255;

struct OutcomeWords {
    FileOutcome outcome;
    const char* key;     // in the record: plain ASCII, never translated
    const char* logged;  // in the log
};

constexpr OutcomeWords kOutcomeWords[] = {
    {FileOutcome::kStored, "stored", "保存したで"},
    {FileOutcome::kUnchanged, "unchanged", "変わってへん"},
    {FileOutcome::kMissing, "missing", "見つからへん"},
    {FileOutcome::kHeld, "held", "使用中で読めへん"},
    {FileOutcome::kNoAccess, "no-access", "読む権限があらへん"},
    {FileOutcome::kGenerationHeld, "generation-held", "バックアップが使用中"},
    {FileOutcome::kGenerationFolder, "generation-folder", "バックアップの名前がフォルダー"},
    {FileOutcome::kPathUnusable, "path-unusable", "この場所は保存でけへん"},
    {FileOutcome::kNameUnusable, "name-unusable", "ファイルの名前やあらへん"},
    {FileOutcome::kDiskFull, "disk-full", "ディスクがいっぱい"},
    {FileOutcome::kCopyFailed, "copy-failed", "コピーでけへんかった"},
    {FileOutcome::kNotReached, "not-reached", "ログオフで手つかず"},
    {FileOutcome::kNotReachedQuit, "not-reached-quit", "終了で手つかず"},
    {FileOutcome::kContentSuspect, "content-suspect", "中身が別物"},
};

const OutcomeWords& WordsOf(FileOutcome outcome) {
    for (const OutcomeWords& words : kOutcomeWords) {
        if (words.outcome == outcome) {
            return words;
        }
    }
    return kOutcomeWords[0];
}

bool Protected(FileOutcome outcome) {
    return outcome == FileOutcome::kStored || outcome == FileOutcome::kUnchanged;
}

// Reasons that stay until the user acts, so waiting a day tells nothing more.
bool Lasting(FileOutcome outcome) {
    return outcome == FileOutcome::kPathUnusable || outcome == FileOutcome::kDiskFull ||
           outcome == FileOutcome::kNoAccess || outcome == FileOutcome::kNameUnusable ||
           outcome == FileOutcome::kGenerationFolder || outcome == FileOutcome::kContentSuspect;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

bool ReadOutcome(std::string_view text, FileOutcome& outcome) {
    for (const OutcomeWords& words : kOutcomeWords) {
        if (text == words.key) {
            outcome = words.outcome;
            return true;
        }
    }
    return false;
}

bool ReadFileLine(const std::vector<std::string_view>& fields, FileHealth& file) {
    // file, outcome, stored, runs, days, counted day, warned day, path; the
    // path comes last and is the rest of the line, whatever it holds.
    if (fields.size() < 8) {
        return false;
    }
    for (std::size_t i = 2; i < 7; ++i) {
        if (!PlainRecordField(fields[i])) {
            return false;
        }
    }
    std::string path(fields[7]);
    for (std::size_t i = 8; i < fields.size(); ++i) {
        path += '\t';
        path += fields[i];
    }
    if (path.empty() || path.find('\0') != std::string::npos) {
        return false;
    }
    if (!ReadOutcome(fields[1], file.lastOutcome) ||
        !ReadRecordCount(fields[3], file.runsUnprotected) ||
        !ReadRecordCount(fields[4], file.daysUnprotected)) {
        return false;
    }
    file.lastStored = std::string(fields[2]);
    file.lastFailedDay = std::string(fields[5]);
    file.lastWarnedDay = std::string(fields[6]);
    file.path = std::move(path);
    return true;
}

std::string Number(int n) {
    return std::to_string(n);
}

// Cuts `text` to at most `maxBytes` bytes without splitting a double-byte
// character, marking the cut.
std::string Shortened(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    constexpr std::string_view kEllipsis = "…";
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t step = IsCp932LeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step + kEllipsis.size() > maxBytes) {
            break;
        }
        end += step;
    }
    return std::string(text.substr(0, end)) + std::string(kEllipsis);
}

// The file's name: what follows the last backslash or slash, read double-byte
// aware so that the second byte of 表 is not taken for one. Also for paths
// without a drive, which have no parts to split.
std::string LastName(std::string_view path) {
    const std::size_t separator = LastSeparator(path);
    const std::size_t start = separator == std::string_view::npos ? 0 : separator + 1;
    return std::string(start < path.size() ? path.substr(start) : path);
}

// Day keys sort as text; the empty key is before every day.
std::string Later(const std::string& a, const std::string& b) {
    return a < b ? b : a;
}

struct Advice {
    const char* reason;  // follows the file's name in 「」
    const char* hint;
};

Advice AdviceFor(FileOutcome outcome) {
    switch (outcome) {
        case FileOutcome::kMissing:
            return {"が見つからへんで。", "ドライブやUSBメモリをつないどいてな。"};
        case FileOutcome::kHeld:
            return {"を他のソフトが使うてて読めへんで。", "そのソフトを閉じといてな。"};
        case FileOutcome::kNoAccess:
            return {"を読む権限があらへんで。", "ファイルのアクセス許可を見直してな。"};
        case FileOutcome::kGenerationHeld:
            return {"のバックアップを他のソフトが開いてるで。", "そのソフトを閉じといてな。"};
        case FileOutcome::kGenerationFolder:
            return {"のバックアップの名前にフォルダーがあるで。",
                    "backUp フォルダーの中を片付けてな。"};
        case FileOutcome::kPathUnusable:
            return {"の場所は長すぎるか、ドライブがあらへんで。",
                    "短い名前のフォルダーに移して登録し直してな。"};
        case FileOutcome::kNameUnusable:
            return {"はバックアップでけるファイルの名前やあらへんで。",
                    "ファイルを登録し直してな。"};
        case FileOutcome::kDiskFull:
            return {"のドライブがいっぱいで保存でけへんで。", "いらんファイルを消して空けてな。"};
        case FileOutcome::kNotReached:
            return {"はログオフでバックアップでけへんかったで。",
                    "バックアップが済むまで待ってからログオフしてな。"};
        case FileOutcome::kNotReachedQuit:
            return {"はＳｏｒｅｌ２の終了でバックアップでけへんかったで。",
                    "Ｓｏｒｅｌ２をもう一回起動しといてな。"};
        default:
            return {"がコピーでけへんで。", "ドライブの具合を見てな。"};
    }
}

}  // namespace

std::string DayKey(const LocalTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.year, time.month, time.day);
    return text;
}

std::string StampText(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return DayKey(time) + " " + text;
}

HealthRecord ParseHealthRecord(std::string_view bytes) {
    HealthRecord record;
    if (bytes.size() > kMaxRecordBytes) {
        return record;
    }
    std::vector<std::string_view> lines = Split(bytes, '\n');
    for (std::string_view& line : lines) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
    }
    if (lines.empty() || lines[0] != kRecordFirstLine) {
        return record;
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string_view> fields = Split(lines[i], '\t');
        if (fields[0] == "file" && record.files.size() < kMaxRecordFiles) {
            FileHealth file;
            if (!ReadFileLine(fields, file)) {
                continue;
            }
            bool seen = false;
            for (const FileHealth& other : record.files) {
                seen = seen || other.path == file.path;
            }
            if (!seen) {
                record.files.push_back(std::move(file));
            }
        } else {
            ReadPlaceLine(fields, record.place);
        }
    }
    return record;
}

std::string FormatHealthRecord(const HealthRecord& record) {
    std::string text = std::string(kRecordFirstLine) + "\r\n";
    for (const FileHealth& file : record.files) {
        text += "file\t" + std::string(WordsOf(file.lastOutcome).key) + "\t" + file.lastStored +
                "\t" + Number(file.runsUnprotected) + "\t" + Number(file.daysUnprotected) + "\t" +
                file.lastFailedDay + "\t" + file.lastWarnedDay + "\t" + file.path + "\r\n";
    }
    return text + FormatPlaceLines(record.place);
}

bool AtRisk(const FileHealth& file) {
    return !Protected(file.lastOutcome) && (file.daysUnprotected >= 2 || Lasting(file.lastOutcome));
}

std::vector<Warning> TakeRun(HealthRecord& record, const RunReport& report, const LocalTime& now) {
    std::vector<Warning> warnings;
    if (report.files.empty()) {
        return warnings;
    }
    const std::string today = DayKey(now);
    const std::string stamp = StampText(now);
    std::vector<FileHealth> files;
    int stored = 0;
    for (const FileResult& result : report.files) {
        bool listedTwice = false;
        for (const FileHealth& done : files) {
            listedTwice = listedTwice || done.path == result.path;
        }
        // A line end or a NUL could not be kept in the record's lines; no
        // listed path holds one.
        bool keepable = !result.path.empty() &&
                        result.path.find_first_of(std::string_view("\n\0", 2)) == std::string::npos;
        if (listedTwice || !keepable || files.size() >= kMaxRecordFiles) {
            continue;
        }
        FileHealth file;
        file.path = result.path;
        for (const FileHealth& old : record.files) {
            if (old.path == result.path) {
                file = old;
                break;
            }
        }
        file.lastFailedDay = DayTakenIn(file.lastFailedDay, today);
        file.lastWarnedDay = DayTakenIn(file.lastWarnedDay, today);
        // Content held back is told at once, even on a day the file was
        // named for another reason: it may be the last good state going.
        const bool newlySuspect = result.outcome == FileOutcome::kContentSuspect &&
                                  file.lastOutcome != FileOutcome::kContentSuspect;
        file.lastOutcome = result.outcome;
        if (Protected(result.outcome)) {
            if (result.outcome == FileOutcome::kStored) {
                file.lastStored = stamp;
                ++stored;
            }
            file.runsUnprotected = 0;
            file.daysUnprotected = 0;
            // A later failure today does not make today a day it went
            // unprotected: it was protected today.
            file.lastFailedDay = Later(file.lastFailedDay, today);
        } else {
            if (file.runsUnprotected < kMaxCount) {
                ++file.runsUnprotected;
            }
            // Only a day after the last counted one is a new day of use: a
            // clock put back after midnight, or a new time zone, must not count
            // a second day minutes after the first.
            if (today > file.lastFailedDay && file.daysUnprotected < kMaxCount) {
                ++file.daysUnprotected;
            }
            file.lastFailedDay = Later(file.lastFailedDay, today);
        }
        if (AtRisk(file) && (today > file.lastWarnedDay || newlySuspect)) {
            file.lastWarnedDay = today;
            warnings.push_back({file.path, file.lastOutcome});
        }
        files.push_back(std::move(file));
    }
    record.files = std::move(files);
    record.lastRun = stamp;
    record.lastRunStored = stored;
    return warnings;
}

HealthRecord TakeWarnedDays(HealthRecord stored, const HealthRecord& remembered) {
    for (FileHealth& file : stored.files) {
        for (const FileHealth& known : remembered.files) {
            if (known.path == file.path) {
                file.lastWarnedDay = Later(file.lastWarnedDay, known.lastWarnedDay);
            }
        }
    }
    if (stored.files.empty()) {
        // A record lost or damaged meanwhile: what the agent remembers is all
        // there is.
        stored.files = remembered.files;
    }
    if (stored.place.files.empty()) {
        stored.place = remembered.place;
    }
    stored.place.warnedDay = Later(stored.place.warnedDay, remembered.place.warnedDay);
    return stored;
}

std::string RunLogText(const RunReport& report, const LocalTime& now) {
    if (report.files.empty()) {
        return {};
    }
    const std::string stamp = StampText(now);
    std::string text = stamp + " バックアップしたで（" +
                       Number(static_cast<int>(report.files.size())) + " 個）\r\n";
    int stored = 0, unchanged = 0, failed = 0;
    for (const FileResult& result : report.files) {
        text += "  " + std::string(WordsOf(result.outcome).logged) + "：" + result.path + "\r\n";
        if (result.outcome == FileOutcome::kStored) {
            ++stored;
        } else if (result.outcome == FileOutcome::kUnchanged) {
            ++unchanged;
        } else {
            ++failed;
        }
    }
    text += stamp + " おしまい　保存 " + Number(stored) + " 個、変わらず " + Number(unchanged) +
            " 個、でけへん " + Number(failed) + " 個\r\n";
    return text;
}

namespace {

// The program, and how the last run went.
std::string RunTipText(const HealthRecord& record) {
    std::string tip = "Ｓｏｒｅｌ２";
    if (record.lastRun.size() != 16) {
        return tip;
    }
    // "2026-12-07 09:15" is shown as "12/7 9:15".
    auto number = [&](std::size_t at) { return std::atoi(record.lastRun.substr(at, 2).c_str()); };
    char when[64];
    std::snprintf(when, sizeof when, "%d/%d %d:%02d", number(5), number(8), number(11), number(14));
    int atRisk = 0;
    for (const FileHealth& file : record.files) {
        atRisk += AtRisk(file) ? 1 : 0;
    }
    tip += "　" + std::string(when);
    if (atRisk > 0) {
        return tip + "　危ないファイルが " + Number(atRisk) + " 個あるで";
    }
    return tip + " に " + Number(record.lastRunStored) + " 個保存";
}

}  // namespace

std::string TrayTipText(const HealthRecord& record) {
    return RunTipText(record) + PlaceTipText(record.place);
}

namespace {

// Content held back comes before every other warning: it may be ransomware
// at work, and the user has a few days before the last good state is gone.
BalloonText SuspectBalloon(const std::vector<Warning>& warnings) {
    std::vector<std::string> names;
    for (const Warning& warning : warnings) {
        if (warning.outcome == FileOutcome::kContentSuspect) {
            names.push_back(LastName(warning.path));
        }
    }
    BalloonText balloon;
    balloon.title = "Ｓｏｒｅｌ２：中身が別物やで！";
    if (names.size() >= 3) {
        balloon.text = Number(static_cast<int>(names.size())) +
                       " 個のファイルの中身がいっぺんにまるっきり別物になってるで。"
                       "暗号化されたかもしれへん。どれも保存せんと止めといたで。"
                       "Ｓｏｒｅｌで確かめてな";
    } else {
        for (const std::string& name : names) {
            balloon.text += (balloon.text.empty() ? "" : "\n") + Shortened(name, kMaxNameBytes) +
                            " の中身がまるっきり別物になってるで。暗号化されたかもしれへん。"
                            "Ｓｏｒｅｌで確かめてな";
        }
    }
    balloon.text = Shortened(balloon.text, kMaxBalloonBytes);
    return balloon;
}

}  // namespace

BalloonText BalloonFor(const std::vector<Warning>& warnings) {
    for (const Warning& warning : warnings) {
        if (warning.outcome == FileOutcome::kContentSuspect) {
            return SuspectBalloon(warnings);
        }
    }
    BalloonText balloon;
    balloon.title = "Ｓｏｒｅｌ２：バックアップでけへんで！";
    if (warnings.empty()) {
        return balloon;
    }
    const Warning& first = warnings.front();
    std::string name = LastName(first.path);
    Advice advice = AdviceFor(first.outcome);
    balloon.text =
        "「" + Shortened(name, kMaxNameBytes) + "」" + advice.reason + "\n" + advice.hint;
    if (warnings.size() > 1) {
        balloon.text +=
            "\nほかにも " + Number(static_cast<int>(warnings.size() - 1)) + " 個あるで。";
    }
    balloon.text += "\nクリックで Ｓｏｒｅｌ を開くで。";
    balloon.text = Shortened(balloon.text, kMaxBalloonBytes);
    return balloon;
}

bool PlainRecordField(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return text.size() <= 32;
}

std::string DayTakenIn(const std::string& day, const std::string& today) {
    LocalTime next;
    if (day <= today ||
        std::sscanf(today.c_str(), "%4d-%2d-%2d", &next.year, &next.month, &next.day) != 3 ||
        next.month < 1 || next.month > 12) {
        return day;
    }
    constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = next.year % 4 == 0 && (next.year % 100 != 0 || next.year % 400 == 0);
    const int monthDays = next.month == 2 && leap ? 29 : kMonthDays[next.month - 1];
    if (++next.day > monthDays) {
        next.day = 1;
        if (++next.month > 12) {
            next.month = 1;
            ++next.year;
        }
    }
    return day > DayKey(next) ? today : day;
}

bool ReadRecordCount(std::string_view text, int& value) {
    if (text.empty() || text.size() > 7) {
        return false;
    }
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        n = n * 10 + (c - '0');
    }
    if (n > kMaxCount) {
        return false;
    }
    value = n;
    return true;
}

}  // namespace sorel
