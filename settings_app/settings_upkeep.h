// The settings window's only access to the settings file: loading it into
// the window, rewriting its first line when an hour is picked, and writing
// it whole after the list changed. The text rules are shared with the agent,
// so both programs read the file alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "../common/upkeep_rules.h"
#include "../common/win/settings_file.h"

namespace sorel::app {

// Fills BackupTable, ScheduleHour and the hour radio buttons from the file,
// and the list box too when `fillList`. A line 1 without "=" (the older form,
// and a missing or empty file) checks "4時" and is repaired at once.
//
// A file that exists but stays busy for the short retry is not taken as
// empty: SettingsUnread is set, nothing is repaired, and no save writes until
// a later load has read it.
//
// `retry` waits a little under a second for a busy file; without it a busy
// file is left for a later try at once.
void LoadSettings(bool fillList, bool retry = true);

using sorel::ListVerdict;
using sorel::WriteOutcome;

// Gives line 1 the current folder and ScheduleHour (or repairs an older
// line 1) and writes every other line back as it was read. A missing file
// becomes a file of 0 bytes; a file without lines stays so, unless the window
// lists files: then the file was deleted or emptied behind it, and the list
// it shows is written back and the user told. A busy file is tried again for
// a moment and then left alone: kRefused.
WriteOutcome RewriteHeaderLine();

// What a save of a change of the list did: whether the file was written, and
// what the change made of the file as it stood.
struct SaveOutcome {
    WriteOutcome write = WriteOutcome::kRefused;
    ListVerdict verdict = ListVerdict::kChanged;
    // The file had been deleted or emptied behind the window, and the list
    // the window showed was written back with the change.
    bool wroteBackList = false;
    bool Saved() const {
        return write != WriteOutcome::kRefused && verdict == ListVerdict::kChanged;
    }
};

// Adds `path` to the settings file as it stands, under the write lock, with
// today's date and the file's own hour (the buttons' hour for a file without
// a header): never a table read
// earlier, so nothing that reached the file since (the agent's date, a hand
// edit) is undone. The table and the list then show the file as written.
// Refused, with the file untouched, when it is busy or was never read.
SaveOutcome SaveAddedPath(const std::string& path);

// Removes the entry of table slot `slot`, which holds `path`, in the same way.
SaveOutcome SaveRemovedEntry(std::size_t slot, const std::string& path);

// Fills the table from a settings file's lines, and the list too when
// `fillList`: one line per table slot, each carrying its slot, so that a line
// finds its entry by what it is and not by its text.
void ShowSettingsLines(const std::vector<std::string>& lines, bool fillList);

// Empties the list and the hour buttons and loads the file into the window
// again, estimate included. True when the file could be read.
bool ReloadSettings(bool retry = true);

}  // namespace sorel::app
