#include "hour_check.h"

#include "settings_text.h"

namespace sorel {

bool AdvanceTick(HourCheckState& state, int nowHour, std::string_view scheduleHour) {
    int previousHour = state.lastTickHour;
    if (previousHour == 23) {
        state.hourCheckDone = false;
    }
    state.lastTickHour = nowHour;
    if (previousHour == HourNumber(scheduleHour) && !state.hourCheckDone) {
        state.hourCheckDone = true;
        return true;
    }
    return false;
}

}  // namespace sorel
