// What the settings window asks of the Windows shell: where the user's
// Startup folder is, and to open a file. Both go through one small seam, so
// that tests can stand in for a shell that cannot name the folder and can see
// what would have been opened without starting it.
#pragma once

#include <string>

namespace sorel::app {

class Shell {
  public:
    virtual ~Shell() = default;
    // The current user's Startup folder without a trailing backslash, or the
    // empty text when the shell cannot name it.
    virtual std::string StartupFolder();
    // Opens `file` with `verb` (null for the file type's default action), no
    // parameters and no working folder.
    virtual void Execute(const char* verb, const std::string& file, int show);
};

// Puts `shell` in place of the real shell; null puts it back.
void UseShell(Shell* shell);

// The Startup folder as the shell in place names it (CSIDL_STARTUP).
std::string StartupFolderPath();

// Opens a file through the shell in place.
void ShellOpen(const char* verb, const std::string& file, int show);

}  // namespace sorel::app
