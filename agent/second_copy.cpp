#include "second_copy.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "../common/place/place_history.h"
#include "files.h"
#include "place_find.h"
#include "unique_handle.h"

namespace sorel {

namespace {

// Files larger than this are compared a block at a time.
constexpr DWORD kCompareBlock = 1 << 20;

// The local date of the file's last write, read from the file system's own
// entry, without opening the file.
bool LastWriteDay(const WIN32_FILE_ATTRIBUTE_DATA& data, CivilDate& date) {
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToSystemTime(&local, &time)) {
        return false;
    }
    date = {time.wYear, time.wMonth, time.wDay};
    return true;
}

// Whether the version at the place holds the file's state, as far as the
// place's file system can keep its time.
bool SameState(const WIN32_FILE_ATTRIBUTE_DATA& file, const WIN32_FILE_ATTRIBUTE_DATA& version) {
    return SameVersionTime(FileTimeCount(version.ftLastWriteTime),
                           FileTimeCount(file.ftLastWriteTime), TimeStepOf("FAT")) &&
           file.nFileSizeHigh == version.nFileSizeHigh && file.nFileSizeLow == version.nFileSizeLow;
}

std::string DayText(const CivilDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

// Writes the copy's cached blocks to the drive, so that the comparison that
// follows reads what the drive holds, as far as the system lets a program see.
bool FlushCopy(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

bool ReadBlock(HANDLE file, std::vector<char>& block, DWORD& got) {
    return ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr);
}

// Whether the two files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b) {
    FileHandle first(CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FileHandle second(CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!first || !second) {
        return false;
    }
    std::vector<char> blockA(kCompareBlock);
    std::vector<char> blockB(kCompareBlock);
    for (;;) {
        DWORD gotA = 0;
        DWORD gotB = 0;
        if (!ReadBlock(first.get(), blockA, gotA) || !ReadBlock(second.get(), blockB, gotB) ||
            gotA != gotB || std::char_traits<char>::compare(blockA.data(), blockB.data(), gotA)) {
            return false;
        }
        if (gotA == 0) {
            return true;
        }
    }
}

bool IsFullError(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// The file's versions that the history no longer keeps go, once its newest
// version was checked in full.
void ThinVersions(const std::string& folder, const std::string& fileName) {
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!find) {
        return;
    }
    std::vector<CivilDate> versions;
    do {
        CivilDate date;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            VersionDate(found.cFileName, fileName, date)) {
            versions.push_back(date);
        }
    } while (FindNextFileA(find.get(), &found));
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (const CivilDate& date :
         VersionsToRemove(versions, {}, {now.wYear, now.wMonth, now.wDay})) {
        DeleteFileForcibly(folder + "\\" + VersionName(date, fileName));
    }
}

SecondCopyResult CopyOne(const std::string& markerFolder, const std::string& path,
                         const std::atomic<bool>* stop, FileSteps& steps) {
    SecondCopyResult result;
    result.path = path;
    const std::string fileName = FileDisplayName(path, IsSystemLeadByte);
    const std::string folderName = FileFolderName(path, IsSystemLeadByte);
    WIN32_FILE_ATTRIBUTE_DATA source;
    CivilDate day;
    if (fileName.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &source) ||
        (source.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !LastWriteDay(source, day)) {
        result.outcome = SecondCopyOutcome::kMissing;
        return result;
    }
    const std::string folder = markerFolder + "\\" + folderName;
    const std::string version = folder + "\\" + VersionName(day, fileName);
    const std::string temporary = folder + "\\" + TemporaryVersionName(fileName);
    if (version.size() > kMaxPathChars || temporary.size() > kMaxPathChars) {
        result.outcome = SecondCopyOutcome::kFailed;
        return result;
    }
    WIN32_FILE_ATTRIBUTE_DATA present;
    if (GetFileAttributesExA(version.c_str(), GetFileExInfoStandard, &present) &&
        SameState(source, present)) {
        // The cheap case of every run: one look in the folder.
        result.outcome = SecondCopyOutcome::kPresent;
        result.versionDay = DayText(day);
        return result;
    }
    // Only the file's own folder below the marker's is ever created.
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        result.outcome = IsFullError(GetLastError()) ? SecondCopyOutcome::kPlaceFull
                                                     : SecondCopyOutcome::kFailed;
        return result;
    }
    ClearReadOnly(temporary);
    const bool copied = steps.Copy(path, temporary, stop);
    const DWORD copyError = GetLastError();
    // The copy takes a read-only file's attribute, which would refuse the
    // flush's write access.
    ClearReadOnly(temporary);
    WIN32_FILE_ATTRIBUTE_DATA copy;
    // The copy counts only when it holds the state whose date names it: the
    // file may have been saved again while it was copied.
    const bool checked = copied && FlushCopy(temporary) && SameContent(path, temporary) &&
                         GetFileAttributesExA(temporary.c_str(), GetFileExInfoStandard, &copy) &&
                         SameState(source, copy);
    if (!checked) {
        DeleteFileForcibly(temporary);
        // A log-off cuts a copy off: the file is left for the next run, as
        // one that was never begun.
        result.outcome = !copied && copyError == ERROR_REQUEST_ABORTED
                             ? SecondCopyOutcome::kNotReached
                         : !copied && IsFullError(copyError) ? SecondCopyOutcome::kPlaceFull
                                                             : SecondCopyOutcome::kFailed;
        return result;
    }
    ClearReadOnly(version);
    if (!steps.Rename(temporary, version, true)) {
        // The temporary copy stays until the next run replaces it; no
        // version name holds part of a file.
        result.outcome = SecondCopyOutcome::kFailed;
        return result;
    }
    result.outcome = SecondCopyOutcome::kCopied;
    result.versionDay = DayText(day);
    ThinVersions(folder, fileName);
    return result;
}

}  // namespace

PlaceChoice ReadPlaceChoice(const std::string& healthFolder) {
    std::string bytes;
    if (healthFolder.empty() ||
        ReadFilePrefixExclusive(healthFolder + std::string(kPlaceChoiceFileName), 8192, bytes) !=
            ReadResult::kOk) {
        return {};
    }
    return ParsePlaceChoice(bytes);
}

std::vector<SecondCopyResult> MakeSecondCopies(const std::string& markerFolder,
                                               const std::vector<std::string>& paths,
                                               const std::atomic<bool>* stop, FileSteps& steps) {
    std::vector<SecondCopyResult> results;
    for (const std::string& path : paths) {
        if (Stopped(stop)) {
            results.push_back({path, SecondCopyOutcome::kNotReached, {}});
            continue;
        }
        results.push_back(CopyOne(markerFolder, path, stop, steps));
        steps.FileDone();
    }
    return results;
}

PlaceReport RunSecondCopies(const std::string& healthFolder, const std::vector<std::string>& paths,
                            const std::atomic<bool>* stop, FileSteps& steps) {
    PlaceReport report;
    const PlaceChoice choice = ReadPlaceChoice(healthFolder);
    if (choice.Empty() || paths.empty()) {
        return report;
    }
    report.chosen = true;
    const std::string found = FindPlace(choice);
    report.found = !found.empty();
    if (!report.found) {
        report.place = choice.folder;
        for (const std::string& path : paths) {
            report.files.push_back({path, SecondCopyOutcome::kPlaceAway, {}});
        }
        return report;
    }
    report.place = found.substr(0, found.size() - kPlaceFolderName.size() - 1);
    report.files = MakeSecondCopies(found, paths, stop, steps);
    return report;
}

}  // namespace sorel
