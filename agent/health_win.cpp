#include "health_win.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "../common/settings_text.h"
#include "../common/win/files.h"
#include "../common/win/settings_file.h"
#include "../common/win/unique_handle.h"
#include "../common/win/window_front.h"

namespace sorel {

namespace {

// The settings window's class and title, as that program registers them.
constexpr char kSettingsClass[] = "NORMAL0";
constexpr char kSettingsTitle[] = "ソ レ ル";
constexpr DWORD kStartWaitMs = 5000;

enum class RecordRead { kOk, kMissing, kHeld };

// The record as it stands; an empty one when it is missing, damaged or too
// large to be a record, for a fresh start never stops a backup. A record that
// another program (a backup tool, a scanner) holds for a moment is waited
// for: taken as empty, it would be written over and its counts lost.
RecordRead ReadRecord(const std::string& path, HealthRecord& record) {
    record = {};
    FileHandle file;
    for (unsigned waited = 0;; waited += kRetryStepMs) {
        file.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            break;
        }
        if (IsMissingError(GetLastError())) {
            return RecordRead::kMissing;
        }
        if (waited >= kRetryBudgetMs) {
            return RecordRead::kHeld;
        }
        Sleep(kRetryStepMs);
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        size.QuadPart > static_cast<LONGLONG>(kMaxRecordBytes)) {
        return RecordRead::kOk;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        !ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr)) {
        return RecordRead::kHeld;
    }
    bytes.resize(got);
    record = ParseHealthRecord(bytes);
    return RecordRead::kOk;
}

// Appends the run's lines. Past the bound, the log becomes the old log and a
// new one begins; if the old one cannot be replaced, this run is left out
// rather than let the log grow without end. A write that runs out of room
// is taken back, so no half line stays.
void AppendToLog(const HealthFiles& files, const std::string& text) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(files.log.c_str(), GetFileExInfoStandard, &data) &&
        (data.nFileSizeHigh != 0 || data.nFileSizeLow + text.size() > kMaxLogBytes)) {
        if (!MoveFileExA(files.log.c_str(), files.oldLog.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return;
        }
    }
    // Windows tells a handle's size only when the handle may read attributes
    // (or the folder's rights stand in for it); Wine never asks, so only a
    // real PC could lose the log lines for want of it.
    FileHandle log(CreateFileA(files.log.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!log) {
        return;
    }
    LARGE_INTEGER before;
    if (!GetFileSizeEx(log.get(), &before)) {
        return;
    }
    DWORD written = 0;
    if (!WriteFile(log.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        // Appending handles move to the end by themselves; cutting needs a
        // handle that may write anywhere.
        log.reset();
        FileHandle cut(CreateFileA(files.log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (cut && SetFilePointerEx(cut.get(), before, nullptr, FILE_BEGIN)) {
            SetEndOfFile(cut.get());
        }
    }
}

HWND FindSettingsWindow() {
    return FindWindowA(kSettingsClass, kSettingsTitle);
}

// On a thread of its own, so that the agent's window goes on answering while
// the settings program starts: waits until that program takes input, then
// brings its window to the front.
DWORD WINAPI BringToFrontOnceStarted(void* process) {
    KernelHandle started(static_cast<HANDLE>(process));
    WaitForInputIdle(started.get(), kStartWaitMs);
    if (HWND window = FindSettingsWindow()) {
        BringWindowForward(window);
    }
    return 0;
}

}  // namespace

LocalTime LocalNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

HealthFiles HealthFilesIn(const std::string& folder) {
    return {folder + kHealthRecordName, folder + "health.tmp", folder + "Sorel2.log",
            folder + "Sorel2.old.log"};
}

void ReportRunHealth(const RunReport& report, const LocalTime& now, const std::string& folder,
                     TrayIcon& tray, HealthRecord& memory) {
    // A check that found today recorded and every second copy in place has
    // nothing to note either.
    bool placeNews = false;
    for (const SecondCopyResult& file : report.place.files) {
        placeNews = placeNews || file.outcome != SecondCopyOutcome::kPresent;
    }
    if (report.place.scrub.done) {
        placeNews = true;
    }
    if (report.files.empty() && !placeNews) {
        return;
    }
    // Without the folder, or with a record that stays held, the run is still
    // told in the tip and the balloon, from what the agent remembers.
    HealthRecord record = memory;
    std::string before;
    bool mayWrite = false;
    HealthFiles files;
    if (!folder.empty()) {
        files = HealthFilesIn(folder);
        CreateDirectoryA(folder.c_str(), nullptr);
        HealthRecord stored;
        if (ReadRecord(files.record, stored) != RecordRead::kHeld) {
            before = FormatHealthRecord(stored);
            record = TakeWarnedDays(stored, memory);
            mayWrite = true;
        }
    }
    std::vector<Warning> warnings = TakeRun(record, report, now);
    const bool askForPlace = TakePlaceRun(record.place, report.place, DayKey(now));
    memory = record;
    if (mayWrite && FormatHealthRecord(record) != before) {
        ReplaceFileContent(files.record, FormatHealthRecord(record), files.recordTemp);
    }
    if (!folder.empty()) {
        AppendToLog(files, RunLogText(report, now) + PlaceLogText(report.place, StampText(now)));
    }

    const std::string tip = TrayTipText(record);
    if (!warnings.empty()) {
        BalloonText balloon = BalloonFor(warnings);
        tray.ShowBalloon(tip, balloon.title, balloon.text);
    } else if (askForPlace) {
        tray.ShowBalloon(tip, PlaceBalloonTitle(record.place), PlaceBalloonText(record.place));
    } else {
        tray.SetTip(tip);
    }
}

void ReportRunHealth(const RunReport& report, const LocalTime& now, const std::string& folder,
                     TrayIcon& tray) {
    HealthRecord memory;
    ReportRunHealth(report, now, folder, tray, memory);
}

bool OpenSettingsWindow() {
    if (HWND window = FindSettingsWindow()) {
        BringWindowForward(window);
        PostMessageA(window, kAskHeldBackAgain, 0, 0);
        return true;
    }
    std::vector<std::string> lines;
    if (ReadSettingsLines(lines, true) != ReadResult::kOk || lines.empty()) {
        return false;
    }
    const std::string program = SettingsProgramPath(lines[0]);
    if (program.empty() || !PathExists(program)) {
        return false;
    }
    const std::string folder = program.substr(0, program.size() - std::string("Sorel.exe").size());
    SHELLEXECUTEINFOA start = {};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS;
    start.lpVerb = "open";
    start.lpFile = program.c_str();
    start.lpDirectory = folder.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&start)) {
        return false;
    }
    KernelHandle process(start.hProcess);
    if (process) {
        KernelHandle waiter(
            CreateThread(nullptr, 0, BringToFrontOnceStarted, process.get(), 0, nullptr));
        if (waiter) {
            process.release();
        }
    }
    return true;
}

}  // namespace sorel
