// Finding the second copy's place, for the agent that copies there and the
// settings window that shows what is kept there.
#pragma once

#include <string>

#include "../place/place_files.h"

namespace sorel {

// The marker's folder ("<place>\Sorel") when the marker there holds the
// choice's identity. When the chosen path holds no such marker, the same
// folder path is tried on every other drive letter, as a USB drive may come
// back under another one. Empty when it is found nowhere. Nothing is created.
std::string FindPlace(const PlaceChoice& choice);

}  // namespace sorel
