// Thin Windows file operations shared by both programs. Every open of a file
// whose date or content matters is exclusive (share mode 0): that is how the
// programs notice that another program is using a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "../rotation.h"
#include "unique_handle.h"

namespace sorel {

enum class ReadResult { kOk, kMissing, kBusy };

// Reads the whole file through an exclusive open.
ReadResult ReadFileExclusive(const std::string& path, std::string& bytes);

// Reads at most `limit` bytes from the start of the file, through the same
// exclusive open, for a reader that needs only the first line of a file that
// a user may have made large.
ReadResult ReadFilePrefixExclusive(const std::string& path, std::size_t limit, std::string& bytes);

// The same through an open that lets others read the file at the same time,
// for a small file that several readers (two PCs) may look at in one instant.
ReadResult ReadFilePrefixSharingRead(const std::string& path, std::size_t limit,
                                     std::string& bytes);

// The same, but a file that exists and is held by another program is tried
// again for a little under a second before kBusy is returned.
ReadResult ReadFileExclusiveRetrying(const std::string& path, std::string& bytes);

// Replaces the file's content with `bytes` so that no reader ever sees a part
// of it: the whole content goes to `tempPath` first, and only then does a
// replacing rename put it in place. A rename refused because another program
// holds the file is tried again for a little under a second. On failure the
// file is left as it was and the temporary file is removed.
bool ReplaceFileContent(const std::string& path, const std::string& bytes,
                        const std::string& tempPath);

// The local calendar date of the file's last write, as year/month/day, with
// the time-zone rules of that moment; or the empty text when the file cannot
// be opened exclusively (missing, its folder or drive missing, or open in any
// other program, whatever that program's sharing).
std::string FileDateText(const std::string& path);

// A file time as one count of 100 ns steps, as the records keep it.
std::uint64_t FileTimeCount(const FILETIME& time);

// What an exclusive open of the file finds, and why it failed.
struct FileProbe : FileFacts {
    unsigned long error = 0;  // the system's error code when the open failed
    std::string date;         // FileDateText, when readable
};
FileProbe ProbeFile(const std::string& path);

// The same look, through an open that lets other programs read the file but
// not write it. The open stays in `hold`, so that the file cannot change
// while it is copied; a program that already has it open for writing makes
// the open fail as held.
FileProbe ProbeFileHolding(const std::string& path, FileHandle& hold);

// Errors of an open that mean the file, its folder or its drive is not there.
bool IsMissingError(unsigned long error);

// The system's locale-aware comparison with the default locale and no flags.
bool TextsEqual(const std::string& a, const std::string& b);

// The system's lead-byte test for the ANSI code page.
bool IsSystemLeadByte(unsigned char byte);

bool PathExists(const std::string& path);

// What the file system says the path is: a folder, a read-only file.
bool IsFolder(const std::string& path);
bool IsReadOnly(const std::string& path);

// Whether the file can be opened for reading with no sharing: false when it
// is missing and when another program has it open. A running program's own
// executable can often still be opened this way, so set-up and uninstall also
// judge by whether the move or the delete really happened. The handle is
// closed at once.
bool CanOpenExclusively(const std::string& path);

// Removes the read-only attribute if the file has it. The system refuses to
// copy or rename over a read-only file.
void ClearReadOnly(const std::string& path);

// Deletes the file, read-only or not. True when it is gone afterwards.
bool DeleteFileForcibly(const std::string& path);

// How long a brief retry waits in all, and between two tries.
constexpr unsigned kRetryBudgetMs = 800;
constexpr unsigned kRetryStepMs = 40;

// A virus scanner, an indexer or the other program may hold a file for a
// moment. Makes `attempt` again while it fails and `busy` (asked at once
// after the failure, while GetLastError still tells why) says the cause may
// pass, until a little under a second has gone by, however long each attempt
// takes. By default only a sharing or lock violation may pass: a network
// error is reported at once. True once an attempt succeeded.
bool RetryWhileBusy(const std::function<bool()>& attempt, const std::function<bool()>& busy = {});

// A sharing or lock violation: another program holds the file now.
bool IsSharingOrLockError(unsigned long error);

}  // namespace sorel
