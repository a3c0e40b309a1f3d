// The settings window's only access to the settings file: loading it into
// the window, rewriting its first line when an hour is picked, and writing
// it whole after the list changed. The text rules are shared with the agent,
// so both programs read the file alike.
#pragma once

#include <cstddef>
#include <optional>

#include "../common/win/settings_file.h"

namespace sorel::app {

// Fills BackupTable, ScheduleHour and the hour radio buttons from the file,
// and the list box too when `fillList`. A line 1 without "=" (the older form,
// and a missing or empty file) checks "4時" and is repaired at once.
//
// A file that exists but stays busy for the short retry is not taken as
// empty: SettingsUnread is set, nothing is repaired, and no save writes until
// a later load has read it.
void LoadSettings(bool fillList);

using sorel::WriteOutcome;

// Gives line 1 the current folder and ScheduleHour (or repairs an older
// line 1) and writes every other line back as it was read. A missing file
// becomes a file of 0 bytes; a file without lines stays so. A busy file is
// tried again for a moment and then left alone: kRefused.
WriteOutcome RewriteHeaderLine();

// Writes the whole file: the header with the hour from the radio buttons,
// today's date, the table's entries without `removedEntry`, and the lines the
// table could not hold. False, with the file untouched, when it could not be
// written or was never read.
bool SaveSettings(std::optional<std::size_t> removedEntry = std::nullopt);

// Empties the list and the hour buttons and loads the file into the window
// again, estimate included. True when the file could be read.
bool ReloadSettings();

}  // namespace sorel::app
