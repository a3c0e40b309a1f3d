// What the settings window asks of the Windows shell: where the user's
// Startup folder is, to open a file, and to forget that a file came from the
// internet. They go through one small seam, so that tests can stand in for a
// shell that cannot name the folder, can see what would have been opened
// without starting it, and can see the marks removed on a file system that
// has none.
#pragma once

#include <string>

namespace sorel::app {

class Shell {
  public:
    virtual ~Shell() = default;
    // The current user's Startup folder without a trailing backslash, or the
    // empty text when the shell cannot name it.
    virtual std::string StartupFolder();
    // Opens `file` with `verb` (null for the file type's default action) and
    // no parameters, in `folder` as its working folder (the empty text: none,
    // so a started program inherits this one's).
    virtual void Execute(const char* verb, const std::string& file, const std::string& folder,
                         int show);
    // Deletes the alternate data stream `stream` (a path, a colon and the
    // stream's name). False when there was none or it stayed.
    virtual bool RemoveStream(const std::string& stream);
};

// Puts `shell` in place of the real shell; null puts it back.
void UseShell(Shell* shell);

// The Startup folder as the shell in place names it (CSIDL_STARTUP).
std::string StartupFolderPath();

// Opens a file through the shell in place, in `folder` when one is given.
void ShellOpen(const char* verb, const std::string& file, int show,
               const std::string& folder = std::string());

// Removes the mark that Windows puts on a file downloaded from the internet
// or unpacked from such a zip (its "Zone.Identifier" stream). A marked
// program started from the Startup folder is held up by a warning at every
// log-on, and a marked help file shows blank pages. A file without the mark
// is left as it is.
void ForgetDownload(const std::string& file);

}  // namespace sorel::app
