// Restoring a generation of the selected line's file: the three restore
// buttons' command and the engine that copies the generation back.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "../common/history_list.h"
#include "../common/store_path.h"

namespace sorel {
class ContentHasher;
}

namespace sorel::app {

// What RestoreGeneration did. The values are fixed small integers, as every
// outcome in these programs is: -2 is the refusal that FindSelectedEntry also
// gives, and those below -3 say how far a restore got and why it stopped.
enum class RestoreResult : int {
    Restored = 0,             // every copy was made
    NoGeneration = -1,        // the generation cannot be opened; nothing was copied
    NoEntry = -2,             // no table entry behind the line; nothing was copied
    Declined = -3,            // the user did not confirm or called the copy off; nothing changed
    NotRestored = -4,         // a program holds the listed file; nothing changed
    PartlyRestored = -5,      // the file was restored, a newer generation was not
    ReadOnly = -6,            // the listed file is read-only; nothing changed
    GenerationInUse = -7,     // a program holds the generation open; nothing was copied
    DiskFull = -8,            // no room for the copy; nothing changed
    NoRights = -9,            // the user may not write the file; nothing changed
    TargetIsFolder = -10,     // a folder stands at the file's name; nothing changed
    Stranded = -11,           // a file is gone; its restored content is under another name
    Failed = -12,             // the file could not be written otherwise; nothing changed
    NoSafetyCopy = -13,       // what the restore would overwrite could not be kept; nothing changed
    SafetyPathTooLong = -14,  // the kept copy's name would be too long; nothing changed
    Damaged = -15,            // the version no longer holds what was copied; nothing changed
    StateGone = -16,          // the state's file is gone; nothing changed
    StateChanged = -17,       // the state's file holds another state now; nothing changed
    AgentBusy = -18,          // the agent is backing the file up; nothing changed
};

struct RestoreOutcome {
    RestoreResult result = RestoreResult::Restored;
    // With Stranded: the full path of the file that holds the restored
    // content, which the user must rename.
    std::string keptAt;
};

// The file steps of a restore as the system does them, each giving 0 when
// done and otherwise the system's error code. Tests stand in for them to
// play the refusals that only some file systems and full drives give.
class FileReplacer {
  public:
    virtual ~FileReplacer() = default;
    // ReplaceFileA: puts `replacement` in place of `target`, which keeps its
    // identity (creation time, attributes, other streams).
    virtual unsigned long Replace(const std::string& target, const std::string& replacement);
    // GetTempFileNameA: makes a fresh empty file in `folder` (with its
    // trailing backslash) and names it.
    virtual unsigned long MakeTemp(const std::string& folder, std::string& temp);
    // CopyFileA, over an existing `to`.
    virtual unsigned long Copy(const std::string& from, const std::string& to);
    // CopyFileA of a file the restore is about to overwrite to its kept copy's
    // temporary name.
    virtual unsigned long CopyAside(const std::string& from, const std::string& to);
    // Copies a state to its temporary name `to` beside the file a block at a
    // time, with its last-write time, giving every byte to `hash` as well.
    // Between two blocks a set `stop` cuts it off with ERROR_REQUEST_ABORTED.
    virtual unsigned long Fetch(const std::string& from, const std::string& to,
                                const std::atomic<bool>& stop, ContentHasher& hash);
};

// Puts `replacer` in place of the system's; null puts it back.
void UseFileReplacer(FileReplacer* replacer);

// Copies generation 1, 2 or 3 of the listed file `path` back over the file,
// then over each newer generation, after asking with the generation's date.
// It holds the file's store against the agent throughout, tries the listed
// file as the replacement will open it, and keeps whatever it will overwrite
// that Sorel holds nowhere else, each under a name of its own. When any step
// before the file is replaced fails, every file and kept copy is as it was.
RestoreOutcome RestoreGeneration(const std::string& path, int generation);

// The copies earlier restores kept of the listed file under names of their
// own (full paths), in the order found.
std::vector<std::string> FindKeptCopies(const PathParts& parts);

// Copies the state the history row `state` names over the listed file
// `path` only, after one question with the state's time. The state's file
// must still hold exactly that state (StateGone, StateChanged otherwise).
// `elsewhere` are the states the place holds, which need no kept copy.
RestoreOutcome RestoreState(const std::string& path, const HeldState& state,
                            const std::vector<HeldState>& elsewhere);

// The same in three steps, for a state at the place, whose copy runs on a
// worker while the window answers. The question about `timeText` and the
// listed file's own refusals; Restored when the restore may go on.
RestoreResult ConfirmStateRestore(const std::string& path, const std::string& timeText);

// A state copied beside the file under a temporary name, whole and checked.
struct ArrivedState {
    RestoreResult result = RestoreResult::Restored;  // Restored when it arrived
    std::string temp;                                // its name, when it arrived
};

// Copies the version `version` at the place beside `path`, when the place
// still holds it as listed. Its hash must match the one its folder's
// manifest recorded when it was copied there, where the manifest knows it; a
// version older than the manifests is taken as it is. A damaged or
// mismatched copy is deleted and comes back Damaged; a set `stop` deletes it
// and comes back Declined. Touches the place only.
ArrivedState FetchPlaceVersion(const std::string& path, const HeldState& version,
                               const std::atomic<bool>& stop);

// Keeps the file as it stands where need be, then puts the arrived copy
// `temp` in its place, keeping the file's identity. `temp` is gone
// afterwards, unless the outcome is Stranded and names it.
RestoreOutcome PutStateInPlace(const std::string& path, const std::string& temp,
                               const std::vector<HeldState>& elsewhere);

// Says why a restore did not go through; nothing for a refusal the user
// chose or a restore that went through.
void ReportRestoreFailure(const RestoreOutcome& outcome);

// The command of the restore button of generation 1, 2 or 3: looks up the
// selected line, asks, restores and reports.
void RestoreGenerationCommand(int generation);

}  // namespace sorel::app
