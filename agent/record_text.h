// The health record's small fields, shared by its file lines and its
// second-copy lines: text this program wrote, and counts it kept.
#pragma once

#include <string>
#include <string_view>

namespace sorel {

// Stamps and days are written by this program only; anything with a control
// character, or longer than any of them, is not one of them.
bool PlainRecordField(std::string_view text);

// A day the record holds as later than tomorrow counts as today. A clock once
// set ahead (to 2099, say) left such days behind; compared as they are, every
// real day would come before them and no balloon would ever come again. A day
// only one ahead is kept: a clock put back after midnight, or a new time zone,
// leaves one, and must not make a second day of use.
std::string DayTakenIn(const std::string& day, const std::string& today);

// A count of up to a million, in decimal digits only.
bool ReadRecordCount(std::string_view text, int& value);

}  // namespace sorel
