// How the settings window recognizes the agent's executable in the Startup
// folder. Bytes in, bytes out; the window does the listing.
#pragma once

#include <cstdint>
#include <string_view>

namespace sorel {

// The agent's executable, as set-up puts it into the Startup folder.
constexpr std::string_view kAgentFileName = "Sorel2.exe";

enum class StartupEntry {
    kSkip,          // "." and ".."
    kSearchInside,  // a plain folder: its entries are looked at as well
    kAgent,         // the agent (or a shortcut to it) is set up
    kOther,
};

// Judges one entry of a folder listing below the Startup folder. `folder`
// ends with a backslash; `attributes` are the listing's.
//
// Only attributes of exactly FILE_ATTRIBUTE_DIRECTORY make a plain folder to
// search; a folder with any further bit (hidden, read-only, a junction) is
// judged like a file, which also keeps a junction from leading the search
// round in a circle. A file is the agent when folder + name contains
// "Sorel2.exe" spelled exactly so, which counts a shortcut Sorel2.exe.lnk as
// well, but not sorel2.exe.
StartupEntry JudgeStartupEntry(std::string_view folder, std::string_view name,
                               std::uint32_t attributes);

}  // namespace sorel
