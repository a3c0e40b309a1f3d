// Where the agent keeps its record of every run and its log, for the user
// who asks what became of a file. Both programs need it: the agent writes
// there, and uninstall removes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../content_guard.h"

namespace sorel {

// %LOCALAPPDATA%\Sorel\ with its trailing backslash, or the empty text when
// the system cannot name the local application-data folder. The folder itself
// is not created here.
std::string HealthFolderPath();

// The states of held-back files that the user confirmed, kept beside the
// health record: the settings window adds to them, a run spends those it
// stores. None when the file is missing, busy or damaged.
std::string AcceptedStatesPath();
std::vector<AcceptedState> ReadAcceptedStates();
// Written whole under a temporary name, then renamed into place.
bool WriteAcceptedStates(const std::vector<AcceptedState>& states);

// Whether the user confirmed this state (last-write time and size) of the
// file at `path`, whatever the case of its spelling.
bool IsAcceptedState(const std::vector<AcceptedState>& accepted, const std::string& path,
                     std::uint64_t lastWrite, std::uint64_t size);

}  // namespace sorel
