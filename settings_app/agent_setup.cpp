#include "agent_setup.h"

#include <windows.h>

#include "../common/agent_files.h"
#include "../common/win/files.h"
#include "../common/win/health_folder.h"
#include "../common/win/unique_handle.h"
#include "app_state.h"
#include "ask.h"
#include "place_dialog.h"
#include "shell.h"

namespace sorel::app {

namespace {

const std::string kAgentFile(kAgentFileName);
constexpr char kHelpFile[] = "Sorel.chm";

// The agent's place in a Startup folder, or the empty text when the shell
// could not name the folder: the path would then be "\Sorel2.exe" in the root
// of the current drive, where nothing may be moved, deleted or started.
std::string InstalledAgentPath(const std::string& startup) {
    return startup.empty() ? std::string() : startup + "\\" + kAgentFile;
}

// Removes the agent's record of its runs and its log. The folder holds flat
// files only. A file that cannot go (a log open in Notepad) stays, and with
// it the folder: the agent is gone all the same, and that is what the user
// asked for.
void RemoveHealthFolder() {
    const std::string folder = HealthFolderPath();
    if (folder.empty()) {
        return;
    }
    WIN32_FIND_DATAA entry;
    {
        FindHandle listing(FindFirstFileA((folder + "*").c_str(), &entry));
        if (!listing) {
            return;
        }
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileForcibly(folder + entry.cFileName);
            }
        } while (FindNextFileA(listing.get(), &entry));
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

void SetUpAgent() {
    const std::string source = AppFolder + kAgentFile;
    // Fails for a missing file and for one that runs: a running agent holds
    // its executable, and a file that runs cannot be moved.
    if (AppFolder.empty() || !CanOpenExclusively(source)) {
        Ask(kAgentRefusedMessage);
        return;
    }
    const std::string startup = StartupFolderPath();
    const std::string installed = InstalledAgentPath(startup);
    if (installed.empty()) {
        Ask(kNoStartupFolderMessage);
        return;
    }
    // A fresh profile may not have the folder yet.
    CreateDirectoryA(startup.c_str(), nullptr);
    // One replacing move instead of a delete and a move: when an older copy
    // that runs cannot be replaced, it stays where it is, and the new file
    // stays in the program's folder, rather than neither being set up. The
    // Startup folder may lie on another drive than the program's folder.
    if (!MoveFileExA(source.c_str(), installed.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
        Ask(kAgentRefusedMessage);
        return;
    }
    // Unpacked from a downloaded zip, both carry the internet's mark: Windows
    // would ask at every log-on before starting the agent, and the help
    // would show blank pages.
    ForgetDownload(installed);
    ForgetDownload(AppFolder + kHelpFile);
    Ask(kSetUpDoneMessage);
}

void ConfirmUninstall() {
    // Only OK is a yes: a box whose owner was closed under it answers 0.
    if (Ask(kUninstallQuestion) != IDOK) {
        return;
    }
    RemoveAgent();
}

void RemoveAgent() {
    const std::string installed = InstalledAgentPath(StartupFolderPath());
    if (installed.empty()) {
        Ask(kNoStartupFolderMessage);
        return;
    }
    // The open can succeed while the delete is still refused (a running
    // program's file, a read-only one): only a file that is gone is done.
    if (!CanOpenExclusively(installed) || !DeleteFileA(installed.c_str()) ||
        PathExists(installed)) {
        Ask(kAgentRefusedMessage);
        return;
    }
    // The choice of place goes with the health folder; the copies at the
    // place are the user's backups and stay, and the user hears where.
    const PlaceChoice place = ReadPlaceChoice();
    RemoveHealthFolder();
    if (place.Empty()) {
        Ask(kUninstallDoneMessage);
        return;
    }
    const std::string text =
        kUninstallDoneMessage.text + (kUninstallCopiesHead + PlaceFolderOf(place));
    Ask(text.c_str(), kUninstallDoneMessage.caption, kUninstallDoneMessage.style);
}

void OpenHelp() {
    // Always the help beside the program: a file of that name in whatever
    // the current folder happens to be is not the program's help. Without
    // it the shell would do nothing and say nothing, so the user hears where
    // it was looked for.
    const std::string help = AppFolder + kHelpFile;
    if (AppFolder.empty() || !PathExists(help)) {
        const std::string text = kNoHelpMessageHead + help + kNoHelpMessageTail;
        Ask(text.c_str(), kNoHelpCaption, kErrorStyle);
        return;
    }
    ShellOpen(nullptr, help, SW_SHOWDEFAULT);
}

bool FindAgentFile(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    FindHandle listing(FindFirstFileA((folder + "*").c_str(), &entry));
    if (!listing) {
        return false;
    }
    do {
        switch (JudgeStartupEntry(folder, entry.cFileName, entry.dwFileAttributes)) {
            case StartupEntry::kSearchInside:
                if (FindAgentFile(folder + entry.cFileName + "\\")) {
                    return true;
                }
                break;
            case StartupEntry::kAgent:
                return true;
            case StartupEntry::kSkip:
            case StartupEntry::kOther:
                break;
        }
    } while (FindNextFileA(listing.get(), &entry));
    return false;
}

bool ExitSettingsApp() {
    const std::string startup = StartupFolderPath();
    // Without the Startup folder there is no agent to find or start; the
    // search would otherwise run through the root of the current drive.
    const bool setUp = !startup.empty() && FindAgentFile(startup + "\\");
    if (!setUp && Ask(kExitQuestion) != IDOK) {
        return true;
    }
    if (!startup.empty()) {
        // A second copy of the agent ends at once when one already runs. The
        // agent's own folder as its working folder: it runs until log-off,
        // and would otherwise keep this program's current folder open, which
        // may be a stick that then cannot be ejected.
        ShellOpen("open", InstalledAgentPath(startup), SW_SHOWNORMAL, startup);
    }
    PostQuitMessage(0);
    return false;
}

}  // namespace sorel::app
