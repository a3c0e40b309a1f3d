#include "schedule_options.h"

#include <windows.h>

#include <string>

#include "app_state.h"
#include "ask.h"
#include "main_window.h"
#include "resource.h"
#include "settings_upkeep.h"

namespace sorel::app {

namespace {

// The radio buttons as they stood before the click. The three are one
// group, so the system has already checked the clicked one and cleared the
// others; before, the one of the held hour was checked (or "4時" for none
// held, as after a first start), and none for an hour they do not offer.
struct RadioStates {
    bool checked[3];
};

const int kRadios[3] = {Hour04Radio, Hour06Radio, Hour22Radio};
const char* const kHours[3] = {"04", "06", "22"};

RadioStates StatesBeforeClick() {
    RadioStates states{};
    for (int i = 0; i < 3; ++i) {
        states.checked[i] = ScheduleHour == kHours[i] || (ScheduleHour.empty() && i == 0);
    }
    return states;
}

void PickHour(int clicked, int firstOther, int secondOther, const char* hour) {
    // A file busy at start is loaded first, so the buttons stand as the file
    // does before the click is applied.
    if (SettingsUnread && ReloadSettings()) {
        SetChecked(clicked, true);
    }
    const RadioStates before = StatesBeforeClick();
    const std::string heldHour = ScheduleHour;
    SetChecked(firstOther, false);
    SetChecked(secondOther, false);
    ScheduleHour = hour;
    if (RewriteHeaderLine() == WriteOutcome::kRefused) {
        // The file keeps its hour, so the buttons show it again rather than
        // an hour the agent will never see.
        for (int i = 0; i < 3; ++i) {
            SetChecked(kRadios[i], before.checked[i]);
        }
        ScheduleHour = heldHour;
        // The keyboard leaves the option that is no longer checked; on
        // Windows it would click it again once the message box closes.
        if (GetFocus() == Control(clicked) && !IsChecked(clicked)) {
            for (int i = 0; i < 3; ++i) {
                if (before.checked[i]) {
                    SetFocus(Control(kRadios[i]));
                }
            }
        }
        Ask(kSettingsBusyMessage);
    }
}

}  // namespace

void OnHour04Radio() {
    PickHour(Hour04Radio, Hour06Radio, Hour22Radio, "04");
}

void OnHour06Radio() {
    PickHour(Hour06Radio, Hour04Radio, Hour22Radio, "06");
}

void OnHour22Radio() {
    PickHour(Hour22Radio, Hour04Radio, Hour06Radio, "22");
}

}  // namespace sorel::app
