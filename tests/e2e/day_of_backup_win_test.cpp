// A day of backup through both real programs, as a user meets them: files
// added in the settings window, the hour picked, set-up, the agent started on
// leaving, three days of changes backed up by the start-up run and by checks
// after resume, a restore of the day before, and uninstall.
#include "health_folder.h"
#include "sorel_gui_fixture.h"

namespace {

using namespace sorel;
using namespace sorel::test;

constexpr UINT kTrayCallbackMessage = 0x1000;
constexpr int kRestore2Button = 1004;

const Shown kPerFileQuestion = {"ホンマに　「2009/4/21　」データで　復元しても　ＯＫでっか？",
                                "データ復元確認"};
const Shown kUninstallQuestion = {
    "ホンマに　使うの　ヤメでっか？？\r\n\r\n考え直すは　キャンセルでっせ！！", "アンインストール"};
const Shown kUninstallDone = {"処理完了！　\r\n\r\nあとは　ソレルのフォルダを　削除してんか！！",
                              "アンインストール"};
const Shown kRefused = {
    "んな！アホな？　その処理は　できまへんで・・！！\r\n\r\n ＳＯＲＥＬ２が　タスクトレイに　常駐"
    "してんなら　終了してから　もう一度やで！！",
    "オカシイでんな？"};

class DayOfBackupTest : public SorelGuiTest {
  protected:
    // Writes a new state of every file, last written at noon UTC on `day` April 2009.
    void Edit(int state, int day) {
        for (const std::string& f : files) {
            WriteBytes(f, "state " + std::to_string(state) + " of " + f);
            SetLastWriteUtc(f, 2009, 4, day);
        }
    }
    std::string Generation(const std::string& file, int n) {
        std::string::size_type slash = file.rfind('\\');
        return file.substr(0, slash) + "\\backUp\\" + std::to_string(11 * n) +
               file.substr(slash + 1);
    }
    bool AllGenerationsAre(int g1, int g2, int g3) {
        for (const std::string& f : files) {
            int states[3] = {g1, g2, g3};
            for (int n = 1; n <= 3; ++n) {
                std::string want = states[n - 1]
                                       ? "state " + std::to_string(states[n - 1]) + " of " + f
                                       : "<missing>";
                if (ReadBytes(Generation(f, n)) != want) {
                    return false;
                }
            }
        }
        return true;
    }
    // Puts an earlier day on line 2, as if the last backup had been then.
    void RecordEarlierDay() {
        std::vector<std::string> lines = ReadAllLines(ReadSettingsBytes());
        ASSERT_GE(lines.size(), 2u);
        lines[1] = "2009年4月1日";
        WriteBytes(SettingsFilePath(), JoinLines(lines));
    }
    void StartFromAppFolder() {
        sorel = std::make_unique<Program>(app / "Sorel.exe");
        main = WaitForWindow(sorel->pid(), "NORMAL0", "ソ レ ル");
        ASSERT_NE(main, nullptr);
        ShowWindow(main, SW_RESTORE);
    }

    TempFolder app;
    std::vector<std::string> files;
};

TEST_F(DayOfBackupTest, AddBackUpRestoreAndUninstall) {
    ASSERT_EQ(RunningAgentWindow(), nullptr) << "an agent is already running";
    // The agent, started by Sorel.exe, inherits this: its check after a
    // resume waits a second instead of half a minute.
    SetEnvironmentVariableA("SOREL2_RESUME_WAIT_MS", "1000");
    AgentInStartupFolder startup;
    ASSERT_FALSE(Exists(startup.path));
    // A fresh machine: no second place chosen, no record of earlier runs (the
    // other test programs share this prefix).
    for (const char* name : {"place.txt", "health.txt", "accepted.txt"}) {
        DeleteFileA((HealthFolderPath() + name).c_str());
    }
    for (const char* program : {"Sorel.exe", "Sorel2.exe"}) {
        ASSERT_TRUE(CopyFileA(BesideTestProgram(program).c_str(), (app / program).c_str(), FALSE));
    }
    CreateDirectoryA((dir / "データ").c_str(), nullptr);
    files = {dir / "データ\\家計簿.xls", dir / "データ\\diary.txt", dir / "データ\\README"};
    Edit(1, 20);

    // A fresh machine: no settings file yet. Three files added, 22時 picked.
    StartFromAppFolder();
    for (const std::string& f : files) {
        AddThroughDialog(f);
        ExpectShown(kAdded);
    }
    ClickButton(Control(kHour22Radio));
    EXPECT_TRUE(WaitUntil([&] {
        std::vector<std::string> lines = ReadAllLines(ReadSettingsBytes());
        return lines.size() == 5 && lines[0] == app.path() + "=221";
    }));

    // Set-up moves the agent; leaving starts it from the Startup folder, and
    // its start-up run backs up all three files.
    PostMessageA(main, WM_COMMAND, kMenuSetup, 0);
    Answer(kSetUpDone, IDOK);
    EXPECT_TRUE(Exists(startup.path));
    EXPECT_FALSE(Exists(app / "Sorel2.exe"));
    ClickButton(Control(kExitButton));
    EXPECT_EQ(sorel->WaitForExit(), 0u);
    HWND agent = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (agent = RunningAgentWindow()) != nullptr; }));
    // The date is recorded after the last file: each day waits for it, or the
    // next day's earlier date would be written over by this one's.
    const auto todayRecorded = [] { return ReadAllLines(ReadSettingsBytes())[1] == TodayText(); };
    ASSERT_TRUE(WaitUntil([&] { return AllGenerationsAre(1, 0, 0); }));
    EXPECT_TRUE(WaitUntil(todayRecorded));
    EXPECT_TRUE(WaitWhileAgentRuns(agent));

    // Two more days of work, each backed up by the check after resume.
    for (int state = 2; state <= 3; ++state) {
        Edit(state, 19 + state);
        RecordEarlierDay();
        PostMessageA(agent, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        ASSERT_TRUE(WaitUntil([&] {
            return state == 2 ? AllGenerationsAre(2, 1, 0) : AllGenerationsAre(3, 2, 1);
        })) << "day "
            << state;
        EXPECT_TRUE(WaitUntil(todayRecorded)) << "day " << state;
        EXPECT_TRUE(WaitWhileAgentRuns(agent)) << "day " << state;
    }

    // Back to the day before: generation 2 over the file and generation 1.
    StartFromAppFolder();
    SelectLine("家計簿.xls");
    ClickButton(Control(kRestore2Button));
    Answer(kRestoreQuestion[1], IDOK);
    Answer(kPerFileQuestion, IDOK);
    ExpectShown(kRestored[1]);
    const std::string& book = files[0];
    EXPECT_EQ(ReadBytes(book), "state 2 of " + book);
    EXPECT_EQ(ReadBytes(Generation(book, 1)), "state 2 of " + book);
    EXPECT_EQ(LastWrite(book), LastWrite(Generation(book, 2)));
    EXPECT_EQ(LastWrite(Generation(book, 1)), LastWrite(Generation(book, 2)));
    EXPECT_EQ(ReadBytes(Generation(book, 3)), "state 1 of " + book);
    EXPECT_EQ(ReadBytes(files[1]), "state 3 of " + files[1]);

    // Uninstall: refused while the agent runs; quit it from its icon first.
    PostMessageA(main, WM_COMMAND, kMenuUninstall, 0);
    Answer(kUninstallQuestion, IDOK);
    Answer(kRefused, IDOK);
    EXPECT_TRUE(Exists(startup.path));
    PostMessageA(agent, kTrayCallbackMessage, 1, WM_RBUTTONDOWN);
    DWORD agentPid = 0;
    GetWindowThreadProcessId(agent, &agentPid);
    MessageBoxSeen quit = WaitForMessageBox(agentPid);
    ASSERT_TRUE(quit);
    EXPECT_EQ(quit.text, "Ｓｏｒｅｌ２を終了しまっか？？");
    ASSERT_TRUE(PressDialogButton(quit.window, IDOK));
    ASSERT_TRUE(WaitUntil([] { return RunningAgentWindow() == nullptr; }));
    PostMessageA(main, WM_COMMAND, kMenuUninstall, 0);
    Answer(kUninstallQuestion, IDOK);
    ExpectShown(kUninstallDone);
    EXPECT_FALSE(Exists(startup.path));

    // Not set up any more: leaving asks first. The generations stay.
    ClickButton(Control(kExitButton));
    Answer(kExitQuestion, IDOK);
    EXPECT_EQ(sorel->WaitForExit(), 0u);
    EXPECT_EQ(ReadBytes(Generation(book, 1)), "state 2 of " + book);
    EXPECT_EQ(ReadBytes(Generation(files[1], 1)), "state 3 of " + files[1]);
    EXPECT_EQ(ReadBytes(Generation(files[1], 3)), "state 1 of " + files[1]);
}

}  // namespace
