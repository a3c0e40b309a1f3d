#include "file_steps.h"

#include <vector>

#include "../common/place/content_hash.h"
#include "../common/win/files.h"
#include "../common/win/unique_handle.h"

namespace sorel {

namespace {

// Large blocks: under Wine every read and write is a trip through the
// system's layers, and the system's own copy moves 64 KB at a time, which
// made a copy cost several times what the disk needs.
constexpr DWORD kCopyBlock = 1 << 20;

// The attributes a file is created with. Read-only comes last, once the
// copy is whole, as the system's copy does it.
constexpr DWORD kCreateAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Reads `from` into `to` a block at a time; `to` ends with the source's
// last-write time. A set `stop` cuts the copy off between two blocks.
bool CopyContent(HANDLE from, HANDLE to, const FILETIME& lastWrite, const std::atomic<bool>* stop,
                 ContentHasher* hash) {
    std::vector<char> block(kCopyBlock);
    for (;;) {
        if (Stopped(stop)) {
            SetLastError(ERROR_REQUEST_ABORTED);
            return false;
        }
        DWORD got = 0;
        if (!ReadFile(from, block.data(), kCopyBlock, &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            return SetFileTime(to, nullptr, nullptr, &lastWrite) != FALSE;
        }
        if (hash) {
            hash->Update(block.data(), got);
        }
        // A write cut short by a full disk takes part of the block; the
        // next write of the rest tells why.
        for (DWORD done = 0, put = 0; done < got; done += put) {
            if (!WriteFile(to, block.data() + done, got - done, &put, nullptr)) {
                return false;
            }
            if (put == 0) {
                SetLastError(ERROR_WRITE_FAULT);
                return false;
            }
        }
    }
}

}  // namespace

bool FileSteps::Copy(const std::string& from, const std::string& to, const std::atomic<bool>* stop,
                     ContentHasher* hash) {
    // The run beside the files holds the source open for reading with read
    // sharing only, so writers stay out while this second handle reads it.
    FileHandle source(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // The basic facts only: the whole information also asks for the
    // volume's serial number, which is slow under Wine.
    FILE_BASIC_INFO info;
    if (!source || !GetFileInformationByHandleEx(source.get(), FileBasicInfo, &info, sizeof info)) {
        return false;
    }
    FILETIME lastWrite;
    lastWrite.dwLowDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart);
    lastWrite.dwHighDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart >> 32);
    // The target is always the caller's own temporary name; one left hidden
    // or read-only by an earlier copy would refuse to be replaced.
    if (GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    const DWORD attributes = info.FileAttributes & kCreateAttributes;
    FileHandle target(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) {
        return false;
    }
    bool copied = CopyContent(source.get(), target.get(), lastWrite, stop, hash);
    DWORD error = GetLastError();
    target.reset();
    if (copied && (info.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        copied = SetFileAttributesA(to.c_str(), attributes | FILE_ATTRIBUTE_READONLY) != FALSE;
        error = GetLastError();
    }
    if (!copied) {
        // No part of a file stays behind, as with the system's copy; the
        // copy's own reason is the one the caller reads.
        DeleteFileForcibly(to);
        SetLastError(error);
    }
    return copied;
}

bool FileSteps::Rename(const std::string& from, const std::string& to, bool replace) {
    return MoveFileExA(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
}

std::string FileSteps::FileSystemName(const std::string& root) {
    char name[MAX_PATH + 1] = {};
    if (root.empty() || !GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr,
                                               name, sizeof name)) {
        return {};
    }
    return name;
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

FileSteps& SystemFileSteps() {
    static FileSteps steps;
    return steps;
}

}  // namespace sorel
