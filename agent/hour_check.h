// When the agent's 5-second timer starts the daily hour check. Pure, so that
// whole days can be simulated without waiting.
#pragma once

#include <string_view>

namespace sorel {

struct HourCheckState {
    // Hour of the previous tick's local time; 0 before the first tick.
    int lastTickHour = 0;
    // Set once the hour check has run; cleared at a tick whose previous tick
    // fell in hour 23, so the check runs at most once a day.
    bool hourCheckDone = false;
};

// One timer tick at local hour `nowHour`, with `scheduleHour` as the settings
// file last gave it ("04", "06", "22"; empty counts as 0). Updates the state
// and tells whether the hour check runs now. The hour compared is the
// previous tick's, so the check starts at the first tick that follows a tick
// taken within the chosen hour.
bool AdvanceTick(HourCheckState& state, int nowHour, std::string_view scheduleHour);

}  // namespace sorel
