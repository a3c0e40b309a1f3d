// Where the agent keeps its record of every run and its log, for the user
// who asks what became of a file. Both programs need it: the agent writes
// there, and uninstall removes it.
#pragma once

#include <string>

namespace sorel {

// %LOCALAPPDATA%\Sorel\ with its trailing backslash, or the empty text when
// the system cannot name the local application-data folder. The folder itself
// is not created here.
std::string HealthFolderPath();

}  // namespace sorel
