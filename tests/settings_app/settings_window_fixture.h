// The settings window, made in the test's own process from the same code as
// Sorel.exe, with its message boxes answered by the test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ask.h"
#include "shell.h"
#include "temp_folder.h"

namespace sorel::test {

// Answers message boxes from a script (OK when it runs dry) and notes what
// each one said.
class ScriptedAsker : public app::Asker {
  public:
    struct Said {
        std::string text;
        std::string caption;
        unsigned style;
    };
    int Ask(const char* text, const char* caption, unsigned style) override;
    std::vector<Said> said;
    std::deque<int> answers;
};

// True when the asker said exactly `message`, and only that, since the last
// call; forgets what it said.
::testing::AssertionResult SaidOnly(ScriptedAsker& asker, const app::Message& message);
::testing::AssertionResult SaidNothing(ScriptedAsker& asker);

// Stands in for the shell: names the real Startup folder unless told another
// (the empty text: a shell that cannot name it), and notes what it is asked
// to open, opening it only when told to, and which streams it is asked to
// remove (Wine's files have none).
class RecordingShell : public app::Shell {
  public:
    struct Opened {
        std::string verb;  // "(none)" for the default action
        std::string file;
        std::string folder;  // the working folder, empty for none
        int show;
    };
    std::string StartupFolder() override;
    void Execute(const char* verb, const std::string& file, const std::string& folder,
                 int show) override;
    bool RemoveStream(const std::string& stream) override;
    bool startupUnknown = false;
    bool reallyOpen = false;
    std::vector<Opened> opened;
    std::vector<std::string> removedStreams;
};

class SettingsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the program's start-up up to its message loop.
    void Start();

    void WriteSettings(const std::vector<std::string>& lines);
    std::string SettingsBytes();
    std::vector<std::string> SettingsLines();

    // A header line as this program writes it: its own folder, "=", then the
    // hour and the flag.
    static std::string Header(const std::string& hourAndFlag);

    // A file in the temporary folder, made with `content`.
    std::string MakeFile(const std::string& name, const std::string& content = "x");

    HWND Control(int id);
    std::string ControlText(int id);
    std::vector<std::string> ListLines();
    bool Checked(int id);
    // The three hour buttons, "4時" "6時" "22時", as 1 for checked.
    std::string HourChecks();

    void Click(int id);
    void Select(const std::string& line);
    // Drops the files on the window as Explorer would.
    void Drop(const std::vector<std::string>& paths);
    // The same with the names in the system's wide form, as Explorer hands
    // over a name the ANSI code page cannot spell.
    void DropWide(const std::vector<std::wstring>& paths);
    // Lets the window handle what was posted to it, as its loop would.
    void PumpMessages();
    // Handles every message of the thread until `done` says so, for work that
    // a worker thread answers with a posted message; false after `timeoutMs`.
    bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs = 5000);

    TempFolder dir;
    ScriptedAsker asker;
    RecordingShell shell;
};

}  // namespace sorel::test
