// What one backup run did with each listed file. Pure values, shared by the
// run that fills them and the health record that keeps them.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "place_outcome.h"

namespace sorel {

// The outcome of one listed file in one run, with its reason.
enum class FileOutcome {
    kStored,            // a new generation 1 is in place
    kUnchanged,         // its date equals generation 1's: nothing to do
    kMissing,           // the file, its folder or its drive is not there
    kHeld,              // another program holds the file
    kNoAccess,          // the user may not read it (permissions, another user's encryption)
    kGenerationHeld,    // a generation exists but another program (or agent) holds it
    kGenerationFolder,  // a folder stands where a generation belongs
    kPathUnusable,      // no drive, or the store names would be too long
    kNameUnusable,      // a folder, or a name the system refuses ("|", "\\?\")
    kDiskFull,          // the copy ran out of room
    kCopyFailed,        // the copy or a shift failed for another reason
    kNotReached,        // the run stopped before this file (log-off, shutdown)
    kNotReachedQuit,    // the run stopped before this file because the agent quit
    kContentSuspect,    // the new content is something else altogether: held back
};

struct FileResult {
    std::string path;
    FileOutcome outcome;
};

struct RunReport {
    int handled = 0;                // stored, with the new generation 1 in place
    int unchanged = 0;              // same date as generation 1
    int failed = 0;                 // any other outcome: not protected by this run
    std::vector<FileResult> files;  // one per listed file visited, in list order
    bool dateRecorded = false;      // line 2 was written with today's date

    // The second copies made after the run.
    PlaceReport place;
};

// Shared between the window thread and the copying thread while a run goes.
struct RunControl {
    // Set by the window: start no further file, and stop a copy where the
    // system lets it.
    std::atomic<bool> stop{false};
    // Set on the copying thread while the run renames a file's generations
    // into place (its file steps tell): a rotation cut off halfway would
    // leave a gap, so the window lets these milliseconds finish before the
    // process ends.
    std::atomic<bool> renaming{false};
};

}  // namespace sorel
