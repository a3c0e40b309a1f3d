// What the agent sets for its whole process before anything else.
#pragma once

namespace sorel {

// A listed file on a drive with no medium (a card reader, an empty DVD
// drive) fails as unreadable instead of making the system show its box,
// which the user could not trace to a program without a window; the error
// flags the process was given are kept. The current folder becomes the
// agent's own, so that the folder it was started from (a USB stick, a
// download folder) is not held open until log-off.
void PrepareAgentProcess();

}  // namespace sorel
