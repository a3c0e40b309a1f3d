// The health record's small fields, shared by its file lines and its
// second-copy lines: text this program wrote, and counts it kept.
#pragma once

#include <string_view>

namespace sorel {

// Stamps and days are written by this program only; anything with a control
// character, or longer than any of them, is not one of them.
bool PlainRecordField(std::string_view text);

// A count of up to a million, in decimal digits only.
bool ReadRecordCount(std::string_view text, int& value);

}  // namespace sorel
