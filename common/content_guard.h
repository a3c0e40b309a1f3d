// The guard's verdict, and the states of files that the user has confirmed
// although the guard would hold them back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "guard/verdict.h"

namespace sorel {

// A state of a file that the user has confirmed as a true change, so that it
// is stored although the guard would hold it back.
struct AcceptedState {
    std::string path;
    std::uint64_t lastWrite = 0;  // the system's file time
    std::uint64_t size = 0;
};

// The accepted states as kept in their file: a first line naming it, then
// one line per state, the path last; CR LF.
std::string FormatAcceptedStates(const std::vector<AcceptedState>& states);
// Whatever cannot be read is left out: a damaged file accepts nothing.
std::vector<AcceptedState> ParseAcceptedStates(std::string_view bytes);

}  // namespace sorel
