// When the agent backs up: whether its command line skips the start-up run,
// and when its 5-second timer starts the daily hour check. Pure, so that whole
// days and command lines can be tried without a process.
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

// Whether `keyword` occurs (exact bytes) among the arguments of a command line
// as the system gives it, leaving out the program's own path: a quoted path
// up to its closing quote, an unquoted one up to the first space or tab. An
// agent kept in a folder whose name holds the keyword still backs up at
// log-on. Neither a quote nor a blank is ever the second byte of a
// double-byte character, so the split is safe on code page 932 text.
bool ArgumentsContain(std::string_view commandLine, std::string_view keyword);

}  // namespace sorel
