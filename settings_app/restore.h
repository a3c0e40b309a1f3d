// Restoring a generation of the selected line's file: the three restore
// buttons' command and the engine that copies the generation back.
#pragma once

#include <string>

namespace sorel::app {

// What RestoreGeneration did. The values are fixed small integers, as every
// outcome in these programs is: -2 is the refusal that FindSelectedEntry also
// gives, and the two
// below -3 say how far a restore got when a copy failed.
enum class RestoreResult : int {
    Restored = 0,         // every copy was made
    NoGeneration = -1,    // the generation cannot be opened; nothing was copied
    NoEntry = -2,         // no table entry behind the line; nothing was copied
    Declined = -3,        // the user did not confirm; nothing was copied
    NotRestored = -4,     // the listed file could not be overwritten; nothing changed
    PartlyRestored = -5,  // the file was restored, a newer generation was not
    ReadOnly = -6,        // the listed file is read-only; nothing changed
};

// The system's ReplaceFileA as the restore calls it: puts `replacement` in
// place of `target`, which keeps its identity (creation time, permissions,
// other streams, hard links). 0 when done, otherwise the system's error code.
// Tests stand in for it to play the refusals that only some file systems
// give.
class FileReplacer {
  public:
    virtual ~FileReplacer() = default;
    virtual unsigned long Replace(const std::string& target, const std::string& replacement);
};

// Puts `replacer` in place of the system's; null puts it back.
void UseFileReplacer(FileReplacer* replacer);

// Copies generation 1, 2 or 3 of SelectedPath back over the file, then over
// each newer generation, after asking with the generation's date. Called
// right after a successful FindSelectedEntry. The copies stop at the first
// that fails, so a generation not yet overwritten keeps what it held.
RestoreResult RestoreGeneration(int generation);

// The command of the restore button of generation 1, 2 or 3: looks up the
// selected line, asks, restores and reports.
void RestoreGenerationCommand(int generation);

}  // namespace sorel::app
