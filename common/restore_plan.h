// What a restore does, step by step, and the one loop that carries the steps
// out. A restore puts an earlier state of a listed file back over it; it must
// never cost a state: whatever it overwrites that Sorel holds nowhere else is
// kept first, and a restore that stops anywhere before the file is replaced
// leaves every file as it found it. Pure: the states as found in, the steps
// out; the settings window does the file work behind RestoreFiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store_path.h"

namespace sorel {

// One state as a file holds it. Two files hold the same state when both are
// there with the same size and last-write time, the test the agent makes too.
struct FoundState {
    std::string path;
    bool present = false;  // a file is there (not a folder)
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // the system's file time
};

bool SameState(const FoundState& a, const FoundState& b);

// Everything a plan looks at: the listed file, its three generations, the
// copies earlier restores kept, the states the second place holds when they
// are known, and the local time now ("2026-12-08 193015").
struct RestoreScene {
    std::string listedPath;
    PathParts parts;
    FoundState file;
    FoundState generations[3];
    std::vector<FoundState> kept;
    std::vector<FoundState> elsewhere;
    std::string now;
};

enum class RestoreStepKind {
    kCheckTarget,  // the listed file can be replaced as it stands (`to`)
    kKeep,         // a whole copy of `from` under the new name `to`, in `folder`
    kCopyBeside,   // a whole copy of `from` under a temporary name in `folder`
    kReplace,      // that copy (or `from`, a copy already there) replaces `to`
    kDropKept,     // an old kept copy that is held elsewhere or past its time
};

struct RestoreStep {
    RestoreStepKind kind;
    std::string from;
    std::string to;
    std::string folder;  // with its trailing backslash
    bool overListedFile = false;
};

// A kept copy has its own name, the local time it was kept, then the file's
// name: "2026-12-08 193015 book.xls". Copies kept in one second are told
// apart by a number after the time: "2026-12-08 193015-2 book.xls".
std::string KeptCopyName(std::string_view now, std::string_view fileName, int number);
// Whether `name` is a kept copy of `fileName`; `keptAt` gets its time.
bool IsKeptCopyName(std::string_view name, std::string_view fileName, std::string* keptAt);

// Kept copies per file: more are removed, the oldest first, but never one
// whose state Sorel holds nowhere else while it is younger than this.
constexpr std::size_t kMaxKeptCopies = 10;
constexpr long kKeptCopyDays = 30;

// The steps that restore generation 1 to 3 over the listed file and, as the
// buttons always have, over each newer generation (3 goes over 2, then 1).
// Empty for a path without drive letter, colon and backslash, for another
// generation, or when the generation is not there.
std::vector<RestoreStep> PlanGenerationRestore(const RestoreScene& scene, int generation);

// The steps that put the state `source` (a generation, a kept copy, a
// version at the place) over the listed file only. With `arrived`, the
// state's path is a whole copy of it already beside the file, which the
// replace uses as it is.
std::vector<RestoreStep> PlanStateRestore(const RestoreScene& scene, const FoundState& source,
                                          bool arrived);

// The folder where a restore keeps what it overwrites (no trailing
// backslash), or empty. The agent's names all begin with 11, 22, 33 or "~",
// so it never takes this folder for one of its own.
std::string SafetyFolderPath(const PathParts& parts);

// The generation a restore button reads, in the settings window's spelling.
std::string RestoreSource(const PathParts& parts, int generation);

// The file work of a restore, each step 0 when done and otherwise the
// system's error code.
class RestoreFiles {
  public:
    virtual ~RestoreFiles() = default;
    virtual unsigned long CheckTarget(const RestoreStep& step) = 0;
    // Leaves nothing behind when it fails.
    virtual unsigned long Keep(const RestoreStep& step) = 0;
    virtual unsigned long CopyBeside(const RestoreStep& step, std::string& temp) = 0;
    // `stranded` when the target is gone and `replacement` is all there is
    // of the file; otherwise a failed replace leaves the target as it was.
    virtual unsigned long Replace(const RestoreStep& step, const std::string& replacement,
                                  bool& stranded) = 0;
    virtual void Remove(const std::string& path) = 0;
};

struct RestoreRun {
    static constexpr std::size_t kAllDone = static_cast<std::size_t>(-1);
    std::size_t failed = kAllDone;  // the step that failed
    unsigned long error = 0;
    bool listedReplaced = false;  // the listed file holds the restored state
    std::string strandedAt;       // the restored state's only copy, with the target gone
};

// Carries the steps out in order and stops at the first that fails. Until
// the listed file is replaced, a failure takes back what the run did: the
// copies it kept and its temporary copy go, and every file is as it was.
// After that, what was kept stays, since it holds what was overwritten.
RestoreRun CarryOutRestore(const std::vector<RestoreStep>& plan, RestoreFiles& files);

}  // namespace sorel
