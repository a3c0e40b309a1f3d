// What a restore of one generation copies, and in which order. Bytes in,
// bytes out; the settings window carries the copies out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store_path.h"

namespace sorel {

struct RestoreCopy {
    std::string from;
    std::string to;
    // The folder `to` lies in, with its trailing backslash: the new content
    // is written there in full before it replaces `to`.
    std::string toFolder;
    // True for the copy over the listed file itself.
    bool overListedFile;
};

// The copies that restore generation `generation` (1 to 3) of the listed
// file: the generation over the listed file first, then over each newer
// generation, the nearer one first (3 goes over 2, then over 1). The listed
// file comes first because it is what the user asked for; when it cannot be
// written, the newer generations must keep what they hold. Generation paths
// use the settings window's spelling of the backup folder.
//
// Empty for a path without drive letter, colon and backslash, which has no
// backup folder, and for a generation other than 1 to 3.
std::vector<RestoreCopy> PlanRestore(const std::string& listedPath, const PathParts& parts,
                                     int generation);

// The generation a restore reads: the `from` of every copy of its plan.
// Empty when the plan is.
std::string RestoreSource(const PathParts& parts, int generation);

// The folder in the backup folder where a restore keeps what it is about to
// overwrite (no trailing backslash), or empty. The agent's names all begin
// with 11, 22, 33 or "~", so it never takes this folder for one of its own.
std::string SafetyFolderPath(const PathParts& parts);

// The copies a restore of generation `generation` keeps before it writes
// anything, one per file it will overwrite: the listed file under its own
// name, and each newer generation under its generation name, all in the
// safety folder. `toFolder` is that folder with its trailing backslash.
// Empty when PlanRestore is.
std::vector<RestoreCopy> PlanSafetyCopies(const std::string& listedPath, const PathParts& parts,
                                          int generation);

}  // namespace sorel
