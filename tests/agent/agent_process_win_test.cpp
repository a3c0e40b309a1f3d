// The real Sorel2.exe, started as Windows starts it and driven from outside
// like a user would: its window, tray icon, quit question and power events.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "gui_driver.h"
#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"

using namespace sorel;
using namespace sorel::test;

namespace {

constexpr UINT kTrayCallbackMessage = 0x1000;
const char kOldDate[] = "2009年4月19日";

// Icons shown in Wine's stand-alone notification area, which is what the
// X11 driver uses when the display has no tray of its own.
int TrayIconCount() {
    int count = 0;
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    for (HWND icon = tray ? GetWindow(tray, GW_CHILD) : nullptr; icon;
         icon = GetWindow(icon, GW_HWNDNEXT)) {
        char className[64] = {};
        GetClassNameA(icon, className, sizeof className);
        if (lstrcmpA(className, "__winex11_tray_icon") == 0 && IsWindowVisible(icon)) {
            ++count;
        }
    }
    return count;
}

class AgentProcessTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { WaitForDesktop(); }
    void SetUp() override {
        RemoveSettingsFile();
        WriteBytes(book, "content");
        SetLastWriteUtc(book, 2009, 4, 20);
        WriteSettings("C:\\Tools\\=221", kOldDate);
    }
    void TearDown() override { RemoveSettingsFile(); }

    void WriteSettings(const std::string& header, const std::string& date) {
        WriteBytes(SettingsFilePath(), JoinLines({header, date, book}));
    }
    std::string DateLine() {
        std::vector<std::string> lines = ReadAllLines(ReadSettingsBytes());
        return lines.size() > 1 ? lines[1] : "<no date line>";
    }

    // The agent's window, once its start-up is over: a sent message is only
    // handled when the agent waits in its message loop.
    static HWND AgentWindowOf(const Program& agent) {
        HWND window = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
        DWORD_PTR ignored;
        if (window) {
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
        }
        return window;
    }

    // Ends the agent the way Windows would at log-off, and checks it ends well.
    static void Close(Program& agent) {
        PostMessageA(AgentWindowOf(agent), WM_CLOSE, 0, 0);
        EXPECT_EQ(agent.WaitForExit(), 0u);
    }

    TempFolder dir;
    std::string book = dir / "book.xls";
    std::string generation1 = dir / "backUp\\11book.xls";
};

}  // namespace

TEST_F(AgentProcessTest, StartsHiddenWithOneIconAndBacksUpAtOnce) {
    const int iconsBefore = TrayIconCount();
    Program agent(BesideTestProgram("Sorel2.exe"));
    ASSERT_TRUE(agent.started());
    HWND window = AgentWindowOf(agent);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    // The start-up run is done before the agent waits for messages.
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(generation1) == "content"; }))
        << WaitForMessageBox(agent.pid(), 0).text;
    EXPECT_EQ(DateLine(), TodayText());
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore + 1; }));
    Close(agent);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore; }));
}

TEST_F(AgentProcessTest, KeywordSuppressesTheStartUpRun) {
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    ASSERT_NE(AgentWindowOf(agent), nullptr);
    EXPECT_FALSE(Exists(dir / "backUp"));
    EXPECT_EQ(DateLine(), kOldDate);
    Close(agent);
}

TEST_F(AgentProcessTest, KeywordInTheAgentsOwnPathIsNoArgument) {
    // A user folder of that name, for example.
    const std::string folder = dir / "kirum";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "\\Sorel2.exe";
    ASSERT_TRUE(CopyFileA(BesideTestProgram("Sorel2.exe").c_str(), copy.c_str(), FALSE));
    {
        Program agent(copy);
        ASSERT_NE(AgentWindowOf(agent), nullptr);
        EXPECT_EQ(ReadBytes(generation1), "content");
        Close(agent);
    }
    DeleteFileA(copy.c_str());
}

TEST_F(AgentProcessTest, SecondCopyEndsAtOnceLeavingOneIcon) {
    const int iconsBefore = TrayIconCount();
    Program first(BesideTestProgram("Sorel2.exe"), "kirum");
    ASSERT_NE(AgentWindowOf(first), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore + 1; }));
    // Started without the keyword, the second copy would back up if it went on.
    Program second(BesideTestProgram("Sorel2.exe"));
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(TopWindows(second.pid(), "NORMAL0").empty());
    EXPECT_FALSE(Exists(dir / "backUp"));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(TrayIconCount(), iconsBefore + 1);
    Close(first);
}

TEST_F(AgentProcessTest, ResumeFromSuspendChecksUnlessTodayIsRecorded) {
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    HWND window = AgentWindowOf(agent);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes(generation1) == "content"; }));
    EXPECT_TRUE(WaitUntil([&] { return DateLine() == TodayText(); }));
    EXPECT_FALSE(IsWindowVisible(window));

    // Changed again, but today is recorded: the next check copies nothing.
    WriteBytes(book, "changed");
    SetLastWriteUtc(book, 2009, 4, 21);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    // Other power events are no resume.
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    Close(agent);  // handled after the posted events
    EXPECT_EQ(ReadBytes(generation1), "content");
    EXPECT_FALSE(Exists(dir / "backUp\\22book.xls"));
}

TEST_F(AgentProcessTest, HourCheckRunsAtTheFirstTickForHourZero) {
    // The first tick compares the hour 0 of "no previous tick" with the
    // chosen hour; 00 makes the hour check come about 5 seconds after start.
    WriteSettings("C:\\Tools\\=001", kOldDate);
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    ASSERT_NE(AgentWindowOf(agent), nullptr);
    EXPECT_FALSE(Exists(generation1));
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(generation1) == "content"; }, 12000));
    Close(agent);
}

TEST_F(AgentProcessTest, TrayRightClickAsksBeforeQuitting) {
    const int iconsBefore = TrayIconCount();
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    HWND window = AgentWindowOf(agent);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore + 1; }));

    // Left clicks do nothing.
    PostMessageA(window, kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
    PostMessageA(window, kTrayCallbackMessage, 1, WM_RBUTTONDOWN);
    MessageBoxSeen question = WaitForMessageBox(agent.pid());
    ASSERT_TRUE(question);
    EXPECT_EQ(question.text, "Ｓｏｒｅｌ２を終了しまっか？？");
    EXPECT_EQ(question.caption, "");
    // Cancel is the default button.
    EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(question.window, IDCANCEL), GWL_STYLE) &
                BS_DEFPUSHBUTTON);
    ASSERT_TRUE(PressDialogButton(question.window, IDCANCEL));
    Sleep(200);
    EXPECT_TRUE(agent.Running());
    EXPECT_EQ(TrayIconCount(), iconsBefore + 1);

    PostMessageA(window, kTrayCallbackMessage, 1, WM_RBUTTONDOWN);
    question = WaitForMessageBox(agent.pid());
    ASSERT_TRUE(question);
    ASSERT_TRUE(PressDialogButton(question.window, IDOK));
    EXPECT_EQ(agent.WaitForExit(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore; }));
}

TEST_F(AgentProcessTest, IconComesBackWhenTheTaskbarIsCreatedAgain) {
    const int iconsBefore = TrayIconCount();
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    HWND window = AgentWindowOf(agent);
    ASSERT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore + 1; }));
    // What a restarting Explorer does: the icons go, then it announces itself.
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon));
    ASSERT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore; }));
    PostMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore + 1; }));
    // A second announcement does not add a second icon.
    PostMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Sleep(300);
    EXPECT_EQ(TrayIconCount(), iconsBefore + 1);
    Close(agent);
}

TEST_F(AgentProcessTest, NoticeShowsItsPicturesAndText) {
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    HWND window = AgentWindowOf(agent);
    ASSERT_NE(window, nullptr);
    HWND car = GetDlgItem(window, 1000);
    HWND banner = GetDlgItem(window, 1001);
    HWND label = GetDlgItem(window, 1002);
    ASSERT_TRUE(car && banner && label);
    EXPECT_NE(SendMessageA(car, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    EXPECT_NE(SendMessageA(banner, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    EXPECT_EQ(WindowText(label), "大きなデータなら　 シバラク　待ってや！");
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 402);
    EXPECT_EQ(rect.bottom - rect.top, 207);
    Close(agent);
}
