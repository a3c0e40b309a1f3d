// The two file calls a rotation is made of, behind a small interface so that
// tests can fail or cut short any one step. A failed call leaves its reason
// in GetLastError, as the system calls do.
#pragma once

#include <string>

namespace sorel {

class FileSteps {
  public:
    virtual ~FileSteps() = default;
    // CopyFileA, overwriting: the copy keeps the source's last-write time and
    // attributes, which the next run's change test depends on.
    virtual bool Copy(const std::string& from, const std::string& to);
    // MoveFileExA; `replace` lets it replace an existing target.
    virtual bool Rename(const std::string& from, const std::string& to, bool replace);
};

// The system's own calls.
FileSteps& SystemFileSteps();

}  // namespace sorel
