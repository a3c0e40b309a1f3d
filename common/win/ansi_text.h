// Text between the system's wide (UTF-16) form and its ANSI code page. The
// programs keep every path as ANSI text; a name that the code page cannot
// spell exactly would come back as another name, or as "?".
#pragma once

#include <string>
#include <string_view>

namespace sorel {

// `wide` in the ANSI code page. False when a character has no exact
// counterpart there: the system would otherwise put a look-alike in its place
// (café.txt as cafe.txt, a "best fit") or its default character "?". `ansi`
// then holds that inexact text.
bool WideToAnsiExact(std::wstring_view wide, std::string& ansi);

// The same for the settings file's reader, which works on UTF-16 units.
bool Utf16ToAnsiExact(std::u16string_view wide, std::string& ansi);

// `ansi` as the system's wide form shows it, and back: what an ANSI list box
// gives back for a line. A byte sequence the code page does not assign reads
// back as another character.
std::string AnsiAsShown(std::string_view ansi);

}  // namespace sorel
