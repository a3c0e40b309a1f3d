#include "files.h"

#include <windows.h>

#include <algorithm>

#include "../store_path.h"
#include "unique_handle.h"

namespace sorel {

namespace {

FileHandle OpenExclusiveForReading(const std::string& path) {
    return FileHandle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool IsMissingError(unsigned long error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NETNAME_DELETED:
        case ERROR_BAD_UNIT:
            return true;
        default:
            return false;
    }
}

namespace {

ReadResult ReadFilePrefix(FileHandle file, std::size_t limit, std::string& bytes) {
    bytes.clear();
    if (!file) {
        return IsMissingError(GetLastError()) ? ReadResult::kMissing : ReadResult::kBusy;
    }
    char buffer[64 * 1024];
    while (bytes.size() < limit) {
        DWORD want = static_cast<DWORD>(std::min(sizeof buffer, limit - bytes.size()));
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, want, &got, nullptr)) {
            // Part of a file is not the file: a writer would lose the rest.
            bytes.clear();
            return ReadResult::kBusy;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, got);
    }
    return ReadResult::kOk;
}

}  // namespace

ReadResult ReadFilePrefixExclusive(const std::string& path, std::size_t limit, std::string& bytes) {
    return ReadFilePrefix(OpenExclusiveForReading(path), limit, bytes);
}

ReadResult ReadFilePrefixSharingRead(const std::string& path, std::size_t limit,
                                     std::string& bytes) {
    return ReadFilePrefix(
        FileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr)),
        limit, bytes);
}

ReadResult ReadFileExclusive(const std::string& path, std::string& bytes) {
    return ReadFilePrefixExclusive(path, std::string().max_size(), bytes);
}

bool IsSharingOrLockError(unsigned long error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool RetryWhileBusy(const std::function<bool()>& attempt, const std::function<bool()>& busy) {
    // The time that has passed, not the tries: one attempt on a slow share
    // can take longer than all the pauses together.
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (attempt()) {
            return true;
        }
        if (!(busy ? busy() : IsSharingOrLockError(GetLastError())) ||
            GetTickCount64() - start + kRetryStepMs > kRetryBudgetMs) {
            return false;
        }
        Sleep(kRetryStepMs);
    }
}

namespace {

// A rename over a file that another program has open is refused as access
// denied as often as as a sharing violation.
bool RenameMayPass() {
    const DWORD error = GetLastError();
    return IsSharingOrLockError(error) || error == ERROR_ACCESS_DENIED;
}

}  // namespace

ReadResult ReadFileExclusiveRetrying(const std::string& path, std::string& bytes) {
    ReadResult result = ReadResult::kBusy;
    RetryWhileBusy([&] {
        result = ReadFileExclusive(path, bytes);
        return result != ReadResult::kBusy;
    });
    return result;
}

bool ReplaceFileContent(const std::string& path, const std::string& bytes,
                        const std::string& tempPath) {
    {
        FileHandle temp(CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!temp) {
            return false;
        }
        DWORD written = 0;
        bool ok =
            bytes.empty() || (WriteFile(temp.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                        &written, nullptr) &&
                              written == bytes.size());
        ok = ok && FlushFileBuffers(temp.get());
        if (!ok) {
            temp.reset();
            DeleteFileA(tempPath.c_str());
            return false;
        }
    }
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    const bool moved = RetryWhileBusy(
        [&] { return MoveFileExA(tempPath.c_str(), path.c_str(), flags) != FALSE; }, RenameMayPass);
    if (!moved) {
        DeleteFileA(tempPath.c_str());
    }
    return moved;
}

namespace {

// The facts of an opened file, or the reason there are none.
FileProbe ProbeOpened(const FileHandle& file) {
    FileProbe probe;
    probe.presence = Presence::kUnreadable;
    if (!file) {
        probe.error = GetLastError();
        if (IsMissingError(probe.error)) {
            probe.presence = Presence::kMissing;
        }
        return probe;
    }
    // Only the time and the size: the whole information also asks for the
    // volume's serial number, which under Wine costs a couple of
    // milliseconds a file, most of a daily walk over unchanged files.
    FILETIME written;
    LARGE_INTEGER size;
    if (!GetFileTime(file.get(), nullptr, nullptr, &written) || !GetFileSizeEx(file.get(), &size)) {
        probe.error = GetLastError();
        return probe;
    }
    // The user's own calendar day: in Japan a file saved at 08:30 belongs to
    // that day, not to the day before as its UTC date would have it. The zone's
    // rules of that moment apply (summer time where there is one).
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&written, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        probe.error = GetLastError();
        return probe;
    }
    probe.presence = Presence::kReadable;
    probe.lastWrite = FileTimeCount(written);
    probe.size = static_cast<std::uint64_t>(size.QuadPart);
    probe.date = DateText(local.wYear, local.wMonth, local.wDay);
    return probe;
}

}  // namespace

std::uint64_t FileTimeCount(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

FileProbe ProbeFile(const std::string& path) {
    return ProbeOpened(OpenExclusiveForReading(path));
}

FileProbe ProbeFileHolding(const std::string& path, FileHandle& hold) {
    hold.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    FileProbe probe = ProbeOpened(hold);
    if (probe.presence != Presence::kReadable) {
        hold.reset();
    }
    return probe;
}

std::string FileDateText(const std::string& path) {
    return ProbeFile(path).date;
}

bool TextsEqual(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool IsSystemLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnly(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool CanOpenExclusively(const std::string& path) {
    return static_cast<bool>(OpenExclusiveForReading(path));
}

void ClearReadOnly(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

bool DeleteFileForcibly(const std::string& path) {
    ClearReadOnly(path);
    DeleteFileA(path.c_str());
    return !PathExists(path);
}

}  // namespace sorel
