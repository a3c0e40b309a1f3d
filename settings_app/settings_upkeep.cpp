#include "settings_upkeep.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../common/list_rules.h"
#include "../common/settings_text.h"
#include "../common/store_path.h"
#include "../common/upkeep_rules.h"
#include "../common/win/files.h"
#include "../common/win/settings_file.h"
#include "app_state.h"
#include "ask.h"
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

// The file as the window last showed it, for a file that was deleted or
// emptied behind the window (an editor's failed save leaves 0 bytes): the
// listed files would otherwise vanish with the next change, without a word.
// Nothing when the file still has lines or the window lists nothing.
std::vector<std::string> ShownListFor(const std::vector<std::string>& lines,
                                      const std::string& header) {
    std::vector<std::string> shown;
    const std::vector<std::string> paths = TablePaths(BackupTable);
    if (lines.empty() && !paths.empty()) {
        shown = {header, TodayText()};
        shown.insert(shown.end(), paths.begin(), paths.end());
    }
    return shown;
}

// After a save: the buttons show the hour of the file as written, which may
// be one that another writer set.
void ShowHourOf(const std::vector<std::string>& lines) {
    if (lines.empty() || !HasHeaderSeparator(lines[0])) {
        return;
    }
    ScheduleHour = HourTextOf(lines[0]);
    for (int radio : {Hour04Radio, Hour06Radio, Hour22Radio}) {
        SetChecked(radio, false);
    }
    CheckRadioOfHour(ScheduleHour);
}

}  // namespace

void LoadSettings(bool fillList, bool retry) {
    HWND list = Control(BackupListBox);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, kListExtentPixels, 0);
    ClearBackupTable(BackupTable);
    std::vector<std::string> lines;
    if (ReadSettingsLines(lines, retry) == ReadResult::kBusy) {
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
    ShowSettingsLines(lines, fillList);
    if (repair) {
        RewriteHeaderLine();
    }
}

WriteOutcome RewriteHeaderLine() {
    // A missing file becomes one of 0 bytes, as at the first start.
    std::vector<std::string> asWritten;
    bool wroteBackList = false;
    const WriteOutcome outcome = UpdateSettingsLines(
        [&](const std::vector<std::string>& lines) {
            std::vector<std::string> shown =
                ShownListFor(lines, HeaderLineFor(AppFolder, ScheduleHour, "1"));
            wroteBackList = !shown.empty();
            asWritten =
                RewrittenHeaderLines(wroteBackList ? shown : lines, AppFolder, ScheduleHour);
            return asWritten;
        },
        true, kWriterTag);
    if (outcome != WriteOutcome::kRefused) {
        // The list follows the file as written, whoever changed it last.
        ShowSettingsLines(asWritten, true);
        RefreshEstimate();
        if (wroteBackList) {
            Ask(kListWrittenBackMessage);
        }
    }
    return outcome;
}

void ShowSettingsLines(const std::vector<std::string>& lines, bool fillList) {
    std::vector<std::string> pathLines;
    if (lines.size() > 2) {
        pathLines.assign(lines.begin() + 2, lines.end());
    }
    // Lines the table cannot hold stay in the file: every save changes the
    // file as it stands.
    FillBackupTable(BackupTable, pathLines);
    if (!fillList) {
        return;
    }
    // The list sorts its lines; each keeps its slot as its item data, so the
    // selected line leads to its own entry even when its text cannot be
    // shown as stored or two entries share a name.
    HWND list = Control(BackupListBox);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, kListExtentPixels, 0);
    for (std::size_t slot = 0; SlotUsed(BackupTable, slot); ++slot) {
        std::string line = FileDisplayName(SlotText(BackupTable, slot), IsSystemLeadByte);
        LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (index >= 0) {
            SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index),
                         static_cast<LPARAM>(slot));
        }
    }
}

namespace {

template <typename MakeChange>
SaveOutcome SaveListChange(MakeChange makeChange) {
    ScheduleHour = ScheduleHourFromRadios(IsChecked(Hour04Radio), IsChecked(Hour06Radio),
                                          IsChecked(Hour22Radio), ScheduleHour);
    const char* flag = IsChecked(SaveFlagCheckBox) ? "1" : "0";
    SaveOutcome outcome;
    if (SettingsUnread) {
        return outcome;
    }
    const std::string date = TodayText();
    std::vector<std::string> asWritten;
    outcome.write = UpdateSettingsLines(
        [&](std::vector<std::string> lines) {
            std::string header = HeaderLineFor(AppFolder, ScheduleHour, flag);
            if (!lines.empty() && HasHeaderSeparator(lines[0])) {
                // Only an hour pick changes the hour: one that another writer
                // set since the window loaded stays.
                header = HeaderLineFor(AppFolder, HourTextOf(lines[0]), flag);
            }
            if (std::vector<std::string> shown = ShownListFor(lines, header); !shown.empty()) {
                lines = std::move(shown);
                outcome.wroteBackList = true;
            }
            ListChange change = makeChange(lines, header, date);
            outcome.verdict = change.verdict;
            asWritten = change.lines;
            return change.lines;
        },
        true, kWriterTag);
    if (outcome.write != WriteOutcome::kRefused) {
        // The window shows the file as it now is, whoever changed it last.
        ShowSettingsLines(asWritten, true);
        ShowHourOf(asWritten);
    } else {
        outcome.wroteBackList = false;
    }
    return outcome;
}

}  // namespace

SaveOutcome SaveAddedPath(const std::string& path) {
    return SaveListChange([&](const std::vector<std::string>& lines, const std::string& header,
                              const std::string& date) {
        return WithPathAdded(lines, header, date, path, kListLimit, IsSystemLeadByte);
    });
}

SaveOutcome SaveRemovedEntry(std::size_t slot, const std::string& path) {
    return SaveListChange(
        [&](const std::vector<std::string>& lines, const std::string& header,
            const std::string& date) { return WithEntryRemoved(lines, header, date, slot, path); });
}

bool ReloadSettings(bool retry) {
    SendMessageA(Control(BackupListBox), LB_RESETCONTENT, 0, 0);
    // Loading only ever checks a button; the file alone decides which.
    for (int radio : {Hour04Radio, Hour06Radio, Hour22Radio}) {
        SetChecked(radio, false);
    }
    LoadSettings(true, retry);
    RefreshEstimate();
    return !SettingsUnread;
}

}  // namespace sorel::app
