// What the settings window needs to know about a chosen place before it keeps
// it: the folder as it will be stored and the share a network path lies on.
// Pure text.
#pragma once

#include <string>
#include <string_view>

#include "../store_path.h"

namespace sorel {

// The folder as typed or pasted, made into the form the choice keeps: outer
// spaces and quotes (Explorer's "Copy as path") removed, forward slashes
// turned into backslashes, and no trailing backslash ("E:\" becomes "E:").
// Empty when what is left names no folder on a drive or share: a relative
// path, a bare "\\server", a drive letter without its colon.
std::string PlaceFolderText(std::string_view typed, LeadByteTest isLead = IsCp932LeadByte);

// "\\SERVER\SHARE" for a path below a network share, upper-cased so that two
// spellings of one share compare equal; empty for any other path. Windows
// would give the share's root itself, but Wine cannot, so it is read from the
// text. A trail byte is never taken for a backslash or upper-cased.
std::string ShareRoot(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

}  // namespace sorel
