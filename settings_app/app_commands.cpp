#include "app_commands.h"

#include <windows.h>

#include "list_editing.h"

namespace sorel::app {

void RestoreGenerationCommand(int /*generation*/) {
    FindSelectedEntry();
}

void SetUpAgent() {}

void ConfirmUninstall() {}

void OpenHelp() {}

bool ExitSettingsApp() {
    PostQuitMessage(0);
    return false;
}

}  // namespace sorel::app
