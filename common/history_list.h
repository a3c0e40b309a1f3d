// The states of one listed file that the history dialog shows: which files
// can hold one, and how each reads as a line. Bytes in, bytes out; the
// settings window looks at the files.
#pragma once

#include <string>
#include <vector>

#include "store_path.h"

namespace sorel {

// A file that may hold a state of the listed file, and where it is, as the
// dialog names it.
struct StateFile {
    std::string path;
    std::string where;
};

// Generations 1 to 3, then the copies that restores kept under the names
// earlier versions gave them, with the settings window's spelling of the
// backup folder. Copies kept under names of their own are found by listing. Empty for a path
// without drive letter, colon and backslash.
std::vector<StateFile> LocalStateFiles(const PathParts& parts);

// One state as found: its file, its last write as local time, and its size.
struct HeldState {
    StateFile file;
    unsigned long long written = 0;  // a count that grows with time, for sorting
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    unsigned long long size = 0;
    bool damaged = false;  // a version its place's manifest found damaged
};

// Newest first; states of one time keep the order they were found in, so a
// generation comes before its kept copy and before the second place.
void SortNewestFirst(std::vector<HeldState>& states);

// Drops every state after the first of the same size and last write, so a
// state held in two places shows once: the first found is kept, a
// generation before a kept copy and both before the place.
void DropRepeatedStates(std::vector<HeldState>& states);

// "2009/5/21 10:05:09", the local time of the state's last write.
std::string StateTimeText(const HeldState& state);

// One line of the list: time, size in bytes with thousands separators, and
// where the state is.
std::string StateLine(const HeldState& state);

}  // namespace sorel
