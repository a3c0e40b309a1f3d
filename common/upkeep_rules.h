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

// What a change of the list made of the settings file's lines as they stand.
enum class ListVerdict {
    kChanged,    // the lines carry the change
    kLimit,      // the file already lists the most files the window takes
    kDuplicate,  // a listed file already has that name
    kNotFound,   // the entry to remove is no longer in the file
};

struct ListChange {
    ListVerdict verdict = ListVerdict::kChanged;
    std::vector<std::string> lines;  // unchanged unless the verdict is kChanged
};

// The settings file's lines with `path` added as the last line, and with the
// header and date of this save. Judged against the lines as they stand, not
// against a table read earlier: at most `limit` listed files, and no two of
// one name. Every other line stays as it is, including lines the table
// cannot hold.
ListChange WithPathAdded(std::vector<std::string> lines, const std::string& header,
                         const std::string& date, std::string_view path, std::size_t limit,
                         LeadByteTest isLead = IsCp932LeadByte);

// The settings file's lines without the entry of table slot `slot`, which
// held `path`, and with the header and date of this save. When that slot of
// the lines as they stand no longer holds `path`, the first entry that does
// is removed instead; when none does, nothing is.
ListChange WithEntryRemoved(std::vector<std::string> lines, const std::string& header,
                            const std::string& date, std::size_t slot, std::string_view path);

// The index into a settings file's lines of each table slot, in slot order:
// the table holds the path lines that fit a slot, up to its 24 slots.
std::vector<std::size_t> HeldLineIndexes(const std::vector<std::string>& lines);

// The folder of a module path with its trailing backslash: everything up to
// and including the last backslash that is a character of its own. A trail
// byte with a backslash's value (ソ is 0x83 0x5C) does not count, so a
// program renamed ソレル.exe still finds its folder. Empty without a backslash.
std::string FolderOfModule(std::string_view modulePath, LeadByteTest isLead = IsCp932LeadByte);

}  // namespace sorel
