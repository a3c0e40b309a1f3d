#include "error_mode.h"

#include <windows.h>

namespace sorel {

void QuietCriticalErrors() {
    // SetErrorMode is the only call that reads the mode on every Windows
    // version: set it once to learn the old flags, then put them back with
    // the new one added.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    SetErrorMode(previous | SEM_FAILCRITICALERRORS);
}

}  // namespace sorel
