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

// This PC's folder below the marker's folder ("<place>\Sorel\<COMPUTER>"):
// two PCs that list the same path never touch each other's versions.
std::string PcVersionsFolder(const std::string& markerFolder);

// Makes the missing versions of `paths` in this PC's folder below
// `markerFolder`: a copy under a temporary name, hashed as it is written,
// flushed, read back from the drive and compared, then renamed to its version
// name, replacing that day's version, and kept in the folder's manifest. A
// file whose copy was checked in full has its old versions thinned. No file
// starts once `stop` is set. `buffered`, when given, learns whether a
// read-back had to go through the system's cache.
std::vector<SecondCopyResult> MakeSecondCopies(const std::string& markerFolder,
                                               const std::vector<std::string>& paths,
                                               const std::atomic<bool>* stop, FileSteps& steps,
                                               bool* buffered = nullptr);

// Reads every version of `paths` in this PC's folder back from the drive and
// compares it with its manifest's hash, marking damaged versions there. Only
// when 30 days have passed since the last scrub, unless `force`. Empty (not
// done) when `stop` cut it off.
ScrubReport ScrubVersions(const std::string& markerFolder, const std::vector<std::string>& paths,
                          const std::atomic<bool>* stop, bool force);

// Whether the file can be read at all, whoever else has it open.
bool CanOpenForReading(const std::string& path);

// All of it for one run: reads the choice, looks for the place, makes the
// copies and, when one is due, scrubs. A report with `chosen` false when no
// place is chosen.
PlaceReport RunSecondCopies(const std::string& healthFolder, const std::vector<std::string>& paths,
                            const std::atomic<bool>* stop, FileSteps& steps);

}  // namespace sorel
