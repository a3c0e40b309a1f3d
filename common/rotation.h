// What a backup run does with one listed file: the decision, and the steps
// that store a new generation without ever costing an old one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store_path.h"

namespace sorel {

// What an exclusive open found at a name before anything was touched.
enum class Presence {
    kMissing,     // the name, its folder or its drive is not there
    kReadable,    // it could be opened without sharing
    kUnreadable,  // it is there, but another program holds it or it cannot be opened
};

// What a look at one name found: whether it could be read, and when it was
// last written and how large it is when it could.
struct FileFacts {
    Presence presence = Presence::kMissing;
    std::uint64_t lastWrite = 0;  // the system's file time, in 100 ns steps
    std::uint64_t size = 0;
};

enum class BackupDecision {
    kNoLocation,            // no drive, or names too long to store: nowhere to keep generations
    kUnreadable,            // the listed file cannot be opened
    kGenerationUnreadable,  // generation 1 is there but cannot be read
    kUnchanged,             // same last-write time and size as generation 1
    kReplaceToday,          // changed again on generation 1's day: generation 1 is replaced
    kBackUp,                // changed on another day: the generations shift
};

// `storable` is AgentCanStore of the listed path; `sameDay` is the system's
// verdict on comparing the local date text of the file's last write with
// generation 1's.
//
// A file counts as changed when its last-write time or its size differs from
// generation 1's (the copy keeps the last-write time). Dates alone would miss
// a second save on a day already stored, and a tool that puts the last-write
// time back after a change is still caught by the size when it differs. A
// change on the same day replaces generation 1, so each generation holds the
// last state of its day of use.
//
// An unreadable file is skipped even when generation 1 exists: rotating then
// would shift the generations down with nothing new to put on top, and after
// two such runs all three would hold one state. An unreadable generation 1
// (a viewer, a scanner or a sync client holds it) has no date to compare: the
// file would look changed and the rotation would stop halfway or shift the
// same state twice, so the file waits for a later run.
BackupDecision DecideBackup(bool storable, const FileFacts& source, const FileFacts& gen1,
                            bool sameDay);

enum class StepKind {
    kCopyIn,  // copy the listed file to the incoming name
    kShift,   // rename one name over another
};

struct RotationStep {
    StepKind kind;
    std::string from;
    std::string to;
    // The target exists and is given up (generation 3, or generation 2 when
    // generation 1 holds its state too). Every other target is empty: it was
    // missing, or an earlier step moved it away.
    bool replace = false;
};

// The steps that store the listed file as generation 1, given what probes
// found at generations 1, 2 and 3:
//   1. copy the file whole to the incoming name in the backup folder;
//   2. shift the generations down by one, oldest first, but only those above
//      the first missing one: the new copy fills the first gap. With 11
//      missing nothing shifts; with 22 missing only 11 goes to 22; with all
//      three there, 22 replaces 33;
//   3. rename the incoming copy to generation 1.
// The copy goes first and the shifts only follow when it succeeded, so a
// failed or interrupted copy leaves all three generations as they were, and no
// generation name ever holds part of a file. A rotation stopped between two
// shifts leaves a gap, which the next run fills first, so no generation is
// ever shifted over another while a name above it is empty.
//
// When generations 1 and 2 hold one state (a restore from the settings window
// writes both), 1 goes over 2 and nothing else shifts: the rotation gives up
// the copy of a state kept twice rather than the distinct one in 3.
//
// No steps at all when any generation is unreadable: the file waits.
std::vector<RotationStep> PlanRotation(const std::string& listedPath, const PathParts& parts,
                                       const Presence (&generations)[3], bool firstTwoSame = false);

// The same last-write time and size: the change test's idea of one state.
bool SameState(const FileFacts& a, const FileFacts& b);

// 2 or 3 when the file holds the state that generation stores while
// generation 1 holds another: the settings window put that generation back
// over the file, keeping its last-write time. 0 otherwise; 2 when both match.
// Rotating as for a change would then store that state twice and give up
// generation 3.
int StoredGeneration(const FileFacts& source, const FileFacts (&generations)[3]);

// The steps that make generation n (2 or 3, as StoredGeneration gives it)
// generation 1 without copying anything: the file's state is stored already.
// The rule: generation n goes to the top, and those above it shift down one
// into its place, keeping their order, so that 1 to 3 stay newest first by
// use (with the file back at B: A, B, C becomes B, A, C; back at C: C, A, B).
// Nothing is given up. Generation n is parked first under ParkedPath, then
// the others shift oldest first, each into the name just emptied, then the
// parked one becomes generation 1. Cut off after any step, every state is at
// a generation or parked beside a gap; PlanUnpark puts it into that gap.
// No steps when generation 1 to n is unreadable or generation 1 is missing.
std::vector<RotationStep> PlanReorder(const PathParts& parts, int n,
                                      const Presence (&generations)[3]);

// The step that puts a generation a reorder left parked into the first gap
// among the generations. That gives back the order before the reorder or the
// one after it; a reorder of 3 cut off after 22 went to 33 leaves the state
// put back at 2, which the next run's reorder brings to 1. None when there is
// no gap: the parked file is then no generation, and a reorder fails at its
// first step rather than replace it.
std::vector<RotationStep> PlanUnpark(const PathParts& parts, const Presence (&generations)[3]);

// The steps that replace generation 1 with the file's later state of the same
// day: the whole copy to the incoming name, then one replacing rename over
// generation 1. The other generations are not touched.
std::vector<RotationStep> PlanReplace(const std::string& listedPath, const PathParts& parts);

}  // namespace sorel
