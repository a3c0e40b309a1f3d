// Finding the second copy's place, for the agent that copies there and the
// settings window that shows what is kept there.
#pragma once

#include <string>
#include <vector>

#include "../place/manifest.h"
#include "../place/place_files.h"

namespace sorel {

// The marker's folder ("<place>\Sorel") when the marker there holds the
// choice's identity. When the chosen path holds no such marker, the same
// folder path is tried on every other drive letter, as a USB drive may come
// back under another one. Empty when it is found nowhere. Nothing is created.
std::string FindPlace(const PlaceChoice& choice);

// This PC's name, as the marker and the PC's folder at the place give it.
std::string ComputerName();

// This PC's folder below the marker's folder ("<place>\Sorel\<COMPUTER>"):
// two PCs that list the same path never touch each other's versions.
std::string PcVersionsFolder(const std::string& markerFolder);

// The manifest in a file's folder at the place (without a trailing
// backslash). It is only ever replaced whole, so it is read with others
// allowed to read it too. False when it is there but cannot be read now: a
// writer must then leave it alone rather than drop the entries it holds.
bool ReadManifest(const std::string& folder, std::vector<ManifestEntry>& entries);

}  // namespace sorel
