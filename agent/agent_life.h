// The agent's life, from its window's creation to its end, as one state and
// the events that move it. Pure: the window procedure turns messages into
// events and carries out the actions handed back, in the order listed below.
#pragma once

#include "run_outcome.h"

namespace sorel {

enum class LifeState {
    kStarting,               // the window is being created, the icon added
    kStartUpDue,             // started; the start-up run is posted and follows
    kIdle,                   // resident, no run
    kRunning,                // a run copies on its own thread
    kRunningCheckWaiting,    // a run copies, and a check fell due meanwhile
    kRunningCatchUpWaiting,  // a run stopped for a log-off that was then cancelled
    kSessionEnding,          // a log-off is asked for; nothing was left undone
    kSessionEndingRunning,   // a log-off is asked for; the run stops after its file
    kSessionEndingCut,       // a log-off is asked for; the run stopped short
    kEnded,                  // the window is going or gone
};

enum class LifeEvent {
    kCreated,          // the window exists; the start-up run is posted
    kCreatedQuietly,   // the window exists; no start-up run (the keyword)
    kStartUpRunDue,    // the posted start-up run comes up
    kHourDue,          // the timer reached the chosen hour
    kResumeDue,        // a while after the PC woke from sleep
    kRunDone,          // the copying thread ended (or could not start)
    kClose,            // WM_CLOSE, from another program or the single-copy check
    kQuitAnswered,     // the user answered OK to the tray's quit question
    kNoticeClosed,     // the user closed the notice with its × button
    kQueryEndSession,  // log-off or shutdown is asked for
    kEndSession,       // log-off or shutdown goes ahead
    kEndSessionCancelled,
    kDestroy,        // the window is destroyed
    kVolumeArrived,  // a while after a drive was plugged in or a volume mounted
};

// What to do, as bits, carried out in this order.
enum LifeAction : unsigned {
    kStopRun = 1u << 0,     // start no further file
    kRemoveIcon = 1u << 1,  // the user sees the agent go at once
    // Before the report is recorded: recording it waits on the tray, and the
    // notice must not stay up over an agent that says it is idle.
    kHideNotice = 1u << 2,
    kFinishRun = 1u << 3,        // take the ended run's report and record it
    kCutOffRun = 1u << 4,        // wait briefly for the run; a copy still going is left
    kAsQuit = 1u << 5,           // files the run did not reach were left by a quit
    kStartStartUpRun = 1u << 6,  // the full run, hidden
    kStartCheck = 1u << 7,       // the notice, then the run unless today is recorded
    kStartCatchUp = 1u << 8,     // the full run again, hidden, for the files left
    kDestroyWindow = 1u << 9,
    kEndAgent = 1u << 10,           // the icon goes, the timer stops, the message loop ends
    kStartSecondCopies = 1u << 11,  // hidden: only the second copies that are missing
};

struct LifeStep {
    LifeState next;
    unsigned actions;
};

// What follows `event` in `state`.
LifeStep NextLifeStep(LifeState state, LifeEvent event);

// The files a run stopped by a quit (kAsQuit) did not reach: told apart
// from those a log-off left.
void MarkLeftByQuit(RunReport& report);

// Whether the agent counts as busy: starting, or a run copying or about to start.
bool LifeBusy(LifeState state);

}  // namespace sorel
