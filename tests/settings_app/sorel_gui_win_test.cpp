// The real Sorel.exe, driven from this process as a user would drive it:
// its buttons clicked, its open-file dialog filled in, its message boxes
// read and answered.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <memory>

#include "sorel_gui_fixture.h"

using namespace sorel;
using namespace sorel::test;
using Lines = std::vector<std::string>;

namespace {

TEST_F(SorelGuiTest, AddingThroughTheOpenFileDialog) {
    Start();
    // The first start leaves a file of 0 bytes.
    EXPECT_EQ(SettingsBytes(), "");
    EXPECT_TRUE(Checked(kHour04Radio));
    // The second bytes of 表 and ソ have a backslash's value.
    std::string book = MakeFile("表\\ソレル帳.xls");
    AddThroughDialog(book);
    ExpectShown(kAdded);
    EXPECT_EQ(ListLines(), Lines{"ソレル帳.xls"});
    EXPECT_EQ(WindowText(Control(kBackupCountEdit)), "1");
    EXPECT_EQ(WindowText(Control(kBackupTimeEdit)), "１秒以下");
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("041"), TodayText(), book}));
}

TEST_F(SorelGuiTest, ASecondStartBringsTheFirstWindowForwardAndEnds) {
    Start();
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(main));
    // Two windows would each save their own list over the other's.
    Program second(BesideTestProgram("Sorel.exe"), "", "", false);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(sorel->Running());
}

TEST_F(SorelGuiTest, SameNameFromAnotherFolderIsADuplicate) {
    std::string listed = MakeFile("a\\data.txt");
    StartWith({listed});
    const std::string before = SettingsBytes();
    AddThroughDialog(MakeFile("b\\DATA.TXT"));
    ExpectShown(kDuplicate);
    EXPECT_EQ(ListLines(), Lines{"data.txt"});
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(SorelGuiTest, TwentyFilesAreTheLimit) {
    Lines paths;
    for (int i = 0; i < 20; ++i) {
        paths.push_back(MakeFile("file" + std::to_string(i) + ".txt"));
    }
    StartWith(paths);
    EXPECT_EQ(WindowText(Control(kBackupCountEdit)), "20");
    const std::string before = SettingsBytes();
    AddThroughDialog(MakeFile("one-more.txt"));
    ExpectShown(kLimit);
    EXPECT_EQ(ListLines().size(), 20u);
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(SorelGuiTest, RemovingTheSelectedLine) {
    std::string b = MakeFile("b.txt");
    std::string ab = MakeFile("ab.txt");
    StartWith({b, ab});
    ClickButton(Control(kRemoveButton));
    ExpectShown(kSelect);

    HWND list = Control(kBackupListBox);
    LRESULT line = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>("b.txt"));
    ASSERT_NE(line, LB_ERR);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    ClickButton(Control(kRemoveButton));
    EXPECT_TRUE(WaitUntil([&] { return ListLines() == Lines{"ab.txt"}; }, 5000));
    ExpectNothingShown();
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("221"), TodayText(), ab}));
    EXPECT_EQ(WindowText(Control(kBackupCountEdit)), "1");
}

TEST_F(SorelGuiTest, HourButtonsRewriteOnlyLineOne) {
    const Lines example = {"C:\\Tools\\Sorel\\=221", kOldDate, "D:\\data\\accounts.xls",
                           "D:\\data\\diary.txt"};
    WriteBytes(SettingsFilePath(), JoinLines(example));
    Start();
    EXPECT_TRUE(Checked(kHour22Radio));
    Lines expected = example;

    ClickButton(Control(kHour06Radio));
    expected[0] = Header("061");
    EXPECT_TRUE(WaitUntil([&] { return SettingsBytes() == JoinLines(expected); }, 5000))
        << SettingsBytes();
    EXPECT_FALSE(Checked(kHour04Radio));
    EXPECT_TRUE(Checked(kHour06Radio));
    EXPECT_FALSE(Checked(kHour22Radio));

    ClickButton(Control(kHour04Radio));
    expected[0] = Header("041");
    EXPECT_TRUE(WaitUntil([&] { return SettingsBytes() == JoinLines(expected); }, 5000))
        << SettingsBytes();
    EXPECT_TRUE(Checked(kHour04Radio));
    EXPECT_FALSE(Checked(kHour06Radio));
    EXPECT_FALSE(Checked(kHour22Radio));
    ExpectNothingShown();
}

TEST_F(SorelGuiTest, EveryWayOutAsksWithoutTheAgentAndCancelStays) {
    StartWith({});
    // Nothing is set up in this prefix's Startup folder.
    ClickButton(Control(kExitButton));
    Answer(kExitQuestion, IDCANCEL);
    ClickButton(Control(kExitButton));
    Answer(kExitQuestion, IDOK);
    EXPECT_EQ(sorel->WaitForExit(), 0u);

    Start();
    // The menu item acts whatever the notification code says.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(kMenuExit, 1), 0);
    Answer(kExitQuestion, IDCANCEL);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(kMenuExit, 1), 0);
    Answer(kExitQuestion, IDOK);
    EXPECT_EQ(sorel->WaitForExit(), 0u);

    Start();
    PostMessageA(main, WM_CLOSE, 0, 0);
    Answer(kExitQuestion, IDCANCEL);
    EXPECT_TRUE(sorel->Running());
    EXPECT_TRUE(IsWindowVisible(main));
    PostMessageA(main, WM_CLOSE, 0, 0);
    Answer(kExitQuestion, IDOK);
    EXPECT_EQ(sorel->WaitForExit(), 0u);
}

TEST_F(SorelGuiTest, RestoringEachGeneration) {
    std::string book = MakeFile("Data\\book.xls");
    CreateDirectoryA((dir / "Data\\backUp").c_str(), nullptr);
    const std::string content[4] = {"today", "yesterday", "before that", "oldest"};
    std::string gen[4] = {book};
    const int day[4] = {21, 20, 19, 18};
    for (int n = 0; n <= 3; ++n) {
        if (n > 0) {
            gen[n] = dir / ("Data\\backUp\\" + std::to_string(n) + std::to_string(n) + "book.xls");
        }
        WriteBytes(gen[n], content[n]);
        SetLastWriteUtc(gen[n], 2009, 5, day[n]);
    }
    StartWith({book});
    SelectLine("book.xls");
    auto restore = [&](int n) {
        ClickButton(Control(kRestore1Button + n - 1));
        Answer(kRestoreQuestion[n - 1], IDOK);
        const std::string date = "2009/5/" + std::to_string(day[n]);
        const std::string question =
            "ホンマに　「" + date + "　」データで　復元しても　ＯＫでっか？";
        Answer({question.c_str(), "データ復元確認"}, IDOK);
        Answer(kRestored[n - 1], IDOK);
    };
    restore(1);
    EXPECT_EQ(ReadBytes(book), "yesterday");
    EXPECT_EQ(LastWrite(book), LastWrite(gen[1]));
    EXPECT_EQ(ReadBytes(gen[2]), "before that");

    restore(2);
    EXPECT_EQ(ReadBytes(book), "before that");
    EXPECT_EQ(ReadBytes(gen[1]), "before that");
    EXPECT_EQ(LastWrite(gen[1]), LastWrite(gen[2]));
    EXPECT_EQ(ReadBytes(gen[3]), "oldest");

    restore(3);
    for (int n = 0; n <= 3; ++n) {
        EXPECT_EQ(ReadBytes(gen[n]), "oldest") << n;
        EXPECT_EQ(LastWrite(gen[n]), LastWrite(gen[3])) << n;
    }
    ExpectNothingShown();
}

TEST_F(SorelGuiTest, SetUpMovesTheAgentAndTheExitStartsIt) {
    ASSERT_EQ(RunningAgentWindow(), nullptr) << "an agent is already running";
    AgentInStartupFolder startup;
    const std::string& installed = startup.path;
    ASSERT_FALSE(Exists(installed)) << "an agent was left in the Startup folder";
    // A program folder of its own, so that the build's Sorel2.exe stays.
    ASSERT_TRUE(
        CopyFileA(BesideTestProgram("Sorel.exe").c_str(), (dir / "Sorel.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(BesideTestProgram("Sorel2.exe").c_str(), (dir / "Sorel2.exe").c_str(), FALSE));
    WriteBytes(SettingsFilePath(), JoinLines({Header("221"), kOldDate}));
    sorel = std::make_unique<Program>(dir / "Sorel.exe");
    main = WaitForWindow(sorel->pid(), "NORMAL0", "ソ レ ル");
    ASSERT_NE(main, nullptr);
    ShowWindow(main, SW_RESTORE);

    PostMessageA(main, WM_COMMAND, kMenuSetup, 0);
    Answer(kSetUpDone, IDOK);
    EXPECT_FALSE(Exists(dir / "Sorel2.exe"));
    EXPECT_TRUE(Exists(installed));

    // Set up now: no question, and the agent starts from the Startup folder.
    ClickButton(Control(kExitButton));
    EXPECT_EQ(sorel->WaitForExit(), 0u);
    HWND agent = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (agent = RunningAgentWindow()) != nullptr; }));
    EXPECT_TRUE(EndAgent(agent));
}

}  // namespace
