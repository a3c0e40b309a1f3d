// The lock on one listed file's store. The agent holds it from the first
// look at a file's generations to its last rename, so that two agents (two
// users listing one data drive, two PCs listing one shared file) never plan
// from the same look or delete each other's incoming copy; a restore holds
// it too, so that a restore and a rotation never interleave.
#pragma once

#include <windows.h>

#include <string>

#include "unique_handle.h"

namespace sorel {

// A byte-range lock holds between machines and between separate Wine
// servers, where share modes do not, and the system releases it when its
// holder dies: a lock file left behind is stale exactly when its lock can be
// taken, whether or not the file can be deleted.
class StoreLock {
  public:
    enum class State {
        kTaken,
        kHeldElsewhere,  // another program is working on this file's store
        kNoStore,        // no file can be made in backUp: nothing there can change either
    };

    explicit StoreLock(std::string path);
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    ~StoreLock();

    State state() const { return state_; }

  private:
    DWORD Open();

    std::string path_;
    FileHandle file_;
    State state_ = State::kNoStore;
};

}  // namespace sorel
