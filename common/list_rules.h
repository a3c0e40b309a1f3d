// The settings window's rules for its backup list: which dropped paths it
// takes, when a new file counts as already listed, which table entry belongs
// to a list line, and the expected backup time. Bytes in, bytes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store_path.h"

namespace sorel {

// The list takes at most this many files.
constexpr std::size_t kListLimit = 20;

enum class DropVerdict {
    kAccept,
    kShortcut,          // a .lnk file, in any letter case
    kInternetShortcut,  // a .url file, in any letter case
    kFolder,            // the path is a folder, whatever its name looks like
};

// Judges a dropped path; its length is the agent's rule (AgentCanStore). `isFolder` is what the
// file system says the path is. A folder named Photos.lnk is a folder, and report.xlsx, notes.c and
// README are files: the name's spelling decides only between a shortcut and any other file.
DropVerdict CheckDroppedPath(std::string_view path, bool isFolder);

// The path as Windows resolves it: dots and spaces at its end are dropped,
// so a.txt. and a.txt  name a.txt.
std::string_view ResolvedName(std::string_view path);

// Whether two list lines name the same file: the whole names as Windows
// resolves them compared, with ASCII and full-width Latin letters in any case. Only single-byte
// letters and whole double-byte characters are folded, so a trail byte that happens to have the
// value of a letter (ア is 0x83 0x41) is never folded.
bool SameLineText(std::string_view a, std::string_view b, LeadByteTest isLead = IsCp932LeadByte);

// Whether `lineText` is already one of `lines`. Two files with the same name
// in different folders are refused, because the restore finds a file by the
// name shown in the list; data.txt and data.txt.bak are different names.
bool IsListedLine(const std::vector<std::string>& lines, std::string_view lineText,
                  LeadByteTest isLead = IsCp932LeadByte);

// The expected backup time: 0.9 seconds per 10^6 bytes of all listed files,
// cut towards zero. Exact integer arithmetic on 64-bit sizes, so a file of
// 4 GiB or more counts with its full size.
std::uint64_t BackupSeconds(std::uint64_t totalBytes);

struct EstimateTexts {
    std::string seconds;  // "0" for an empty list, "１秒以下" for under a second
    std::string count;
};

// The texts of the two estimate fields for the listed files' sizes, one per
// listed file. A file whose size could not be read (nothing) adds no time but
// still counts as listed.
EstimateTexts Estimate(const std::vector<std::optional<std::uint64_t>>& sizes);

}  // namespace sorel
