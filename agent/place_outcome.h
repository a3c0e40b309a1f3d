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
    kFileInUse,     // a program writes the file, and no generation holds its state
};

struct SecondCopyResult {
    std::string path;
    SecondCopyOutcome outcome = SecondCopyOutcome::kFailed;
    std::string versionDay;  // "2026-12-07": the newest version's date there, or empty
};

// What a scrub of the place found: every version read back from the drive
// and compared with the hash it was written with.
struct ScrubReport {
    bool done = false;                 // a scrub ran to its end in this run
    int checked = 0;                   // versions read back
    bool buffered = false;             // the drive refused unbuffered reads: read through the cache
    std::vector<std::string> damaged;  // the versions whose bytes differ from their hash
};

struct PlaceReport {
    bool chosen = false;                  // a place is chosen and a run looked for it
    bool found = false;                   // its marker was found, on its own drive or another
    std::string place;                    // the folder found (or, when not found, the one chosen)
    std::vector<SecondCopyResult> files;  // one per listed file, in list order
    // The copies were read back through the system's cache: the drive
    // refused unbuffered reads.
    bool buffered = false;
    ScrubReport scrub;
};

}  // namespace sorel
