// Set-up, uninstall, help and the exit routine against the real Startup
// folder of the test prefix. Every file a test puts there is taken away again:
// the test programs of one run share the prefix.
#include <functional>
#include <memory>

#include "app_state.h"
#include "files.h"
#include "gui_driver.h"
#include "health_folder.h"
#include "messages.h"
#include "place/place_files.h"
#include "place_dialog.h"
#include "resource.h"
#include "settings_window_fixture.h"

using namespace sorel;
using namespace sorel::test;

namespace {

// The first window of a running agent other than this process's.
HWND AgentWindow() {
    for (HWND window = FindWindowExA(nullptr, nullptr, "NORMAL0", "Ｓｏｒｅｌ"); window;
         window = FindWindowExA(nullptr, window, "NORMAL0", "Ｓｏｒｅｌ")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != GetCurrentProcessId()) {
            return window;
        }
    }
    return nullptr;
}

// Ends a running agent with WM_CLOSE and waits until it has gone.
bool EndAgent(HWND agent) {
    DWORD pid = 0;
    GetWindowThreadProcessId(agent, &pid);
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    PostMessageA(agent, WM_CLOSE, 0, 0);
    return process && WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
}

class AgentSetupTest : public SettingsWindowTest {
  protected:
    // The agent started by the exit routine shows its tray icon.
    static void SetUpTestSuite() { WaitForDesktop(); }

    void SetUp() override {
        SettingsWindowTest::SetUp();
        startup = app::Shell().StartupFolder();
        ASSERT_FALSE(startup.empty());
        CreateDirectoryA(startup.c_str(), nullptr);
        installed = startup + "\\Sorel2.exe";
        RemoveFromStartup();
        ASSERT_FALSE(Exists(installed)) << "an agent was left in " << startup;
        Start();
        // The program's folder is a fresh one: the build's own Sorel2.exe
        // beside the test program must stay where it is.
        app::AppFolder = dir.path();
        source = dir / "Sorel2.exe";
    }

    void TearDown() override {
        // An agent started by a test that failed half-way.
        if (HWND agent = AgentWindow()) {
            EndAgent(agent);
        }
        RemoveFromStartup();
        SettingsWindowTest::TearDown();
    }

    void RemoveFromStartup() {
        for (const char* name : {"Sorel2.exe", "Sorel2.exe.lnk", "sorel2.exe", "Hidden\\Sorel2.exe",
                                 "Tools\\Sorel2.exe"}) {
            std::string path = startup + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            // An agent that has just ended may hold its file a moment longer.
            WaitUntil([&] { return DeleteFileA(path.c_str()) || !Exists(path); }, 5000);
        }
        for (const char* name : {"Hidden", "Tools"}) {
            std::string path = startup + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
            RemoveDirectoryA(path.c_str());
        }
    }

    void Command(int id) { SendMessageA(app::MainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    // "ｱﾝｲﾝｽﾄｰﾙ" with the answer given by the script (OK when none): true when
    // it asked its question first, which is then forgotten.
    bool UninstallAsked() {
        Command(app::MenuUninstall);
        if (asker.said.empty() || asker.said[0].text != app::kUninstallQuestion.text) {
            return false;
        }
        asker.said.erase(asker.said.begin());
        return true;
    }

    // Takes the quit message from the queue: true when there was one.
    static bool QuitPosted() {
        MSG quit;
        return PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    }

    std::string startup;
    std::string installed;
    std::string source;
};

TEST_F(AgentSetupTest, SetUpReplacesAnOlderCopyOnceThenRefuses) {
    WriteBytes(installed, "older agent");
    WriteBytes(source, "new agent");
    Command(app::MenuSetup);
    EXPECT_TRUE(SaidOnly(asker, app::kSetUpDoneMessage));
    EXPECT_EQ(ReadBytes(installed), "new agent");
    EXPECT_FALSE(Exists(source));
    // The internet's mark goes from the agent where it now lies and from
    // the help beside the program (Wine's files carry none to check).
    EXPECT_EQ(shell.removedStreams, (std::vector<std::string>{installed + ":Zone.Identifier",
                                                              dir / "Sorel.chm:Zone.Identifier"}));
    shell.removedStreams.clear();
    // Nothing left to move.
    Command(app::MenuSetup);
    EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));
    EXPECT_EQ(ReadBytes(installed), "new agent");
    EXPECT_TRUE(shell.removedStreams.empty());
}

TEST_F(AgentSetupTest, SetUpRefusesWhileEitherCopyIsInUse) {
    // A running agent holds its executable so; a file held by another
    // program looks the same.
    WriteBytes(source, "new agent");
    {
        ExclusiveHold running(source);
        ASSERT_TRUE(running.held());
        Command(app::MenuSetup);
        EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));
    }
    EXPECT_EQ(ReadBytes(source), "new agent");
    EXPECT_FALSE(Exists(installed));

    // An older copy that runs cannot be replaced: set-up says so and keeps
    // both files where they are, rather than reporting success.
    WriteBytes(installed, "older agent");
    {
        ExclusiveHold running(installed);
        Command(app::MenuSetup);
        EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));
    }
    EXPECT_EQ(ReadBytes(source), "new agent");
    EXPECT_EQ(ReadBytes(installed), "older agent");
}

TEST_F(AgentSetupTest, UninstallAsksThenDeletesOnlyTheAgent) {
    WriteBytes(installed, "agent");
    // Cancel, and a box closed under its question (0), are both a no.
    for (int answer : {IDCANCEL, 0}) {
        asker.answers = {answer};
        Command(app::MenuUninstall);
        EXPECT_TRUE(SaidOnly(asker, app::kUninstallQuestion));
        EXPECT_TRUE(Exists(installed));
    }

    WriteBytes(source, "kept");
    EXPECT_TRUE(UninstallAsked());
    EXPECT_TRUE(SaidOnly(asker, app::kUninstallDoneMessage));
    EXPECT_FALSE(Exists(installed));
    EXPECT_EQ(ReadBytes(source), "kept");

    // The choice of a second copy goes; the copies stay, and the message
    // says where they are.
    const std::string copy = dir / "控え\\Sorel\\2026-12-07 家計簿.xls";
    CreateDirectoryA((dir / "控え").c_str(), nullptr);
    CreateDirectoryA((dir / "控え\\Sorel").c_str(), nullptr);
    WriteBytes(copy, "copy");
    CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
    WriteBytes(app::PlaceChoicePath(),
               FormatPlaceChoice({dir / "控え", "{0123ABCD-4567-89AB-CDEF-0123456789AB}"}));
    WriteBytes(installed, "agent");
    EXPECT_TRUE(UninstallAsked());
    ASSERT_EQ(asker.said.size(), 1u);
    EXPECT_EQ(asker.said[0].text, std::string(app::kUninstallDoneMessage.text) +
                                      app::kUninstallCopiesHead + (dir / "控え\\Sorel"));
    asker.said.clear();
    EXPECT_FALSE(Exists(app::PlaceChoicePath()));
    EXPECT_EQ(ReadBytes(copy), "copy");
}

TEST_F(AgentSetupTest, UninstallRemovesTheAgentsRecordAndLogButNotForAFileLeftBehind) {
    const std::string health = HealthFolderPath();
    ASSERT_FALSE(health.empty());
    // No record yet: uninstall is done all the same.
    RemoveDirectoryA(health.c_str());
    WriteBytes(installed, "agent");
    EXPECT_TRUE(UninstallAsked());
    EXPECT_TRUE(SaidOnly(asker, app::kUninstallDoneMessage));

    const char* const names[] = {"state.txt", "state.txt.tmp", "sorel.log", "sorel.old.log"};
    for (int held = 0; held < 2; ++held) {
        SCOPED_TRACE(held);
        CreateDirectoryA(health.c_str(), nullptr);
        for (const char* name : names) {
            WriteBytes(health + name, "record");
        }
        SetFileAttributesA((health + names[3]).c_str(), FILE_ATTRIBUTE_READONLY);
        WriteBytes(installed, "agent");
        {
            // A log open in another program cannot go; the rest does.
            std::unique_ptr<ExclusiveHold> log;
            if (held) {
                log = std::make_unique<ExclusiveHold>(health + names[2]);
            }
            EXPECT_TRUE(UninstallAsked());
            EXPECT_TRUE(SaidOnly(asker, app::kUninstallDoneMessage));
        }
        EXPECT_FALSE(Exists(installed));
        for (const char* name : names) {
            EXPECT_EQ(Exists(health + name), held && name == names[2]) << name;
        }
        EXPECT_EQ(Exists(health), held == 1);
        DeleteFileA((health + names[2]).c_str());
        RemoveDirectoryA(health.c_str());
    }
}

TEST_F(AgentSetupTest, UninstallRefusesWhatItCannotDelete) {
    // A refused uninstall keeps the record of a running agent.
    const std::string record = HealthFolderPath() + "state.txt";
    CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
    WriteBytes(record, "record");
    // Never set up.
    EXPECT_TRUE(UninstallAsked());
    EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));

    WriteBytes(installed, "agent");
    {
        ExclusiveHold running(installed);
        EXPECT_TRUE(UninstallAsked());
        EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));
    }
    EXPECT_TRUE(Exists(installed));

    // The file opens, but the delete is refused: no "done" for a file that
    // is still there.
    SetFileAttributesA(installed.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CanOpenExclusively(installed));
    EXPECT_TRUE(UninstallAsked());
    EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));
    EXPECT_TRUE(Exists(installed));
    EXPECT_EQ(ReadBytes(record), "record");
    DeleteFileA(record.c_str());
    RemoveDirectoryA(HealthFolderPath().c_str());
}

TEST_F(AgentSetupTest, ExitQuestionFromEveryWayOutCancelStaysOkLeaves) {
    // The button, the menu item and the close box.
    const std::function<void()> waysOut[] = {
        [this] { Click(app::ExitButton); },
        [this] { Command(app::MenuExit); },
        [] { SendMessageA(app::MainWindow, WM_CLOSE, 0, 0); },
    };
    for (std::size_t way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        HWND window = app::MainWindow;
        // Cancel, and a box closed under its question (0), keep the window.
        for (int answer : {IDCANCEL, 0}) {
            asker.answers = {answer};
            waysOut[way]();
            EXPECT_TRUE(SaidOnly(asker, app::kExitQuestion));
            EXPECT_TRUE(IsWindow(window));
            EXPECT_FALSE(QuitPosted());
            EXPECT_TRUE(shell.opened.empty());
        }

        waysOut[way]();
        EXPECT_TRUE(SaidOnly(asker, app::kExitQuestion));
        EXPECT_TRUE(QuitPosted());
        // Every exit not cancelled starts the agent from the Startup folder.
        ASSERT_EQ(shell.opened.size(), 1u);
        EXPECT_EQ(shell.opened[0].verb, "open");
        EXPECT_EQ(shell.opened[0].file, installed);
        EXPECT_EQ(shell.opened[0].show, SW_SHOWNORMAL);
        // In its own folder: the agent runs until log-off and would keep
        // this program's current folder (a stick, Downloads) open.
        EXPECT_EQ(shell.opened[0].folder, startup);
        shell.opened.clear();
        // The button and the menu leave the window to the end of the
        // process; the close box destroys it.
        EXPECT_EQ(IsWindow(window) != FALSE, way < 2);
    }
}

TEST_F(AgentSetupTest, WhatCountsAsSetUp) {
    auto exitAsks = [&] {
        asker.answers = {IDCANCEL};
        Command(app::MenuExit);
        bool asked = !asker.said.empty();
        asker.said.clear();
        QuitPosted();
        shell.opened.clear();
        return asked;
    };
    EXPECT_TRUE(exitAsks());
    WriteBytes(startup + "\\sorel2.exe", "lower case");
    EXPECT_TRUE(exitAsks());
    DeleteFileA((startup + "\\sorel2.exe").c_str());
    WriteBytes(startup + "\\Sorel2.exe.lnk", "shortcut");
    EXPECT_FALSE(exitAsks());
    DeleteFileA((startup + "\\Sorel2.exe.lnk").c_str());

    // In a plain sub-folder it counts, although the exit then starts
    // Startup\Sorel2.exe, which is not there.
    CreateDirectoryA((startup + "\\Tools").c_str(), nullptr);
    WriteBytes(startup + "\\Tools\\Sorel2.exe", "agent");
    EXPECT_FALSE(exitAsks());
    DeleteFileA((startup + "\\Tools\\Sorel2.exe").c_str());
    // A folder with any attribute besides "folder" is not searched.
    CreateDirectoryA((startup + "\\Hidden").c_str(), nullptr);
    WriteBytes(startup + "\\Hidden\\Sorel2.exe", "agent");
    SetFileAttributesA((startup + "\\Hidden").c_str(),
                       FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(exitAsks());
}

TEST_F(AgentSetupTest, ExitStartsTheSetUpAgentWhichThenCannotBeReplacedOrRemoved) {
    ASSERT_EQ(AgentWindow(), nullptr) << "an agent is already running";
    ASSERT_TRUE(CopyFileA(BesideTestProgram("Sorel2.exe").c_str(), installed.c_str(), FALSE));
    shell.reallyOpen = true;
    Click(app::ExitButton);
    EXPECT_TRUE(SaidNothing(asker));
    EXPECT_TRUE(QuitPosted());

    HWND agent = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (agent = AgentWindow()) != nullptr; }));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].file, installed);

    // Wine lets the running agent's file be opened exclusively, but neither
    // replaced nor deleted: only the move and the delete can tell.
    asker.answers.clear();
    WriteBytes(source, "new agent");
    Command(app::MenuSetup);
    EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));
    EXPECT_EQ(ReadBytes(source), "new agent");
    EXPECT_TRUE(UninstallAsked());
    EXPECT_TRUE(SaidOnly(asker, app::kAgentRefusedMessage));
    EXPECT_EQ(ReadBytes(installed), ReadBytes(BesideTestProgram("Sorel2.exe")));
    EXPECT_TRUE(EndAgent(agent));
}

TEST_F(AgentSetupTest, UnknownStartupFolderTouchesNoFolderRoot) {
    shell.startupUnknown = true;
    // What a path formed from the empty folder text would reach.
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    const std::string planted = std::string(current, 2) + "\\Sorel2.exe";
    WriteBytes(planted, "someone else's");
    WriteBytes(source, "new agent");

    Command(app::MenuSetup);
    EXPECT_TRUE(SaidOnly(asker, app::kNoStartupFolderMessage));
    EXPECT_EQ(ReadBytes(source), "new agent");

    EXPECT_TRUE(UninstallAsked());
    EXPECT_TRUE(SaidOnly(asker, app::kNoStartupFolderMessage));

    // No agent can be seen, so the exit asks; nothing is started.
    Command(app::MenuExit);
    EXPECT_TRUE(SaidOnly(asker, app::kExitQuestion));
    EXPECT_TRUE(QuitPosted());
    EXPECT_TRUE(shell.opened.empty());

    EXPECT_EQ(ReadBytes(planted), "someone else's");
    DeleteFileA(planted.c_str());
}

TEST_F(AgentSetupTest, HelpOpensTheFileBesideTheProgramOnly) {
    // A help file of that name in the current folder is not the program's.
    TempFolder current;
    WriteBytes(current / "Sorel.chm", "planted");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(current.path().c_str()));
    app::AppFolder = BesideTestProgram("");
    Command(app::MenuHelp);
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(SaidNothing(asker));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].verb, "(none)");
    EXPECT_EQ(shell.opened[0].file, BesideTestProgram("Sorel.chm"));
    EXPECT_EQ(shell.opened[0].show, SW_SHOWDEFAULT);
    // The build puts the help beside the programs.
    EXPECT_TRUE(Exists(shell.opened[0].file));

    // Without it the user hears where it was looked for; nothing is opened.
    shell.opened.clear();
    app::AppFolder = dir.path();
    Command(app::MenuHelp);
    ASSERT_EQ(asker.said.size(), 1u);
    EXPECT_EQ(asker.said[0].text,
              app::kNoHelpMessageHead + (dir / "Sorel.chm") + app::kNoHelpMessageTail);
    EXPECT_EQ(asker.said[0].caption, std::string(app::kNoHelpCaption));
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(AgentSetupTest, SetUpMakesADeletedStartupFolderAgain) {
    ASSERT_TRUE(RemoveDirectoryA(startup.c_str())) << "the Startup folder holds files";
    WriteBytes(source, "new agent");
    Command(app::MenuSetup);
    EXPECT_TRUE(SaidOnly(asker, app::kSetUpDoneMessage));
    EXPECT_EQ(ReadBytes(installed), "new agent");
}

}  // namespace
