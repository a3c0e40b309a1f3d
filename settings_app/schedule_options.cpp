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

// The radio buttons as they stood before the click. The system has already
// checked the clicked one; it stood checked before exactly when no other one
// did and the held hour was its own (or none, which "4時" stands for).
struct RadioStates {
    bool checked[3];
};

const int kRadios[3] = {Hour04Radio, Hour06Radio, Hour22Radio};

RadioStates StatesBeforeClick(int clicked, const char* hour) {
    RadioStates states{};
    bool otherChecked = false;
    for (int i = 0; i < 3; ++i) {
        if (kRadios[i] != clicked) {
            states.checked[i] = IsChecked(kRadios[i]);
            otherChecked = otherChecked || states.checked[i];
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (kRadios[i] == clicked) {
            states.checked[i] = !otherChecked && (ScheduleHour == hour ||
                                                  (ScheduleHour.empty() && clicked == Hour04Radio));
        }
    }
    return states;
}

void PickHour(int clicked, int firstOther, int secondOther, const char* hour) {
    // A file busy at start is loaded first, so the buttons stand as the file
    // does before the click is applied.
    if (SettingsUnread && ReloadSettings()) {
        SetChecked(clicked, true);
    }
    const RadioStates before = StatesBeforeClick(clicked, hour);
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
