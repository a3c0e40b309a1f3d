// Naming in the backup store: how a listed path splits into drive, folder,
// name and extension, where its generations live, and how a file's date
// reads as text. Pure byte work on code page 932 text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sorel {

// Tells whether a byte opens a double-byte character. The Windows side passes
// the system's own test; the default is code page 932's lead-byte ranges.
using LeadByteTest = bool (*)(unsigned char);
bool IsCp932LeadByte(unsigned char byte);

// The position of the last folder separator ("\" or "/") in `path`, or npos.
// A byte that is the second byte of a double-byte character is never one.
std::size_t LastSeparator(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

struct PathParts {
    std::string drive;      // "C:"
    std::string folder;     // "\Data\", always begins and ends with a separator (\ or /)
    std::string name;       // "book"
    std::string extension;  // ".xls", or empty
    bool Empty() const { return drive.empty(); }
};

// Splits a full path. A path that does not begin with a drive letter, a colon
// and a separator (a network path, a relative path) gives four empty parts.
// "/" separates folders wherever "\" does, as it does for Windows. A
// backslash or dot that is the second byte of a double-byte character
// (表 is 0x95 0x5C) is never a separator.
PathParts SplitPath(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

// The agent names the folder backUp; the settings application writes BackUp.
// Windows compares folder names without case, so both reach the same folder.
constexpr std::string_view kAgentFolderSpelling = "backUp";
constexpr std::string_view kSettingsFolderSpelling = "BackUp";

// drive + folder + "backUp" (no trailing backslash), or empty.
std::string BackupFolderPath(const PathParts& parts,
                             std::string_view spelling = kAgentFolderSpelling);

// drive + folder + "backUp\11" (22, 33 for n = 2, 3) + name + extension, or
// empty when the path has no parts or n is not 1 to 3.
std::string GenerationPath(const PathParts& parts, int n,
                           std::string_view spelling = kAgentFolderSpelling);

// Where a new state of the file is copied before the generations shift. It
// begins with "~", so it can never be taken for a generation, which begins
// with 11, 22 or 33; it ends with the full file name, so two files of one
// folder never share it.
std::string IncomingPath(const PathParts& parts);

// Where a reorder parks the generation it moves to generation 1 while the
// others shift down one into its place. Not the incoming name: a leftover
// incoming file is a copy cut off and is thrown away, where a parked file is
// a generation and is put back into the gap it left.
std::string ParkedPath(const PathParts& parts);

// The file whose byte-range lock an agent holds while it looks at and changes
// the generations of one listed file. Like the incoming name it begins with
// "~" and ends with the full file name, and it is no longer than that name.
std::string LockPath(const PathParts& parts);

// The longest names the agent writes for a listed file are its incoming copy,
// its parked generation and its lock, of one length;
// the system's ANSI file calls take at most this many characters in a path.
constexpr std::size_t kMaxPathChars = 259;
// CreateDirectoryA takes a shorter path: room is kept for an 8.3 name in it.
constexpr std::size_t kMaxFolderChars = 247;
// The restore writes each copy under a temporary name in the target's folder
// first, the backup folder included; GetTempFileNameA takes a folder, with
// its trailing backslash, of at most MAX_PATH - 14 characters.
constexpr std::size_t kMaxTempFolderChars = 246;

// Whether the agent can store `path`: it has a drive and a file name, every
// name the store needs for it (the incoming copy is the longest) fits the
// system's limit, the backup folder can be created, and the restore can make
// its temporary copies in it; counted in characters
// as the system counts them. The settings window refuses what fails here, so
// that it never confirms a file that would never be backed up; the agent
// skips it without touching anything.
bool AgentCanStore(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

// Whether `path` names something the system will never open as a file: a
// path in the "\\?\" or "\\.\" form, or one with a character that no
// file name may hold (< > " | ? * or a control character). Such a line is
// told apart from one that is merely too long or has no drive.
bool IsUnusableName(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

// name + extension: the file's full name, or empty for a path without parts.
std::string FileDisplayName(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

// year/month/day in plain decimal, for example 2009/4/23.
std::string DateText(int year, int month, int day);

}  // namespace sorel
