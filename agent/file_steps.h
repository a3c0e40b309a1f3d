// The two file calls a rotation is made of, behind a small interface so that
// tests can fail or cut short any one step. A failed call leaves its reason
// in GetLastError, as the system calls do.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace sorel {

class FileSteps {
  public:
    virtual ~FileSteps() = default;
    // CopyFileExA, overwriting: the copy keeps the source's last-write time
    // and attributes, which the next run's change test depends on. When
    // `stop` is given and becomes true, the system cancels the copy (where
    // it asks the progress routine) and the call fails.
    virtual bool Copy(const std::string& from, const std::string& to,
                      const std::atomic<bool>* stop);
    // MoveFileExA; `replace` lets it replace an existing target.
    virtual bool Rename(const std::string& from, const std::string& to, bool replace);
    // Called once a file's copy and renames are over, done or not.
    virtual void FileDone() {}
};

// The copy's progress routine: `data` is the run's stop flag, or null. Asks
// the system to cancel the copy once the run is told to stop, so that a
// log-off is not held up by a large file.
DWORD CALLBACK CancelCopyOnStop(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER streamSize,
                                LARGE_INTEGER streamDone, DWORD stream, DWORD reason, HANDLE source,
                                HANDLE target, LPVOID data);

// The system's own calls.
FileSteps& SystemFileSteps();

}  // namespace sorel
