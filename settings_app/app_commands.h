// The window's remaining commands: restoring a generation, installing and
// removing the agent, help, and leaving the program. For now they hold only
// what the window itself needs of them; each is a named routine of its own.
#pragma once

namespace sorel::app {

// Restore of generation 1, 2 or 3 of the selected line's file. So far it
// only looks up the selected line's entry, which tells the user when no line
// is selected; nothing is copied yet.
void RestoreGenerationCommand(int generation);

// "初期設定", "ｱﾝｲﾝｽﾄｰﾙ" and "ヘ ル プ": nothing yet.
void SetUpAgent();
void ConfirmUninstall();
void OpenHelp();

// Leaves the program: posts the quit message. Returns true when the user
// cancelled leaving, which nothing can do yet.
bool ExitSettingsApp();

}  // namespace sorel::app
