// The second copy: every listed file's current state, once more, in a place
// on another drive that the settings window chose and marked. It runs on the
// copying thread after the run beside the files, so a drive or share that
// does not answer never delays the generations.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "../common/place/place_files.h"
#include "file_steps.h"
#include "place_find.h"
#include "place_outcome.h"

namespace sorel {

// The user's choice, from `healthFolder` (with its trailing backslash); empty
// when none is chosen or the file cannot be read.
PlaceChoice ReadPlaceChoice(const std::string& healthFolder);

// Makes the missing versions of `paths` below `markerFolder`: a copy under a
// temporary name, flushed, read back and compared, then renamed to its
// version name, replacing that day's version. A file whose copy was checked
// in full has its old versions thinned. No file starts once `stop` is set.
std::vector<SecondCopyResult> MakeSecondCopies(const std::string& markerFolder,
                                               const std::vector<std::string>& paths,
                                               const std::atomic<bool>* stop, FileSteps& steps);

// All of it for one run: reads the choice, looks for the place and makes the
// copies. A report with `chosen` false when no place is chosen.
PlaceReport RunSecondCopies(const std::string& healthFolder, const std::vector<std::string>& paths,
                            const std::atomic<bool>* stop, FileSteps& steps);

}  // namespace sorel
