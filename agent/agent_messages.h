// The agent window's private messages. Kept free of everything else so that
// programs which drive the agent from outside (the tests, the timing tool)
// can ask it the same questions.
#pragma once

namespace sorel {

// WM_APP, without <windows.h>.
constexpr unsigned kAgentMessageBase = 0x8000 + 0x50;

// Posted by the copying thread to the window when its run is over.
constexpr unsigned kRunDoneMessage = kAgentMessageBase;

// Posted by the window to itself at start: the start-up run begins once the
// window is created and the schedule has been read.
constexpr unsigned kStartUpRunMessage = kAgentMessageBase + 1;

// Sent to the window: answers 1 while the agent is starting or a run is
// copying or about to start, 0 when the agent is idle.
constexpr unsigned kRunInProgressQuery = kAgentMessageBase + 2;

}  // namespace sorel
