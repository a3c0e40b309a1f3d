// Loading, repairing and rewriting the settings file, and the hour buttons,
// against the real file in the Windows directory.
#include <functional>
#include <thread>
#include <utility>

#include "app_state.h"
#include "health.h"
#include "health_folder.h"
#include "held_back.h"
#include "list_editing.h"
#include "main_window.h"
#include "messages.h"
#include "resource.h"
#include "settings_file.h"
#include "settings_text.h"
#include "settings_upkeep.h"
#include "settings_window_fixture.h"
#include "window_front.h"

using namespace sorel;
using namespace sorel::test;
using Lines = std::vector<std::string>;

namespace {

const char kOldDate[] = "2009年5月21日";

using SettingsUpkeepTest = SettingsWindowTest;

TEST_F(SettingsUpkeepTest, FirstStartLeavesAnEmptyFileUntilAFileIsAdded) {
    Start();
    ASSERT_TRUE(Exists(SettingsFilePath()));
    EXPECT_EQ(SettingsBytes(), "");
    EXPECT_EQ(HourChecks(), "100");
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(ControlText(app::BackupTimeEdit), "0");
    EXPECT_EQ(ControlText(app::BackupCountEdit), "0");

    // Picking an hour has nothing to write into yet.
    Click(app::Hour06Radio);
    EXPECT_EQ(HourChecks(), "010");
    EXPECT_EQ(SettingsBytes(), "");
    EXPECT_TRUE(SaidNothing(asker));

    // The first file brings the whole file, with the hour picked.
    std::string book = MakeFile("book.xls");
    app::AddBackupFile(book);
    EXPECT_TRUE(SaidOnly(asker, app::kAddedMessage));
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("061"), TodayText(), book}));
}

TEST_F(SettingsUpkeepTest, AtStartEachHeldBackFileIsAskedAboutAndOnlyOkAcceptsItsState) {
    const std::string book = MakeFile("家計簿.xls", "locked"), diary = MakeFile("diary.txt", "x");
    const std::string restored = MakeFile("restored.doc", "good");
    CreateDirectoryA((dir / "backUp").c_str(), nullptr);
    CopyFileA(restored.c_str(), (dir / "backUp\\22restored.doc").c_str(), FALSE);
    const std::string putBack = MakeFile("put back.doc", "kept");
    CreateDirectoryA((dir / "backUp\\復元前").c_str(), nullptr);
    CopyFileA(putBack.c_str(), (dir / "backUp\\復元前\\2026-12-08 101500 put back.doc").c_str(),
              FALSE);
    // The record as the agent leaves it after a run that held back four files.
    RunReport run;
    run.files = {{book, FileOutcome::kContentSuspect},
                 {MakeFile("ok.txt"), FileOutcome::kStored},
                 {restored, FileOutcome::kContentSuspect},  // back as generation 2
                 {putBack, FileOutcome::kContentSuspect},   // back from a kept copy
                 {diary, FileOutcome::kContentSuspect}};
    HealthRecord record;
    TakeRun(record, run, {2026, 12, 7, 9, 15, 0});
    CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
    WriteBytes(HealthFolderPath() + kHealthRecordName, FormatHealthRecord(record));
    DeleteFileA(AcceptedStatesPath().c_str());
    const std::string question =
        " の中身が前と まるっきり違うで。ほんまに正しい変更なら OK を押してな";
    asker.answers = {IDOK, IDCANCEL, IDOK, IDCANCEL};
    Start();
    PumpMessages();
    // Once accepted, a state is not asked about again; Cancel asks again at
    // the next start.
    app::AskAboutHeldBackFiles();
    const std::vector<std::string> said = {"家計簿.xls" + question, "diary.txt" + question,
                                           app::kHeldBackKeptMessage.text, "diary.txt" + question,
                                           app::kHeldBackKeptMessage.text};
    ASSERT_EQ(asker.said.size(), said.size());
    for (std::size_t i = 0; i < said.size(); ++i) {
        EXPECT_EQ(asker.said[i].text, said[i]);
    }
    EXPECT_EQ(asker.said[0].style, static_cast<unsigned>(MB_OKCANCEL | MB_ICONQUESTION));
    const std::vector<AcceptedState> accepted = ReadAcceptedStates();
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(FormatAcceptedStates(accepted), FormatAcceptedStates({{book, LastWrite(book), 6}}));

    // Coming back asks about a new state, one round at a time though a box
    // hands on the next round's message, and not again once turned down.
    struct Reentering : ScriptedAsker {
        int Ask(const char* text, const char* caption, unsigned style) override {
            if (!std::exchange(boxShown, true)) {
                SendMessageA(app::MainWindow, kAskHeldBackAgain, 0, 0);  // its modal loop's
            }
            return ScriptedAsker::Ask(text, caption, style);
        }
        bool boxShown = false;
    } reentering;
    app::UseAsker(&reentering);
    ShowWindow(app::MainWindow, SW_RESTORE);
    WriteBytes(diary, "changed");
    reentering.answers = {IDCANCEL};
    for (int comeBack = 0; comeBack < 2; ++comeBack) {
        SendMessageA(app::MainWindow, WM_ACTIVATE, WA_ACTIVE, 0);
        PumpMessages();
    }
    ASSERT_EQ(reentering.said.size(), 2u);
    EXPECT_EQ(reentering.said[0].text, "diary.txt" + question);
    app::UseAsker(&asker);
    DeleteFileA((HealthFolderPath() + kHealthRecordName).c_str());
    DeleteFileA(AcceptedStatesPath().c_str());
}

TEST_F(SettingsUpkeepTest, OlderHeaderWithoutSeparatorIsRepairedAtStart) {
    std::string book = MakeFile("book.xls");
    WriteSettings({"C:\\X\\", kOldDate, book});
    Start();
    EXPECT_EQ(SettingsBytes(), JoinLines({"C:\\X\\=041", kOldDate, book}));
    EXPECT_EQ(HourChecks(), "100");
    EXPECT_EQ(ListLines(), Lines{"book.xls"});
    // The held hour stays empty; saving takes it from the checked "4時".
    EXPECT_EQ(app::ScheduleHour, "");
    app::AddBackupFile(MakeFile("diary.txt"));
    EXPECT_EQ(SettingsLines()[0], Header("041"));
}

TEST_F(SettingsUpkeepTest, AnHourTheButtonsDoNotOfferIsKept) {
    WriteSettings({"C:\\A\\=121", kOldDate});
    Start();
    EXPECT_EQ(HourChecks(), "000");
    app::AddBackupFile(MakeFile("book.xls"));
    EXPECT_EQ(SettingsLines()[0], Header("121"));
}

TEST_F(SettingsUpkeepTest, EmptyLineIsListedKeptAndWrittenBack) {
    std::string a = MakeFile("a.txt");
    std::string b = MakeFile("b.txt");
    WriteSettings({"C:\\A\\=041", kOldDate, a, "", b});
    Start();
    EXPECT_EQ(ListLines(), (Lines{"", "a.txt", "b.txt"}));
    EXPECT_EQ(UsedSlotCount(app::BackupTable), 3u);

    // Rewriting line 1 keeps the empty line and everything after it.
    Click(app::Hour22Radio);
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("221"), kOldDate, a, "", b}));

    std::string c = MakeFile("c.txt");
    app::AddBackupFile(c);
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("221"), TodayText(), a, "", b, c}));
}

TEST_F(SettingsUpkeepTest, RemovalLeavesNoGap) {
    std::string b = MakeFile("b.txt");
    std::string ab = MakeFile("ab.txt");
    std::string c = MakeFile("c.txt");
    WriteSettings({"C:\\A\\=061", kOldDate, b, ab, c});
    Start();
    Select("b.txt");
    app::RemoveSelectedEntry();
    EXPECT_TRUE(SaidNothing(asker));
    EXPECT_EQ(ListLines(), (Lines{"ab.txt", "c.txt"}));
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("061"), TodayText(), ab, c}));
    EXPECT_EQ(TablePaths(app::BackupTable), (Lines{ab, c}));
    EXPECT_EQ(ControlText(app::BackupCountEdit), "2");

    Select("c.txt");
    app::RemoveSelectedEntry();
    EXPECT_EQ(SettingsLines(), (Lines{Header("061"), TodayText(), ab}));
    EXPECT_EQ(TablePaths(app::BackupTable), Lines{ab});
}

TEST_F(SettingsUpkeepTest, LinesTheTableCannotHoldSurviveEverySave) {
    Lines paths;
    for (int i = 0; i < 26; ++i) {
        paths.push_back("C:\\many\\" + std::to_string(100 + i) + ".txt");
    }
    std::string tooLong = "C:\\" + std::string(600, 'x') + ".txt";
    paths.insert(paths.begin() + 1, tooLong);
    Lines file = {"C:\\A\\=041", kOldDate};
    file.insert(file.end(), paths.begin(), paths.end());
    WriteSettings(file);
    Start();
    EXPECT_EQ(ListLines().size(), 24u);

    Select("100.txt");
    app::RemoveSelectedEntry();
    Lines saved = SettingsLines();
    Lines savedPaths(saved.begin() + 2, saved.end());
    Lines expected(paths.begin() + 1, paths.end());
    std::sort(savedPaths.begin(), savedPaths.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(savedPaths, expected);
    // The line that was past the 24th slot has moved up into the table, and
    // the list and the count show it.
    EXPECT_EQ(UsedSlotCount(app::BackupTable), 24u);
    EXPECT_EQ(ListLines().size(), 24u);
    EXPECT_EQ(ControlText(app::BackupCountEdit), "24");

    // Picking an hour writes back all of them too, more than thirty lines.
    Click(app::Hour06Radio);
    EXPECT_EQ(SettingsLines().size(), saved.size());
}

// Every save is this window's own change made to the file as it stands: a
// path another window or a hand edit put there, and the agent's day, stay.
TEST_F(SettingsUpkeepTest, SavesChangeTheFileAsItStandsNotAsItWasRead) {
    const std::string a = MakeFile("a.txt");
    const std::string b = MakeFile("b.txt");
    const std::string c = MakeFile("c.txt");
    const std::string d = MakeFile("d.txt");
    WriteSettings({Header("221"), kOldDate, a});
    Start();
    struct Step {
        const char* name;
        Lines meanwhile;  // the file as another writer left it
        std::function<void()> change;
        Lines file;
        Lines list;
        const char* hours = nullptr;  // the hour buttons after it, when looked at
        bool wroteBack = false;       // the window's list written back, and said so
    };
    const Step steps[] = {
        {"another window added b",
         {Header("221"), "agent's day", a, b},
         [&] { Drop({c}); },
         {Header("221"), TodayText(), a, b, c},
         {"a.txt", "b.txt", "c.txt"}},
        {"another window removed a",
         {Header("221"), "agent's day", b, c},
         [&] {
             Select("c.txt");
             app::RemoveSelectedEntry();
         },
         {Header("221"), TodayText(), b},
         {"b.txt"}},
        {"another window added a again",
         {Header("221"), "agent's day", b, a},
         [&] { Click(app::Hour06Radio); },
         {Header("061"), "agent's day", b, a},
         {"a.txt", "b.txt"}},
        // Only an hour pick changes the hour.
        {"another writer picked 4時",
         {Header("041"), "agent's day", b, a},
         [&] { Drop({c}); },
         {Header("041"), TodayText(), b, a, c},
         {"a.txt", "b.txt", "c.txt"},
         "100"},
        // An editor's failed save left 0 bytes: the window still shows the list.
        {"emptied, then an addition",
         {},
         [&] { Drop({d}); },
         {Header("041"), TodayText(), b, a, c, d},
         {"a.txt", "b.txt", "c.txt", "d.txt"},
         "100",
         true},
        {"deleted, then an hour pick",
         {},
         [&] {
             DeleteFileA(SettingsFilePath().c_str());
             Click(app::Hour22Radio);
         },
         {Header("221"), TodayText(), b, a, c, d},
         {"a.txt", "b.txt", "c.txt", "d.txt"},
         "001",
         true},
    };
    for (const Step& step : steps) {
        WriteSettings(step.meanwhile);
        step.change();
        EXPECT_EQ(!asker.said.empty() && asker.said[0].text == app::kListWrittenBackMessage.text,
                  step.wroteBack);
        asker.said.clear();
        if (step.hours) {
            EXPECT_EQ(HourChecks(), step.hours) << step.name;
        }
        EXPECT_EQ(SettingsLines(), step.file) << step.name;
        EXPECT_EQ(ListLines(), step.list) << step.name;
        EXPECT_EQ(ControlText(app::BackupCountEdit), std::to_string(step.list.size())) << step.name;
    }
}

// The agent holds the settings file only for an instant, but while it does
// the settings window must neither empty nor overwrite it.
class BusySettingsFileTest : public SettingsWindowTest {
  protected:
    const std::string book = MakeFile("book.xls");
    const Lines file = {"C:\\X\\", kOldDate, book};
};

TEST_F(BusySettingsFileTest, LoadingABusyFileWritesNothingAndSavesNothingFromIt) {
    WriteSettings(file);
    {
        ExclusiveHold hold(SettingsFilePath());
        ASSERT_TRUE(hold.held());
        DWORD start = GetTickCount();
        Start();
        EXPECT_LT(GetTickCount() - start, 1500u);
        EXPECT_TRUE(app::SettingsUnread);
        // An addition now would write a file that has lost book.xls.
        app::AddBackupFile(MakeFile("diary.txt"));
        EXPECT_TRUE(SaidOnly(asker, app::kSettingsBusyMessage));
        EXPECT_TRUE(ListLines().empty());
    }
    EXPECT_EQ(SettingsBytes(), JoinLines(file));
    // Free now, but still unread: a save from the empty table is refused.
    EXPECT_FALSE(app::SaveAddedPath(MakeFile("diary.txt")).Saved());
    EXPECT_EQ(SettingsBytes(), JoinLines(file));

    // Once the file is free, the next addition loads it first.
    std::string diary = MakeFile("diary.txt");
    app::AddBackupFile(diary);
    EXPECT_TRUE(SaidOnly(asker, app::kAddedMessage));
    EXPECT_EQ(ListLines(), (Lines{"book.xls", "diary.txt"}));
    EXPECT_EQ(SettingsLines(), (Lines{Header("041"), TodayText(), book, diary}));
}

TEST_F(BusySettingsFileTest, ABusyFileAtStartIsToldOfAndLoadedOnceFree) {
    WriteSettings(file);
    {
        ExclusiveHold hold(SettingsFilePath());
        ASSERT_TRUE(hold.held());
        Start();
        // Said once the window is up and its loop runs, not before.
        EXPECT_TRUE(SaidNothing(asker));
        PumpMessages();
        EXPECT_TRUE(SaidOnly(asker, app::kSettingsUnreadMessage));
        EXPECT_TRUE(ListLines().empty());
    }
    // Free now: the retry loads it without waiting for a click.
    SendMessageA(app::MainWindow, WM_TIMER, app::kSettingsRetryTimer, 0);
    EXPECT_FALSE(app::SettingsUnread);
    EXPECT_EQ(ListLines(), Lines{"book.xls"});
    EXPECT_EQ(ControlText(app::BackupCountEdit), "1");
    EXPECT_EQ(SettingsLines(), (Lines{"C:\\X\\=041", kOldDate, book}));
    EXPECT_TRUE(SaidNothing(asker));
}

TEST_F(BusySettingsFileTest, RewritingAFileBusyWhileReadLeavesItAlone) {
    WriteSettings({"C:\\A\\=221", kOldDate, book});
    Start();
    const std::string before = SettingsBytes();
    // Held through the whole retry, then let go: a rewrite that took the
    // failed read for an empty file would now be free to write 0 bytes.
    HANDLE hold = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    std::thread release([hold] {
        Sleep(1100);
        CloseHandle(hold);
    });
    DWORD start = GetTickCount();
    app::WriteOutcome outcome = app::RewriteHeaderLine();
    DWORD waited = GetTickCount() - start;
    release.join();
    EXPECT_EQ(outcome, app::WriteOutcome::kRefused);
    EXPECT_GE(waited, 500u);
    EXPECT_LT(waited, 1000u);
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(BusySettingsFileTest, ChangesRefusedWhileTheFileStaysBusy) {
    WriteSettings({"C:\\A\\=221", kOldDate, book});
    Start();
    const std::string before = SettingsBytes();
    {
        ExclusiveHold hold(SettingsFilePath());
        ASSERT_TRUE(hold.held());
        // The click is undone and said to be so.
        Click(app::Hour06Radio);
        EXPECT_TRUE(SaidOnly(asker, app::kSettingsBusyMessage));
        EXPECT_EQ(HourChecks(), "001");
        EXPECT_EQ(app::ScheduleHour, "22");

        // Neither an addition nor a removal writes; the list stays as the file is.
        app::AddBackupFile(MakeFile("diary.txt"));
        EXPECT_TRUE(SaidOnly(asker, app::kSettingsBusyMessage));
        Select("book.xls");
        app::RemoveSelectedEntry();
        EXPECT_TRUE(SaidOnly(asker, app::kSettingsBusyMessage));
        EXPECT_EQ(ListLines(), Lines{"book.xls"});
        EXPECT_EQ(TablePaths(app::BackupTable), Lines{book});
    }
    EXPECT_EQ(SettingsBytes(), before);
    // Free again, the click goes through.
    Click(app::Hour06Radio);
    EXPECT_TRUE(SaidNothing(asker));
    EXPECT_EQ(SettingsLines()[0], Header("061"));
}

TEST_F(BusySettingsFileTest, AFileFreedWithinTheRetryIsRead) {
    WriteSettings({"C:\\A\\=221", kOldDate, book});
    HANDLE hold = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    std::thread release([hold] {
        Sleep(300);
        CloseHandle(hold);
    });
    Start();
    release.join();
    EXPECT_FALSE(app::SettingsUnread);
    EXPECT_EQ(ListLines(), Lines{"book.xls"});
    EXPECT_EQ(HourChecks(), "001");
}

}  // namespace
