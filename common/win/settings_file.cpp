#include "settings_file.h"

#include "../settings_text.h"
#include "ansi_text.h"

namespace sorel {

std::string SettingsFilePath() {
    char folder[511] = {};
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) {
        folder[0] = '\0';
    }
    return std::string(folder) + "\\Varnix.vnx";
}

std::string LongDateText(const SYSTEMTIME& day) {
    char text[255] = {};
    if (GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &day, nullptr, text, sizeof text) ==
        0) {
        return {};
    }
    return text;
}

std::string TodayText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LongDateText(now);
}

SettingsWriteLock::SettingsWriteLock() {
    const std::string path = SettingsFilePath() + ".lock";
    auto take = [&] {
        file_.reset(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        return held();
    };
    // A lock file that its last holder is deleting refuses access meanwhile.
    RetryWhileBusy(take, [] {
        const DWORD error = GetLastError();
        return IsSharingOrLockError(error) || error == ERROR_ACCESS_DENIED;
    });
}

ReadResult ReadSettingsLines(std::vector<std::string>& lines, bool retry) {
    std::string bytes;
    std::string path = SettingsFilePath();
    ReadResult result =
        retry ? ReadFileExclusiveRetrying(path, bytes) : ReadFileExclusive(path, bytes);
    lines = ReadAllLines(SettingsTextOf(bytes, Utf16ToAnsiExact).bytes);
    return result;
}

std::string KeptSettingsFilePath() {
    return SettingsFilePath() + ".bak";
}

SettingsSnapshot ReadSettingsForChange() {
    SettingsSnapshot snapshot;
    snapshot.read = ReadFileExclusiveRetrying(SettingsFilePath(), snapshot.bytes);
    snapshot.text = SettingsTextOf(snapshot.bytes, Utf16ToAnsiExact);
    return snapshot;
}

WriteOutcome WriteIfChanged(const SettingsSnapshot& before, const std::vector<std::string>& lines,
                            const char* writerTag) {
    if (before.read == ReadResult::kOk && JoinLines(lines) == before.bytes) {
        return WriteOutcome::kUnchanged;
    }
    // The new file holds what could be read; whatever could not (another
    // form, a NUL byte, a character the code page lacks) stays in the old
    // one, kept under its own name. Without that copy nothing is written.
    if (before.read == ReadResult::kOk && KeepBeforeRewrite(before.text) &&
        !CopyFileA(SettingsFilePath().c_str(), KeptSettingsFilePath().c_str(), FALSE)) {
        return WriteOutcome::kRefused;
    }
    return WriteSettingsLines(lines, writerTag) ? WriteOutcome::kWritten : WriteOutcome::kRefused;
}

bool WriteSettingsLines(const std::vector<std::string>& lines, const char* writerTag) {
    std::string path = SettingsFilePath();
    return ReplaceFileContent(path, JoinLines(lines), path + "." + writerTag + ".tmp");
}

}  // namespace sorel
