// Putting the agent into the user's Startup folder and taking it out again,
// the help file, and leaving the program, which starts the agent.
#pragma once

#include <string>

namespace sorel::app {

// "初期設定": moves "Sorel2.exe" from the program's folder into the Startup
// folder, in place of an older copy there.
void SetUpAgent();

// "ｱﾝｲﾝｽﾄｰﾙ": asks, then RemoveAgent.
void ConfirmUninstall();

// Deletes the agent's file from the Startup folder, and its health folder
// with the choice of place. The settings file, the generations, the second
// copies and the program's folder stay.
void RemoveAgent();

// "ヘ ル プ": opens the help file beside the program.
void OpenHelp();

// Whether the agent lies in `folder` (ending with a backslash) or any folder
// below it; see JudgeStartupEntry for what counts.
bool FindAgentFile(const std::string& folder);

// Leaves the program, after asking when the agent is not set up, and starts
// the agent from the Startup folder. True when the user cancelled: the
// window then stays as it is.
bool ExitSettingsApp();

}  // namespace sorel::app
