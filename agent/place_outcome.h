// What making the second copies did in one run. Pure values, shared by the
// copying thread that fills them and the health record that keeps them.
#pragma once

#include <string>
#include <vector>

namespace sorel {

enum class SecondCopyOutcome {
    kCopied,        // a new version was copied, read back and put in place
    kPresent,       // the file's current state already has its version
    kMissing,       // the listed file is not there to copy
    kPlaceFull,     // the place ran out of room; what it holds is kept
    kFailed,        // the copy or its rename failed for another reason
    kNotReached,    // the run stopped (log-off, quit) before this file
    kPlaceAway,     // the place was not found, or went away during the run
    kTooLarge,      // larger than the place's file system takes (FAT32: 4 GiB - 1)
    kPlaceRefuses,  // the place refuses writing (read-only, no permission)
    kCheckFailed,   // the copy read back from the drive differs from what was written
    kPathTooLong,   // the version's path would pass the system's limit
};

struct SecondCopyResult {
    std::string path;
    SecondCopyOutcome outcome = SecondCopyOutcome::kFailed;
    std::string versionDay;  // "2026-12-07": the newest version's date there, or empty
};

struct PlaceReport {
    bool chosen = false;                  // a place is chosen and a run looked for it
    bool found = false;                   // its marker was found, on its own drive or another
    std::string place;                    // the folder found (or, when not found, the one chosen)
    std::vector<SecondCopyResult> files;  // one per listed file, in list order
};

}  // namespace sorel
