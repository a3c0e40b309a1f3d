#include "files.h"

#include <windows.h>

#include "../store_path.h"
#include "unique_handle.h"

namespace sorel {

namespace {

FileHandle OpenExclusiveForReading(const std::string& path) {
    return FileHandle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool IsMissingError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

ReadResult ReadFileExclusive(const std::string& path, std::string& bytes) {
    bytes.clear();
    FileHandle file = OpenExclusiveForReading(path);
    if (!file) {
        return IsMissingError(GetLastError()) ? ReadResult::kMissing : ReadResult::kBusy;
    }
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
            // Part of a file is not the file: a writer would lose the rest.
            bytes.clear();
            return ReadResult::kBusy;
        }
        if (got == 0) {
            return ReadResult::kOk;
        }
        bytes.append(buffer, got);
    }
}

ReadResult ReadFileExclusiveRetrying(const std::string& path, std::string& bytes) {
    ReadResult result = ReadFileExclusive(path, bytes);
    for (unsigned waited = 0; result == ReadResult::kBusy && waited < kRetryBudgetMs;
         waited += kRetryStepMs) {
        Sleep(kRetryStepMs);
        result = ReadFileExclusive(path, bytes);
    }
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
    bool moved = MoveFileExA(tempPath.c_str(), path.c_str(), flags);
    for (unsigned waited = 0; !moved && waited < kRetryBudgetMs; waited += kRetryStepMs) {
        Sleep(kRetryStepMs);
        moved = MoveFileExA(tempPath.c_str(), path.c_str(), flags);
    }
    if (!moved) {
        DeleteFileA(tempPath.c_str());
    }
    return moved;
}

std::string FileDateText(const std::string& path) {
    FILETIME written;
    {
        FileHandle file = OpenExclusiveForReading(path);
        if (!file || !GetFileTime(file.get(), nullptr, nullptr, &written)) {
            return {};
        }
    }
    // No conversion to local time: the date compared is the UTC calendar date.
    SYSTEMTIME utc;
    if (!FileTimeToSystemTime(&written, &utc)) {
        return {};
    }
    return DateText(utc.wYear, utc.wMonth, utc.wDay);
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
