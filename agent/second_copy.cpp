#include "second_copy.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../common/place/content_hash.h"
#include "../common/place/manifest.h"
#include "../common/place/place_history.h"
#include "../common/place/place_paths.h"
#include "files.h"
#include "place_find.h"
#include "unique_handle.h"

namespace sorel {

namespace {

using C = SecondCopyOutcome;

// Read back a megabyte at a time; a multiple of every sector size, as an
// unbuffered read requires.
constexpr DWORD kReadBackBlock = 1 << 20;
// The file that holds the day of a PC's last scrub at the place.
constexpr char kScrubDayName[] = "Sorel.scrub";
constexpr long kScrubEveryDays = 30;

// What the place's file system allows, asked once a run.
struct PlaceFacts {
    std::uint64_t timeStep = 0;     // how coarsely it keeps times; 0: exactly
    std::uint64_t largestFile = 0;  // 0: no limit that matters
};

// Where one run copies to.
struct PlaceRun {
    std::string markerFolder;  // "<place>\Sorel"
    std::string pcFolder;      // "<place>\Sorel\<COMPUTER>": this PC's versions only
    PlaceFacts facts;
    CivilDate today;
    bool buffered = false;  // a read-back went through the cache
};

CivilDate ToCivil(const SYSTEMTIME& time) {
    return {time.wYear, time.wMonth, time.wDay};
}

// The local date of a file time, with the time-zone rules of that moment, as
// the generations beside the file are dated.
bool LocalDay(const FILETIME& time, CivilDate& date) {
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&time, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return false;
    }
    date = ToCivil(local);
    return true;
}

CivilDate Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ToCivil(now);
}

std::string DayText(const CivilDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::uint64_t SizeOf(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The root the system's volume calls want: "E:\" or "\\server\share\".
std::string VolumeRoot(const std::string& folder) {
    const std::string share = ShareRoot(folder, IsSystemLeadByte);
    if (!share.empty()) {
        return share + "\\";
    }
    return folder.size() >= 2 && folder[1] == ':' ? folder.substr(0, 2) + "\\" : std::string();
}

// The place's file system, by the name it gives. One that does not say is
// taken for the coarsest: a version is then copied again only when its time
// moved by more than FAT keeps, or its manifest says so.
PlaceFacts FactsOf(const std::string& folder, FileSteps& steps) {
    const std::string name = steps.FileSystemName(VolumeRoot(folder));
    return name.empty() ? PlaceFacts{TimeStepOf("FAT"), 0}
                        : PlaceFacts{TimeStepOf(name), LargestFileOn(name)};
}

bool WriteManifest(const std::string& folder, const std::vector<ManifestEntry>& entries) {
    const std::string path = folder + "\\" + std::string(kManifestName);
    return ReplaceFileContent(path, FormatManifest(entries),
                              folder + "\\~" + std::string(kManifestName));
}

// Whether the version at the place holds the file's state. The manifest
// keeps the state's exact time, so a coarse file system cannot hide a change
// saved within its step; a version from before manifests is judged by its
// own time, as closely as its file system keeps it.
bool HoldsState(const WIN32_FILE_ATTRIBUTE_DATA& file, const std::string& version,
                const ManifestEntry* entry, std::uint64_t timeStep) {
    WIN32_FILE_ATTRIBUTE_DATA present;
    if (!Attributes(version, present) || SizeOf(present) != SizeOf(file)) {
        return false;
    }
    if (entry) {
        return !entry->damaged && entry->size == SizeOf(file) &&
               entry->written == FileTimeCount(file.ftLastWriteTime);
    }
    return SameVersionTime(FileTimeCount(present.ftLastWriteTime),
                           FileTimeCount(file.ftLastWriteTime), timeStep);
}

// Writes the copy's cached blocks to the drive, so that the read-back that
// follows can find what the drive holds.
bool FlushCopy(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

struct VirtualFreer {
    void operator()(void* block) const { VirtualFree(block, 0, MEM_RELEASE); }
};

enum class ReadBack { kDone, kFailed, kStopped };

// Hashes the file as the drive holds it: read unbuffered, past the system's
// cache, so that a failing or fake-capacity stick cannot pass on what the
// cache still remembers. Where the file system refuses unbuffered reads the
// file is read through the cache, and `buffered` says so.
ReadBack HashFromDrive(const std::string& path, const std::atomic<bool>* stop, Hash128& hash,
                       bool& buffered) {
    std::unique_ptr<void, VirtualFreer> block(
        VirtualAlloc(nullptr, kReadBackBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!block) {
        return ReadBack::kFailed;
    }
    for (bool unbuffered : {true, false}) {
        const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (unbuffered ? FILE_FLAG_NO_BUFFERING : 0);
        FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
        ContentHasher hasher;
        DWORD got = 0;
        bool read = static_cast<bool>(file);
        while (read && (read = ReadFile(file.get(), block.get(), kReadBackBlock, &got, nullptr)) &&
               got > 0) {
            hasher.Update(block.get(), got);
            if (Stopped(stop)) {
                return ReadBack::kStopped;
            }
        }
        const DWORD error = GetLastError();
        if (read) {
            hash = hasher.Final();
            buffered = buffered || !unbuffered;
            return ReadBack::kDone;
        }
        if (!unbuffered || (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
                            error != ERROR_INVALID_FUNCTION)) {
            return ReadBack::kFailed;
        }
    }
    return ReadBack::kFailed;
}

// Why a step at the place failed. A drive pulled or a share gone shows as
// many errors; the marker's folder tells: it has gone with it.
C CauseOf(DWORD error, const PlaceRun& run) {
    switch (error) {
        case ERROR_REQUEST_ABORTED:
            return C::kNotReached;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return C::kPlaceFull;
        case ERROR_FILE_TOO_LARGE:
            return C::kTooLarge;
        case ERROR_FILENAME_EXCED_RANGE:
            return C::kPathTooLong;
    }
    if (!IsFolder(run.markerFolder)) {
        return C::kPlaceAway;
    }
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ? C::kPlaceRefuses
                                                                        : C::kFailed;
}

bool MakeFolder(const std::string& folder) {
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// The file's versions in its folder, by name and date.
std::vector<std::pair<std::string, CivilDate>> VersionsIn(const std::string& folder,
                                                          const std::string& fileName) {
    std::vector<std::pair<std::string, CivilDate>> versions;
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
    while (find) {
        CivilDate date;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            VersionDate(found.cFileName, fileName, date)) {
            versions.emplace_back(found.cFileName, date);
        }
        if (!FindNextFileA(find.get(), &found)) {
            break;
        }
    }
    return versions;
}

// The versions the history no longer keeps go, once the newest, `current`,
// was checked in full; the manifest then names only those left.
void ThinVersions(const std::string& folder, const std::string& fileName, const CivilDate& current,
                  const CivilDate& today, std::vector<ManifestEntry>& manifest) {
    std::vector<std::pair<std::string, CivilDate>> versions = VersionsIn(folder, fileName);
    std::vector<CivilDate> dates;
    for (const auto& version : versions) {
        dates.push_back(version.second);
    }
    const std::vector<CivilDate> remove = VersionsToRemove(dates, current, today);
    std::vector<std::string> left;
    for (const auto& version : versions) {
        bool goes = false;
        for (const CivilDate& date : remove) {
            goes = goes || date == version.second;
        }
        if (!goes || !DeleteFileForcibly(folder + "\\" + version.first)) {
            left.push_back(version.first);
        }
    }
    KeepOnly(manifest, left);
}

// A place chosen before each PC had its own folder kept the versions right
// below the marker's: the first PC that needs a file's folder takes it over.
bool TakeOverOlderFolder(const PlaceRun& run, const std::string& folderName,
                         const std::string& folder) {
    const std::string older = run.markerFolder + "\\" + folderName;
    return IsFolder(older) && !PathExists(folder) && MoveFileA(older.c_str(), folder.c_str());
}

// Where the copy is read from: generation 1 when it holds the file's state
// exactly, for nobody else ever has it open, so a workbook kept open in its
// program still gets its second copy. Otherwise the file itself, held
// against writers for the copy's length as the run beside the files holds it.
bool CopySource(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& file, FileHandle& hold,
                std::string& source) {
    const std::string generation = GenerationPath(SplitPath(path, IsSystemLeadByte), 1);
    WIN32_FILE_ATTRIBUTE_DATA stored;
    if (!generation.empty() && Attributes(generation, stored) && SizeOf(stored) == SizeOf(file) &&
        FileTimeCount(stored.ftLastWriteTime) == FileTimeCount(file.ftLastWriteTime)) {
        source = generation;
        return true;
    }
    const FileProbe probe = ProbeFileHolding(path, hold);
    if (probe.presence != Presence::kReadable || probe.size != SizeOf(file) ||
        probe.lastWrite != FileTimeCount(file.ftLastWriteTime)) {
        return false;
    }
    source = path;
    return true;
}

SecondCopyResult CopyOne(PlaceRun& run, const std::string& path, const std::atomic<bool>* stop,
                         FileSteps& steps) {
    SecondCopyResult result{path, C::kFailed, {}};
    const std::string fileName = FileDisplayName(path, IsSystemLeadByte);
    const std::string folderName = FileFolderName(path, IsSystemLeadByte);
    WIN32_FILE_ATTRIBUTE_DATA file;
    CivilDate day;
    if (fileName.empty() || !Attributes(path, file) || !LocalDay(file.ftLastWriteTime, day)) {
        result.outcome = C::kMissing;
        return result;
    }
    const std::string folder = run.pcFolder + "\\" + folderName;
    const std::string versionName = VersionName(day, fileName);
    const std::string version = folder + "\\" + versionName;
    const std::string temporary = folder + "\\" + TemporaryVersionName(fileName);
    if (version.size() > kMaxPathChars || temporary.size() > kMaxPathChars) {
        result.outcome = C::kPathTooLong;
        return result;
    }
    std::vector<ManifestEntry> manifest;
    bool manifestRead = ReadManifest(folder, manifest);
    if (HoldsState(file, version, FindEntry(manifest, versionName), run.facts.timeStep)) {
        // The cheap case of every run: a look at the version and its
        // manifest. A copy cut off earlier (a pulled drive, a log-off) may
        // have left its temporary file.
        DeleteFileA(temporary.c_str());
        result.outcome = C::kPresent;
        result.versionDay = DayText(day);
        return result;
    }
    if (run.facts.largestFile != 0 && SizeOf(file) > run.facts.largestFile) {
        // Known before a byte is written: FAT would take gigabytes, then fail.
        result.outcome = C::kTooLarge;
        return result;
    }
    FileHandle hold;
    std::string source;
    if (!CopySource(path, file, hold, source)) {
        result.outcome = C::kFileInUse;
        return result;
    }
    // Only this PC's folder and the file's own folder in it are ever created.
    if (!MakeFolder(run.pcFolder)) {
        result.outcome = CauseOf(GetLastError(), run);
        return result;
    }
    if (TakeOverOlderFolder(run, folderName, folder)) {
        // The older folder may hold the state already.
        manifestRead = ReadManifest(folder, manifest);
        if (HoldsState(file, version, FindEntry(manifest, versionName), run.facts.timeStep)) {
            result.outcome = C::kPresent;
            result.versionDay = DayText(day);
            return result;
        }
    }
    if (!MakeFolder(folder)) {
        result.outcome = CauseOf(GetLastError(), run);
        return result;
    }
    ClearReadOnly(temporary);
    ContentHasher written;
    if (!steps.Copy(source, temporary, stop, &written)) {
        const DWORD error = GetLastError();
        result.outcome = CauseOf(error, run);
        // The source, not the place, may have refused.
        if (result.outcome == C::kPlaceRefuses && !CanOpenForReading(source)) {
            result.outcome = C::kFailed;
        }
        DeleteFileForcibly(temporary);
        return result;
    }
    // The copy takes a read-only file's attribute, which would refuse the
    // flush's write access.
    ClearReadOnly(temporary);
    const Hash128 hash = written.Final();
    Hash128 onDrive;
    WIN32_FILE_ATTRIBUTE_DATA copy;
    const bool flushed = FlushCopy(temporary);
    const ReadBack readBack =
        flushed ? HashFromDrive(temporary, stop, onDrive, run.buffered) : ReadBack::kFailed;
    // The copy's own time only as closely as the coarsest file system keeps
    // it: a share or a drive whose file system is not named for what it is
    // must not fail every copy. The manifest keeps the exact time.
    const bool checked = readBack == ReadBack::kDone && onDrive == hash &&
                         Attributes(temporary, copy) && SizeOf(copy) == SizeOf(file) &&
                         SameVersionTime(FileTimeCount(copy.ftLastWriteTime),
                                         FileTimeCount(file.ftLastWriteTime), TimeStepOf("FAT"));
    if (!checked) {
        const DWORD error = GetLastError();
        DeleteFileForcibly(temporary);
        result.outcome = readBack == ReadBack::kStopped         ? C::kNotReached
                         : readBack == ReadBack::kDone          ? C::kCheckFailed
                         : CauseOf(error, run) == C::kPlaceAway ? C::kPlaceAway
                                                                : C::kCheckFailed;
        return result;
    }
    ClearReadOnly(version);
    if (!steps.RenameAtPlace(temporary, version, true)) {
        // The temporary copy stays until the next run replaces it; no
        // version name holds part of a file.
        result.outcome = CauseOf(GetLastError(), run);
        return result;
    }
    PutEntry(manifest,
             {versionName, SizeOf(file), FileTimeCount(file.ftLastWriteTime), hash, false});
    ThinVersions(folder, fileName, day, run.today, manifest);
    if (manifestRead) {
        WriteManifest(folder, manifest);
    }
    result.outcome = C::kCopied;
    result.versionDay = DayText(day);
    return result;
}

// The day of this PC's last scrub at the place; none when never.
bool ScrubDue(const std::string& pcFolder, const CivilDate& today) {
    std::string text;
    CivilDate last;
    if (ReadFilePrefixExclusive(pcFolder + "\\" + kScrubDayName, 64, text) != ReadResult::kOk ||
        !VersionDate(text + " x", "x", last)) {
        return true;
    }
    const long since = DaysFromCivil(today) - DaysFromCivil(last);
    // A day recorded while the clock ran ahead does not put the next off.
    return since >= kScrubEveryDays || since < -1;
}

}  // namespace

bool CanOpenForReading(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

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
                                               const std::atomic<bool>* stop, FileSteps& steps,
                                               bool* buffered) {
    PlaceRun run{markerFolder, PcVersionsFolder(markerFolder), FactsOf(markerFolder, steps),
                 Today()};
    std::vector<SecondCopyResult> results;
    bool away = false;
    for (const std::string& path : paths) {
        if (Stopped(stop) || away) {
            // A drive pulled in the middle of a run is away for the rest.
            results.push_back({path, away ? C::kPlaceAway : C::kNotReached, {}});
            continue;
        }
        results.push_back(CopyOne(run, path, stop, steps));
        away = results.back().outcome == C::kPlaceAway;
        steps.FileDone();
    }
    if (buffered) {
        *buffered = run.buffered;
    }
    return results;
}

ScrubReport ScrubVersions(const std::string& markerFolder, const std::vector<std::string>& paths,
                          const std::atomic<bool>* stop, bool force) {
    ScrubReport report;
    const std::string pcFolder = PcVersionsFolder(markerFolder);
    const CivilDate today = Today();
    if (!force && !ScrubDue(pcFolder, today)) {
        return report;
    }
    for (const std::string& path : paths) {
        const std::string folder = pcFolder + "\\" + FileFolderName(path, IsSystemLeadByte);
        std::vector<ManifestEntry> manifest;
        if (!ReadManifest(folder, manifest)) {
            continue;  // looked at again at the next scrub
        }
        bool changed = false;
        for (ManifestEntry& entry : manifest) {
            const std::string version = folder + "\\" + entry.name;
            if (!PathExists(version)) {
                continue;  // thinned; the next copy's manifest leaves it out
            }
            Hash128 onDrive;
            const ReadBack read = HashFromDrive(version, stop, onDrive, report.buffered);
            if (read == ReadBack::kStopped || Stopped(stop)) {
                return {};  // taken up again at the next run
            }
            ++report.checked;
            const bool damaged = read != ReadBack::kDone || onDrive != entry.hash;
            if (damaged) {
                report.damaged.push_back(version);
            }
            changed = changed || damaged != entry.damaged;
            entry.damaged = damaged;
        }
        if (changed) {
            WriteManifest(folder, manifest);
        }
    }
    report.done = true;
    ReplaceFileContent(pcFolder + "\\" + kScrubDayName, DayText(today),
                       pcFolder + "\\~" + kScrubDayName);
    return report;
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
            report.files.push_back({path, C::kPlaceAway, {}});
        }
        return report;
    }
    report.place = found.substr(0, found.size() - kPlaceFolderName.size() - 1);
    report.files = MakeSecondCopies(found, paths, stop, steps, &report.buffered);
    // Once every 30 days the whole of this PC's versions is read back, while
    // the place is here; a log-off stops it, and the next run takes it up.
    bool away = false;
    for (const SecondCopyResult& file : report.files) {
        away = away || file.outcome == C::kPlaceAway;
    }
    if (!away && !Stopped(stop)) {
        report.scrub = ScrubVersions(found, paths, stop, false);
    }
    return report;
}

}  // namespace sorel
