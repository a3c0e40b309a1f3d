// How the settings window rewrites the settings file: the header it writes,
// the repair of an older header, and the whole file it saves after a change
// of the list. Bytes in, bytes out; the window only reads and writes them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store_path.h"

namespace sorel {

// A line 1 that holds "=" anywhere is a header; an older form held only the
// folder there.
bool HasHeaderSeparator(std::string_view line);

// AppFolder + "=" + hour + flag.
std::string HeaderLineFor(std::string_view appFolder, std::string_view hour, std::string_view flag);

// The file's lines after picking an hour: line 1 becomes
// AppFolder=<hour>1, or, when it lacks "=", gets "=041" appended; every other
// line stays as it was, empty lines and lines past the thirtieth included.
// A file without lines stays without lines.
std::vector<std::string> RewrittenHeaderLines(std::vector<std::string> lines,
                                              std::string_view appFolder,
                                              std::string_view scheduleHour);

// The hour to save from the three radio buttons: a later checked one wins
// over an earlier one; with none checked the held hour stays, and an empty
// held hour becomes "04".
std::string ScheduleHourFromRadios(bool hour04, bool hour06, bool hour22, std::string_view held);

// The path lines that the table cannot hold: lines that do not fit a slot
// (512 bytes or more, or starting with "0") and lines past the 24th slot.
// The window keeps them and writes them back, so that no line of the file is
// lost because the table has no room for it.
std::vector<std::string> UnheldPathLines(const std::vector<std::string>& pathLines);

// The whole file after an addition or removal: the header, the date, the
// table's entries in order without `removed`, then the lines the table could
// not hold.
std::vector<std::string> SavedSettingsLines(const std::string& header, const std::string& date,
                                            const std::vector<std::string>& tablePaths,
                                            std::optional<std::size_t> removed,
                                            const std::vector<std::string>& unheldLines);

// The folder of a module path with its trailing backslash: everything up to
// and including the last backslash that is a character of its own. A trail
// byte with a backslash's value (ソ is 0x83 0x5C) does not count, so a
// program renamed ソレル.exe still finds its folder. Empty without a backslash.
std::string FolderOfModule(std::string_view modulePath, LeadByteTest isLead = IsCp932LeadByte);

}  // namespace sorel
