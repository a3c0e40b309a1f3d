#include "agent_life.h"

namespace sorel {

namespace {

using S = LifeState;
using E = LifeEvent;

bool RunGoing(S state) {
    return state == S::kRunning || state == S::kRunningCheckWaiting ||
           state == S::kRunningCatchUpWaiting || state == S::kSessionEndingRunning;
}

bool SessionEnding(S state) {
    return state == S::kSessionEnding || state == S::kSessionEndingRunning ||
           state == S::kSessionEndingCut;
}

// A check falls due: it starts at once, or follows the run in progress.
// While a log-off is asked for, or after a cancelled one, nothing new starts:
// the run that follows a cancelled log-off walks every file anyway.
LifeStep CheckDue(S state) {
    switch (state) {
        case S::kStarting:
        case S::kStartUpDue:
        case S::kIdle:
            return {S::kRunning, kStartCheck};
        case S::kRunning:
            return {S::kRunningCheckWaiting, 0};
        default:
            return {state, 0};
    }
}

// The one path that takes a run's report, whatever comes after it.
LifeStep RunDone(S state) {
    const unsigned finish = kFinishRun | kHideNotice;
    switch (state) {
        case S::kRunning:
            return {S::kIdle, finish};
        case S::kRunningCheckWaiting:
            return {S::kRunning, finish | kStartCheck};
        case S::kRunningCatchUpWaiting:
            return {S::kRunning, finish | kStartCatchUp};
        case S::kSessionEndingRunning:
            return {S::kSessionEndingCut, finish};
        default:
            // A report the window already took, when it cut the run off.
            return {state, 0};
    }
}

// A drive came: the place may be back. Idle, only the missing second copies
// are made; a run going may have looked for the place already, so a check
// follows it, which makes them without copying anything beside the files
// again. The start-up run still to come makes them anyway.
LifeStep VolumeArrived(S state) {
    switch (state) {
        case S::kIdle:
            return {S::kRunning, kStartSecondCopies};
        case S::kRunning:
            return {S::kRunningCheckWaiting, 0};
        default:
            return {state, 0};
    }
}

LifeStep QueryEndSession(S state) {
    if (RunGoing(state)) {
        return {S::kSessionEndingRunning, kStopRun};
    }
    switch (state) {
        case S::kStartUpDue:
            // The start-up run is owed: it follows a cancelled log-off.
            return {S::kSessionEndingCut, 0};
        case S::kStarting:
        case S::kIdle:
            return {S::kSessionEnding, 0};
        default:
            return {state, 0};
    }
}

LifeStep EndSessionCancelled(S state) {
    switch (state) {
        case S::kSessionEnding:
            return {S::kIdle, 0};
        case S::kSessionEndingRunning:
            return {S::kRunningCatchUpWaiting, 0};
        case S::kSessionEndingCut:
            return {S::kRunning, kStartCatchUp};
        default:
            return {state, 0};
    }
}

}  // namespace

LifeStep NextLifeStep(LifeState state, LifeEvent event) {
    if (state == S::kEnded) {
        // Destroying the window is the last step of every way to the end.
        return {S::kEnded, event == E::kDestroy ? static_cast<unsigned>(kEndAgent) : 0u};
    }
    // Every way to the end stops a run the same way: a copy still going
    // after a short wait is cut off with the process, which costs nothing
    // because it only writes the incoming name.
    const unsigned cutOff = kStopRun | kCutOffRun | kHideNotice;
    const unsigned end = cutOff | kRemoveIcon | kDestroyWindow;
    switch (event) {
        case E::kCreated:
            return {state == S::kStarting ? S::kStartUpDue : state, 0};
        case E::kCreatedQuietly:
            return {state == S::kStarting ? S::kIdle : state, 0};
        case E::kStartUpRunDue:
            return state == S::kStartUpDue ? LifeStep{S::kRunning, kStartStartUpRun}
                                           : LifeStep{state, 0};
        case E::kHourDue:
        case E::kResumeDue:
            return CheckDue(state);
        case E::kRunDone:
            return RunDone(state);
        case E::kClose:
        case E::kQuitAnswered:
            return {S::kEnded, end | kAsQuit};
        case E::kNoticeClosed:
            return {state, kHideNotice};
        case E::kQueryEndSession:
            return QueryEndSession(state);
        case E::kEndSession:
            return {S::kEnded, end};
        case E::kEndSessionCancelled:
            return EndSessionCancelled(state);
        case E::kDestroy:
            return {S::kEnded, cutOff | (SessionEnding(state) ? 0u : kAsQuit) | kEndAgent};
        case E::kVolumeArrived:
            return VolumeArrived(state);
    }
    return {state, 0};
}

void MarkLeftByQuit(RunReport& report) {
    for (FileResult& file : report.files) {
        if (file.outcome == FileOutcome::kNotReached) {
            file.outcome = FileOutcome::kNotReachedQuit;
        }
    }
}

bool LifeBusy(LifeState state) {
    return state == S::kStarting || state == S::kStartUpDue || RunGoing(state);
}

}  // namespace sorel
