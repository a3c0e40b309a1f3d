#include "agent_life.h"

#include <gtest/gtest.h>

#include <string>

using namespace sorel;

namespace {

// States by letter, in the order of LifeState.
constexpr char kStateLetters[] = "SUIRWCENXZ";
constexpr int kStates = 10;

LifeState StateOf(char letter) {
    return static_cast<LifeState>(std::string(kStateLetters).find(letter));
}

// Actions that recur.
constexpr unsigned F = kFinishRun | kHideNotice;
constexpr unsigned H = kHideNotice;
constexpr unsigned Cut = kStopRun | kCutOffRun | kHideNotice;
constexpr unsigned E = Cut | kRemoveIcon | kDestroyWindow;  // the session ends
constexpr unsigned Q = E | kAsQuit;                         // a quit
constexpr unsigned D = Cut | kEndAgent;                     // destroyed

}  // namespace

// Every state with every event: the next state (by letter) and the actions.
TEST(AgentLife, EveryStateWithEveryEvent) {
    struct Row {
        LifeEvent event;
        const char* next;  // for S U I R W C E N X Z
        unsigned actions[kStates];
    } rows[] = {
        // clang-format off
        {LifeEvent::kCreated,              "UUIRWCENXZ", {}},
        {LifeEvent::kCreatedQuietly,       "IUIRWCENXZ", {}},
        {LifeEvent::kStartUpRunDue,        "SRIRWCENXZ", {0, kStartStartUpRun}},
        {LifeEvent::kHourDue,              "RRRWWCENXZ", {kStartCheck, kStartCheck, kStartCheck}},
        {LifeEvent::kResumeDue,            "RRRWWCENXZ", {kStartCheck, kStartCheck, kStartCheck}},
        // The one path that takes a run's report.
        {LifeEvent::kRunDone,              "SUIIRREXXZ", {0, 0, 0, F, F | kStartCheck, F | kStartCatchUp, 0, F}},
        {LifeEvent::kClose,                "ZZZZZZZZZZ", {Q, Q, Q, Q, Q, Q, Q, Q, Q}},
        {LifeEvent::kQuitAnswered,         "ZZZZZZZZZZ", {Q, Q, Q, Q, Q, Q, Q, Q, Q}},
        // The user's × hides the notice; the agent stays.
        {LifeEvent::kNoticeClosed,         "SUIRWCENXZ", {H, H, H, H, H, H, H, H, H}},
        {LifeEvent::kQueryEndSession,      "EXENNNENXZ", {0, 0, 0, kStopRun, kStopRun, kStopRun, 0, kStopRun}},
        {LifeEvent::kEndSession,           "ZZZZZZZZZZ", {E, E, E, E, E, E, E, E, E}},
        // A cancelled log-off takes up what the run left.
        {LifeEvent::kEndSessionCancelled,  "SUIRWCICRZ", {0, 0, 0, 0, 0, 0, 0, 0, kStartCatchUp}},
        {LifeEvent::kDestroy,              "ZZZZZZZZZZ", {D | kAsQuit, D | kAsQuit, D | kAsQuit, D | kAsQuit, D | kAsQuit,
                                                          D | kAsQuit, D, D, D, kEndAgent}},
        // A drive came: the missing second copies, or a check after the run.
        {LifeEvent::kVolumeArrived,        "SURWWCENXZ", {0, 0, kStartSecondCopies}},
        // clang-format on
    };
    for (const Row& r : rows) {
        for (int s = 0; s < kStates; ++s) {
            const LifeStep step = NextLifeStep(static_cast<LifeState>(s), r.event);
            const std::string where = std::string("event ") +
                                      std::to_string(static_cast<int>(r.event)) + " in " +
                                      kStateLetters[s];
            EXPECT_EQ(step.next, StateOf(r.next[s])) << where;
            EXPECT_EQ(step.actions, r.actions[s]) << where;
        }
    }
    // A quit's report tells the files it left from those a log-off left.
    RunReport report;
    report.files = {{"a", FileOutcome::kStored}, {"b", FileOutcome::kNotReached}};
    MarkLeftByQuit(report);
    EXPECT_EQ(report.files[0].outcome, FileOutcome::kStored);
    EXPECT_EQ(report.files[1].outcome, FileOutcome::kNotReachedQuit);
    // Busy while starting or while a run copies or is about to start.
    const std::string busy = "SURWCN";
    for (int s = 0; s < kStates; ++s) {
        EXPECT_EQ(LifeBusy(static_cast<LifeState>(s)),
                  busy.find(kStateLetters[s]) != std::string::npos)
            << kStateLetters[s];
    }
}
