#include "store_lock.h"

#include "files.h"

namespace sorel {

namespace {

bool IsBusyError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

}  // namespace

StoreLock::StoreLock(std::string path) : path_(std::move(path)) {
    DWORD error = 0;
    RetryWhileBusy(
        [&] {
            error = Open();
            return static_cast<bool>(file_);
        },
        // Being deleted by a holder that has just finished with it.
        [&] { return IsBusyError(error) && PathExists(path_); });
    if (!file_) {
        state_ = IsBusyError(error) && PathExists(path_) ? State::kHeldElsewhere : State::kNoStore;
        return;
    }
    OVERLAPPED at = {};
    if (!LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at)) {
        file_.reset();
        state_ = State::kHeldElsewhere;
        return;
    }
    state_ = State::kTaken;
}

StoreLock::~StoreLock() {
    if (state_ != State::kTaken) {
        return;
    }
    OVERLAPPED at = {};
    UnlockFileEx(file_.get(), 0, 1, 0, &at);
    file_.reset();
    // Fails while another holder has it open, which is as it should be.
    DeleteFileA(path_.c_str());
}

// No sharing of deletion: while one holder has it open, another that has
// just finished cannot delete the file it is locking. Opened for writing
// where allowed: Wine holds a lock against a program under another Wine
// server only on a file open for writing. Another user's leftover lock file
// may be readable only, and a lock on a read handle still holds on Windows.
DWORD StoreLock::Open() {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    file_.reset(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!file_ && GetLastError() == ERROR_ACCESS_DENIED) {
        file_.reset(CreateFileA(path_.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_HIDDEN, nullptr));
    }
    return file_ ? 0 : GetLastError();
}

}  // namespace sorel
