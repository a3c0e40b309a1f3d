// The settings file's text form: how its lines are read and written, and the
// fields of its header line. Bytes in, bytes out; no Windows here, so both
// programs and the native tests share one reading of the file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorel {

// Reads the settings file line by line with the rules both programs must
// share. Spaces and tabs before and after a value are left out; a value ends at CR LF,
// a lone LF, a lone CR, a NUL byte or the end of the bytes. A file saved by
// an editor with CR-only line ends is read line by line: no path holds a CR,
// and the older reading took such a file for one long line that the next
// save dropped.
//
// A comma is an ordinary byte. An older reading ended a value at a comma
// outside double quotes, so a path such as D:\a,b\c.txt came back as two
// entries; since the writers never quote, reading commas as text is the only
// way a path with a comma survives a save. Both programs use this class, so
// they read alike.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    // True when nothing is left to read.
    bool AtEnd() const { return pos_ >= bytes_.size(); }

    // Reads the next value into `value`. Returns false, leaving `value` as it
    // was, when the bytes end while leading blanks are skipped.
    bool ReadLine(std::string& value);

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// Every value the reader yields, in order, until the end of the bytes.
std::vector<std::string> ReadAllLines(std::string_view bytes);

// Appends `value` and CR LF to `out`.
void WriteLine(std::string& out, std::string_view value);

// The lines joined, each ended by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// The two bytes before the last byte of a header line: the hour text.
// Shorter texts give their first two bytes, or the whole text.
std::string HourTextOf(std::string_view headerLine);

// Line 1 of the settings file holds the settings program's folder before
// "="; the path of Sorel.exe there, or empty when the line names no folder.
std::string SettingsProgramPath(std::string_view headerLine);

// The header line's last byte is "1" when the timed start flag is set.
bool TimedStartFlagOf(std::string_view headerLine);

// The C library's text-to-number reading of an hour text: leading spaces and
// tabs skipped, then decimal digits; anything else gives 0. "04" is 4 and the
// empty text is 0. Saturates instead of overflowing.
int HourNumber(std::string_view hourText);

// The file with its line 2 replaced by `date`. A file that held only line 1
// gains the date as line 2; a file without any line stays empty, because a
// date line alone would not be a settings file.
std::vector<std::string> WithDateLine(std::vector<std::string> lines, std::string_view date);

}  // namespace sorel
