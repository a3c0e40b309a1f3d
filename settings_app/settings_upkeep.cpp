#include "settings_upkeep.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../common/settings_text.h"
#include "../common/store_path.h"
#include "../common/upkeep_rules.h"
#include "../common/win/files.h"
#include "../common/win/settings_file.h"
#include "app_state.h"
#include "list_editing.h"
#include "main_window.h"
#include "resource.h"

namespace sorel::app {

namespace {

// The temporary file is Varnix.vnx.settings.tmp, never the agent's.
constexpr char kWriterTag[] = "settings";

// Checks the radio button of a stored hour. Buttons are only ever set here;
// an hour the buttons do not offer leaves them all as they are.
void CheckRadioOfHour(const std::string& hour) {
    if (TextsEqual(hour, "04")) {
        SetChecked(Hour04Radio, true);
    } else if (TextsEqual(hour, "06")) {
        SetChecked(Hour06Radio, true);
    } else if (TextsEqual(hour, "22")) {
        SetChecked(Hour22Radio, true);
    }
}

}  // namespace

void LoadSettings(bool fillList) {
    HWND list = Control(BackupListBox);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, kListExtentPixels, 0);
    ClearBackupTable(BackupTable);
    UnheldLines.clear();
    std::vector<std::string> lines;
    if (ReadSettingsLines(lines, true) == ReadResult::kBusy) {
        SettingsUnread = true;
        return;
    }
    SettingsUnread = false;
    const std::string header = lines.empty() ? std::string() : lines[0];
    bool repair = !HasHeaderSeparator(header);
    if (repair) {
        SetChecked(Hour04Radio, true);
    } else {
        ScheduleHour = HourTextOf(header);
        CheckRadioOfHour(ScheduleHour);
    }
    // Line 2 is the date of the last write; the window has no use for it.
    std::vector<std::string> pathLines;
    if (lines.size() > 2) {
        pathLines.assign(lines.begin() + 2, lines.end());
    }
    FillBackupTable(BackupTable, pathLines);
    UnheldLines = UnheldPathLines(pathLines);
    if (fillList) {
        for (std::size_t slot = 0; SlotUsed(BackupTable, slot); ++slot) {
            std::string line = FileDisplayName(SlotText(BackupTable, slot), IsSystemLeadByte);
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        }
    }
    if (repair) {
        RewriteHeaderLine();
    }
}

WriteOutcome RewriteHeaderLine() {
    // A missing file becomes one of 0 bytes, as at the first start.
    return UpdateSettingsLines(
        [](const std::vector<std::string>& lines) {
            return RewrittenHeaderLines(lines, AppFolder, ScheduleHour);
        },
        true, kWriterTag);
}

bool SaveSettings(std::optional<std::size_t> removedEntry) {
    ScheduleHour = ScheduleHourFromRadios(IsChecked(Hour04Radio), IsChecked(Hour06Radio),
                                          IsChecked(Hour22Radio), ScheduleHour);
    const char* flag = IsChecked(SaveFlagCheckBox) ? "1" : "0";
    if (SettingsUnread) {
        return false;
    }
    std::vector<std::string> lines =
        SavedSettingsLines(HeaderLineFor(AppFolder, ScheduleHour, flag), TodayText(),
                           TablePaths(BackupTable), removedEntry, UnheldLines);
    SettingsWriteLock lock;
    return lock.held() && WriteSettingsLines(lines, kWriterTag);
}

bool ReloadSettings() {
    SendMessageA(Control(BackupListBox), LB_RESETCONTENT, 0, 0);
    // Loading only ever checks a button; the file alone decides which.
    for (int radio : {Hour04Radio, Hour06Radio, Hour22Radio}) {
        SetChecked(radio, false);
    }
    LoadSettings(true);
    RefreshEstimate();
    return !SettingsUnread;
}

}  // namespace sorel::app
