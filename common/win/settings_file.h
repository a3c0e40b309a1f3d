// Where the settings file lives, today's date as both programs write it, and
// reading and replacing the file as a list of lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../settings_form.h"
#include "../settings_text.h"
#include "files.h"
#include "unique_handle.h"

namespace sorel {

// The Windows directory + "\Varnix.vnx". A 32-bit program without a manifest
// that asks for an execution level gets the Windows directory virtualised for
// a standard user, which is what lets it write there at all.
std::string SettingsFilePath();

// The long date of the system default locale for `day` (2009年5月21日 on a
// Japanese system; Wine adds the weekday). Empty if the system cannot format it.
std::string LongDateText(const SYSTEMTIME& day);

// LongDateText of the current local date.
std::string TodayText();

// Reads the settings file's lines. `retry` waits briefly for a file that
// another program holds open. A file an editor saved as UTF-8 or UTF-16 is
// read as the text it holds, in the ANSI code page.
ReadResult ReadSettingsLines(std::vector<std::string>& lines, bool retry);

// Held by a program while it reads, changes and writes the settings file, so
// that the two programs' writes never interleave: without it the agent could
// read the file, the settings window save a new list, and the agent then put
// back the old list with its new date. It is a file of its own beside the
// settings file, opened without sharing and deleted when closed, so a killed
// holder leaves nothing behind. Readers that only read do not take it.
class SettingsWriteLock {
  public:
    // Waits a little under a second for the other program to finish.
    SettingsWriteLock();
    bool held() const { return static_cast<bool>(file_); }

  private:
    FileHandle file_;
};

enum class WriteOutcome { kWritten, kUnchanged, kRefused };

// Changes the settings file as a whole: under the write lock, reads its lines,
// hands them to `change` and writes back what it returns, unless the lines
// or the bytes would stay the same. A file that stays busy is refused, never taken for an
// empty one. A missing file reads as no lines and is created only when
// `createIfMissing`.
template <typename Change>
WriteOutcome UpdateSettingsLines(Change change, bool createIfMissing, const char* writerTag);

// Writes the lines, each ended by CR LF, as the settings file's new content,
// through a temporary file named after `writerTag` so that two programs never
// share one.
bool WriteSettingsLines(const std::vector<std::string>& lines, const char* writerTag);

// The part of UpdateSettingsLines that does not depend on the change.
struct SettingsSnapshot {
    ReadResult read;
    std::string bytes;  // as they are on disk
    SettingsText text;  // as the programs read them
};

// Where a settings file that a rewrite could not carry over whole is kept:
// one in another form, or with bytes that could not be read.
std::string KeptSettingsFilePath();
WriteOutcome WriteIfChanged(const SettingsSnapshot& before, const std::vector<std::string>& lines,
                            const char* writerTag);
SettingsSnapshot ReadSettingsForChange();

template <typename Change>
WriteOutcome UpdateSettingsLines(Change change, bool createIfMissing, const char* writerTag) {
    SettingsWriteLock lock;
    if (!lock.held()) {
        return WriteOutcome::kRefused;
    }
    SettingsSnapshot before = ReadSettingsForChange();
    if (before.read == ReadResult::kBusy ||
        (before.read == ReadResult::kMissing && !createIfMissing)) {
        return WriteOutcome::kRefused;
    }
    const std::vector<std::string> read = ReadAllLines(before.text.bytes);
    std::vector<std::string> changed = change(read);
    // A change that changes nothing leaves the file as it is, in whatever
    // form it was saved.
    if (before.read == ReadResult::kOk && changed == read) {
        return WriteOutcome::kUnchanged;
    }
    return WriteIfChanged(before, changed, writerTag);
}

}  // namespace sorel
