#include "hour_check.h"

#include "settings_text.h"

namespace sorel {

bool AdvanceTick(HourCheckState& state, long today, int nowHour, std::string_view scheduleHour) {
    const long previousDay = state.lastTickDay == kNoDay ? today : state.lastTickDay;
    const int previousHour = state.lastTickHour;
    state.lastTickDay = today;
    state.lastTickHour = nowHour;
    if (previousHour == HourNumber(scheduleHour) && state.lastCheckDay != previousDay) {
        state.lastCheckDay = previousDay;
        return true;
    }
    return false;
}

bool ArgumentsContain(std::string_view commandLine, std::string_view keyword) {
    std::size_t end;
    if (!commandLine.empty() && commandLine.front() == '"') {
        end = commandLine.find('"', 1);
        end = end == std::string_view::npos ? commandLine.size() : end + 1;
    } else {
        end = commandLine.find_first_of(" \t");
        end = end == std::string_view::npos ? commandLine.size() : end;
    }
    return commandLine.substr(end).find(keyword) != std::string_view::npos;
}

}  // namespace sorel
