// The two file calls a rotation is made of, behind a small interface so that
// tests can fail or cut short any one step. A failed call leaves its reason
// in GetLastError, as the system calls do.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace sorel {

class ContentHasher;
struct RunReport;

class FileSteps {
  public:
    virtual ~FileSteps() = default;
    // A whole copy, overwriting: it keeps the source's last-write time and
    // attributes, which the next run's change test depends on. When `stop`
    // is given and becomes true, the copy is cut off between two blocks, its
    // target is deleted and the call fails with ERROR_REQUEST_ABORTED.
    // When `hash` is given, every byte written also goes into it.
    virtual bool Copy(const std::string& from, const std::string& to, const std::atomic<bool>* stop,
                      ContentHasher* hash = nullptr);
    // MoveFileExA; `replace` lets it replace an existing target.
    virtual bool Rename(const std::string& from, const std::string& to, bool replace);
    // The same at the second copy's place. Told apart because a log-off
    // waits for the renames beside a file, never for a drive or share that
    // may not answer.
    virtual bool RenameAtPlace(const std::string& from, const std::string& to, bool replace) {
        return Rename(from, to, replace);
    }
    // Called once a file's copy and renames are over, done or not.
    virtual void FileDone() {}
    // The name of the file system at `root` ("E:\\", "\\\\server\\share\\"), as
    // GetVolumeInformationA gives it; empty when it does not say. Tests put
    // a FAT drive's name on a drive that Wine cannot make one of.
    virtual std::string FileSystemName(const std::string& root);
    // The run beside the files is over and the second copies begin: what it
    // did is kept, so that a log-off that cuts the rest off still records it.
    virtual void RunBesideFilesDone(const RunReport&) {}
};

// Whether the run was told to stop; `stop` may be null.
bool Stopped(const std::atomic<bool>* stop);

// The system's own calls.
FileSteps& SystemFileSteps();

}  // namespace sorel
