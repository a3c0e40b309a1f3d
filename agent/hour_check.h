// When the agent backs up: whether its command line skips the start-up run,
// and when its 5-second timer starts the daily hour check. Pure, so that whole
// days and command lines can be tried without a process.
#pragma once

#include <string_view>

namespace sorel {

// Days are numbers that tell local calendar days apart; only equality counts.
constexpr long kNoDay = -1;

struct HourCheckState {
    // Local day and hour of the previous tick; before the first tick, hour 0
    // of the first tick's day.
    long lastTickDay = kNoDay;
    int lastTickHour = 0;
    // The day whose chosen hour had its check: at most one check a day,
    // however long the PC slept and whichever hours the clock skipped.
    long lastCheckDay = kNoDay;
};

// One timer tick at local day `today` and hour `nowHour`, with `scheduleHour`
// as the settings file last gave it ("04", "06", "22"; empty counts as 0).
// Updates the state and tells whether the hour check runs now. The hour
// compared is the previous tick's, so the check starts at the first tick
// that follows a tick taken within the chosen hour.
bool AdvanceTick(HourCheckState& state, long today, int nowHour, std::string_view scheduleHour);

// Whether `keyword` occurs (exact bytes) among the arguments of a command line
// as the system gives it, leaving out the program's own path: a quoted path
// up to its closing quote, an unquoted one up to the first space or tab. An
// agent kept in a folder whose name holds the keyword still backs up at
// log-on. Neither a quote nor a blank is ever the second byte of a
// double-byte character, so the split is safe on code page 932 text.
bool ArgumentsContain(std::string_view commandLine, std::string_view keyword);

}  // namespace sorel
