// How a program meets a drive that has no medium in it.
#pragma once

namespace sorel {

// A listed file on a card reader or a DVD drive without its medium would
// make Windows show "ドライブにディスクがありません" and wait for an answer;
// after this call such a file is simply unreadable. The other error-mode
// flags stay as the system set them.
void QuietCriticalErrors();

}  // namespace sorel
