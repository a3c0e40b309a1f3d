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
constexpr unsigned Cut = kStopRun | kCutOffRun | kHideNotice;
constexpr unsigned End = Cut | kRemoveIcon | kDestroyWindow;
constexpr unsigned Close = End | kAsQuit;

}  // namespace

// Every state with every event: the next state (by letter) and the actions.
TEST(AgentLife, EveryStateWithEveryEvent) {
    struct Row {
        LifeEvent event;
        const char* next;  // for S U I R W C E N X Z
        unsigned actions[kStates];
    } rows[] = {
        {LifeEvent::kCreated, "UUIRWCENXZ", {}},
        {LifeEvent::kCreatedQuietly, "IUIRWCENXZ", {}},
        {LifeEvent::kStartUpRunDue, "SRIRWCENXZ", {0, kStartStartUpRun}},
        {LifeEvent::kHourDue, "RRRWWCENXZ", {kStartCheck, kStartCheck, kStartCheck}},
        {LifeEvent::kResumeDue, "RRRWWCENXZ", {kStartCheck, kStartCheck, kStartCheck}},
        // The one path that takes a run's report.
        {LifeEvent::kRunDone, "SUIIRREXXZ", {0, 0, 0, F, F | kStartCheck, F | kStartCatchUp, 0, F}},
        {LifeEvent::kClose,
         "ZZZZZZZZZZ",
         {Close, Close, Close, Close, Close, Close, Close, Close, Close}},
        {LifeEvent::kQuitAnswered,
         "ZZZZZZZZZZ",
         {Close, Close, Close, Close, Close, Close, Close, Close, Close}},
        // The user's × hides the notice; the agent stays.
        {LifeEvent::kNoticeClosed,
         "SUIRWCENXZ",
         {kHideNotice, kHideNotice, kHideNotice, kHideNotice, kHideNotice, kHideNotice, kHideNotice,
          kHideNotice, kHideNotice}},
        {LifeEvent::kQueryEndSession,
         "EXENNNENXZ",
         {0, 0, 0, kStopRun, kStopRun, kStopRun, 0, kStopRun}},
        {LifeEvent::kEndSession, "ZZZZZZZZZZ", {End, End, End, End, End, End, End, End, End}},
        // A cancelled log-off takes up what the run left.
        {LifeEvent::kEndSessionCancelled, "SUIRWCICRZ", {0, 0, 0, 0, 0, 0, 0, 0, kStartCatchUp}},
        {LifeEvent::kDestroy,
         "ZZZZZZZZZZ",
         {Cut | kAsQuit | kEndAgent, Cut | kAsQuit | kEndAgent, Cut | kAsQuit | kEndAgent,
          Cut | kAsQuit | kEndAgent, Cut | kAsQuit | kEndAgent, Cut | kAsQuit | kEndAgent,
          Cut | kEndAgent, Cut | kEndAgent, Cut | kEndAgent, kEndAgent}},
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
    // Busy while starting or while a run copies or is about to start.
    const std::string busy = "SURWCN";
    for (int s = 0; s < kStates; ++s) {
        EXPECT_EQ(LifeBusy(static_cast<LifeState>(s)),
                  busy.find(kStateLetters[s]) != std::string::npos)
            << kStateLetters[s];
    }
}
