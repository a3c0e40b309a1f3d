// The real Sorel2.exe, started as Windows starts it and driven from outside
// like a user would: its window, tray icon, quit question and power events.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <dbt.h>

#include <memory>

#include "agent_messages.h"
#include "../common/place/place_files.h"
#include "../common/place/place_history.h"
#include "files.h"
#include "gui_driver.h"
#include "health_folder.h"
#include "second_copy.h"
#include "process_setup.h"
#include "program_start.h"
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

// A second-copy place at `place`, marked and chosen for the agent's health
// folder for as long as the object lives.
class ChosenPlace {
  public:
    explicit ChosenPlace(const std::string& place) {
        const std::string identity = "{0123ABCD-4567-89AB-CDEF-0123456789AB}";
        CreateDirectoryA(place.c_str(), nullptr);
        CreateDirectoryA((place + "\\Sorel").c_str(), nullptr);
        WriteBytes(place + "\\Sorel\\Sorel.id", FormatPlaceMarker({identity, "PC", "user"}));
        CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
        WriteBytes(choice_, FormatPlaceChoice({place, identity}));
    }
    ~ChosenPlace() { DeleteFileA(choice_.c_str()); }
    ChosenPlace(const ChosenPlace&) = delete;
    ChosenPlace& operator=(const ChosenPlace&) = delete;

  private:
    std::string choice_ = HealthFolderPath() + "place.txt";
};

class AgentProcessTest : public ::testing::Test {
  protected:
    // A log-off that goes ahead, as Windows sends it; how long the agent
    // took to answer both messages.
    static DWORD LogOffMs(HWND window) {
        DWORD_PTR answer = 0;
        const DWORD start = GetTickCount();
        SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                            &answer);
        SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                            &answer);
        return GetTickCount() - start;
    }
    static void SetUpTestSuite() {
        WaitForDesktop();
        // The check after a resume waits this long instead of half a minute.
        SetEnvironmentVariableA("SOREL2_RESUME_WAIT_MS", "1000");
        SetEnvironmentVariableA("SOREL2_ARRIVAL_WAIT_MS", "300");
    }
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
    // handled when the agent waits in its message loop, and the start-up run,
    // which copies on a thread of its own, is over when the agent says so.
    static HWND AgentWindowOf(const Program& agent) {
        HWND window = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
        DWORD_PTR ignored;
        if (window) {
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
            WaitWhileAgentRuns(window);
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

// Listed files whose generations 1 and 2 are stored already, each changed
// since: a run rotates every one of them.
struct ChangedFiles {
    // File 0 is `firstMb` MB large when given, so that its copy takes a while.
    ChangedFiles(const TempFolder& dir, int count, int firstMb = 0) : dir(dir) {
        std::vector<std::string> lines = {"C:\\Tools\\=221", kOldDate};
        CreateDirectoryA((dir / "backUp").c_str(), nullptr);
        for (int i = 0; i < count; ++i) {
            std::string name = "file" + std::to_string(i) + ".dat";
            content.push_back(i == 0 && firstMb > 0 ? std::string(firstMb << 20, 'n') : "new");
            WriteBytes(dir / name, content.back());
            SetLastWriteUtc(dir / name, 2009, 4, 20);
            WriteBytes(Generation(name, 1), "old");
            SetLastWriteUtc(Generation(name, 1), 2009, 4, 10);
            WriteBytes(Generation(name, 2), "older");
            names.push_back(name);
            lines.push_back(dir / name);
        }
        WriteBytes(SettingsFilePath(), JoinLines(lines));
    }
    std::string Generation(const std::string& name, int n) const {
        return dir / ("backUp\\" + std::string(2, static_cast<char>('0' + n)) + name);
    }
    std::string Incoming(int i) const { return dir / ("backUp\\~new~" + names[i]); }
    // Once file i's copy has begun, and so its generations have been looked
    // at, another program takes generation 2: the rotation then waits on it
    // for a moment before it gives the file up. A hold taken earlier would
    // make the run pass the file over at once.
    bool HoldWhileCopying(int i) {
        if (!WaitUntil([&] { return Exists(Incoming(i)); }, 5000)) {
            return false;
        }
        holds.push_back(std::make_unique<ExclusiveHold>(Generation(names[i], 2)));
        return holds.back()->held();
    }

    const TempFolder& dir;
    std::vector<std::string> names;
    std::vector<std::string> content;
    std::vector<std::unique_ptr<ExclusiveHold>> holds;
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
    // The start-up run is done once the agent tells it is idle.
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(generation1) == "content"; }))
        << WaitForMessageBox(agent.pid(), 0).text;
    EXPECT_EQ(DateLine(), TodayText());
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore + 1; }));
    Close(agent);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == iconsBefore; }));
}

TEST_F(AgentProcessTest, KeywordSuppressesTheStartUpRun) {
    // Another program holds the settings while the agent starts: its hour is
    // unknown then, and no tick may take it for hour 0 and run the check.
    auto hold = std::make_unique<ExclusiveHold>(SettingsFilePath());
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    ASSERT_NE(WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ"), nullptr);
    Sleep(2500);
    hold.reset();
    Sleep(5000);
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
    // The drives are given a while to come back first.
    Sleep(500);
    EXPECT_FALSE(Exists(generation1));
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes(generation1) == "content"; }));
    EXPECT_TRUE(WaitUntil([&] { return DateLine() == TodayText(); }));
    EXPECT_TRUE(WaitWhileAgentRuns(window));
    EXPECT_FALSE(IsWindowVisible(window));

    // Changed again, but today is recorded: the next check copies nothing.
    WriteBytes(book, "changed");
    SetLastWriteUtc(book, 2009, 4, 21);
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    // Other power events are no resume.
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    Sleep(1500);
    EXPECT_TRUE(WaitWhileAgentRuns(window));

    // A drive arrives with the chosen place: the missing second copy follows
    // within moments, and nothing is copied beside the files. A drive that
    // goes starts nothing.
    const std::string place = dir / "place";
    const ChosenPlace chosen(place);
    DEV_BROADCAST_VOLUME volume = {sizeof volume, DBT_DEVTYP_VOLUME, 0, 1u << 4, 0};
    SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(&volume));
    Sleep(600);
    const std::string folder =
        PcVersionsFolder(place + "\\Sorel") + "\\" + FileFolderName(book, IsSystemLeadByte);
    EXPECT_FALSE(Exists(folder));
    SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    EXPECT_TRUE(
        WaitUntil([&] { return ReadBytes(folder + "\\2009-04-21 book.xls") == "changed"; }));
    EXPECT_TRUE(WaitWhileAgentRuns(window));
    // A check that finds today recorded still makes a missing second copy.
    WriteBytes(book, "third");
    SetLastWriteUtc(book, 2009, 4, 22);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(folder + "\\2009-04-22 book.xls") == "third"; }));
    EXPECT_TRUE(WaitWhileAgentRuns(window));
    Close(agent);
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

TEST_F(AgentProcessTest, ALongCheckNeitherTakesTheKeyboardNorStopsAnswering) {
    // The user types in a window of their own.
    HWND mine = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 300, 300, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(mine, nullptr);
    SetForegroundWindow(mine);
    SetFocus(mine);
    ASSERT_EQ(GetForegroundWindow(), mine);

    // A large file whose rotation then waits on a held generation: the
    // check lasts a while.
    ChangedFiles files(dir, 1, 128);
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    HWND window = AgentWindowOf(agent);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(mine);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window); }));
    ASSERT_TRUE(files.HoldWhileCopying(0));

    // The notice is up and on top, the copying goes on, and the agent answers.
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DWORD start = GetTickCount();
    DWORD_PTR running = 0;
    EXPECT_TRUE(
        SendMessageTimeoutA(window, kRunInProgressQuery, 0, 0, SMTO_NORMAL, 2000, &running));
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_EQ(running, 1u);
    // The keyboard stays with the user.
    EXPECT_EQ(GetForegroundWindow(), mine);
    EXPECT_EQ(GetFocus(), mine);

    // The user closes the notice: it goes, the run goes on, the agent stays.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }));
    EXPECT_TRUE(
        SendMessageTimeoutA(window, kRunInProgressQuery, 0, 0, SMTO_NORMAL, 2000, &running));
    EXPECT_EQ(running, 1u);

    files.holds.clear();
    EXPECT_TRUE(WaitWhileAgentRuns(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(ReadBytes(files.Generation(files.names[0], 1)), files.content[0]);
    EXPECT_TRUE(agent.Running());
    Close(agent);
    DestroyWindow(mine);
}

TEST_F(AgentProcessTest, LogOffDuringARunLeavesTheFileWholeAndStartsNoOther) {
    ChangedFiles files(dir, 3, 128);
    Program agent(BesideTestProgram("Sorel2.exe"));
    HWND window = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
    ASSERT_NE(window, nullptr);
    // The start-up run copies the first file in and will wait to rotate it.
    ASSERT_TRUE(files.HoldWhileCopying(0));

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                    1000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    files.holds.clear();
    // Once this is answered Windows may end the process at any moment; the
    // agent ends by itself, its icon gone.
    const int iconsBefore = TrayIconCount();
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                    10000, &answer));
    EXPECT_EQ(agent.WaitForExit(3000), 0u);
    EXPECT_EQ(TrayIconCount(), iconsBefore - 1);

    // The file in progress was either cut off in its copy, which leaves its
    // generations as they were, or rotated whole if its copy was over; the
    // others were not begun.
    const bool rotated = ReadBytes(files.Generation(files.names[0], 3)) == "older";
    EXPECT_TRUE(ReadBytes(files.Generation(files.names[0], 1)) ==
                (rotated ? files.content[0] : "old"));
    EXPECT_EQ(ReadBytes(files.Generation(files.names[0], 2)), rotated ? "old" : "older");
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            EXPECT_EQ(ReadBytes(files.Generation(files.names[i], 1)), "old") << i;
            EXPECT_FALSE(Exists(files.Generation(files.names[i], 3))) << i;
        }
        EXPECT_FALSE(Exists(files.Incoming(i))) << i;
    }
}

TEST_F(AgentProcessTest, CancelledLogOffTakesUpTheFilesLeft) {
    ChangedFiles files(dir, 3, 128);
    Program agent(BesideTestProgram("Sorel2.exe"));
    HWND window = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(files.HoldWhileCopying(0));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                    1000, &answer));
    files.holds.clear();
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                    10000, &answer));
    // The files the log-off left are stored after all, each rotated once.
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadBytes(files.Generation(files.names[2], 1)) == files.content[2]; }, 20000));
    EXPECT_TRUE(WaitWhileAgentRuns(window));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ReadBytes(files.Generation(files.names[i], 1)), files.content[i]) << i;
        EXPECT_EQ(ReadBytes(files.Generation(files.names[i], 2)), "old") << i;
    }
    EXPECT_EQ(DateLine(), TodayText());
    Close(agent);
}

// A large file on a slow drive (tools/with-slowfs.sh): a log-off and a quit
// each end the agent within a few seconds, cutting the copy off, and leave
// the generations whole. A start meanwhile waits for the ending agent.
TEST_F(AgentProcessTest, SlowDriveCopyIsCutOffByLogOffAndQuit) {
    char drive[MAX_PATH] = {}, backing[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SOREL_SLOW_DRIVE", drive, MAX_PATH) ||
        !GetEnvironmentVariableA("SOREL_SLOW_BACKING", backing, MAX_PATH)) {
        GTEST_SKIP() << "no slow drive: run as root with FUSE through tools/with-slowfs.sh";
    }
    const std::string big = std::string(drive) + "big.dat";
    const std::string incoming = std::string(drive) + "backUp\\~new~big.dat";
    const std::string store = std::string(backing) + "backUp\\";
    WriteBytes(std::string(backing) + "big.dat", std::string(48 << 20, 'n'));
    SetLastWriteUtc(std::string(backing) + "big.dat", 2009, 4, 20);
    WriteBytes(store + "11big.dat", "old");
    SetLastWriteUtc(store + "11big.dat", 2009, 4, 10);
    WriteBytes(store + "22big.dat", "older");
    WriteBytes(SettingsFilePath(), JoinLines({"C:\\Tools\\=221", kOldDate, big}));
    const auto generationsWhole = [&] {
        return ReadBytes(store + "11big.dat") == "old" &&
               ReadBytes(store + "22big.dat") == "older" && !Exists(store + "33big.dat");
    };

    {
        Program agent(BesideTestProgram("Sorel2.exe"));
        HWND window = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
        ASSERT_TRUE(WaitUntil([&] { return Exists(incoming); }));
        EXPECT_LT(LogOffMs(window), 3000u);
        EXPECT_EQ(agent.WaitForExit(1000), 0u);
        EXPECT_TRUE(generationsWhole());
    }

    Program agent(BesideTestProgram("Sorel2.exe"));
    HWND window = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
    ASSERT_TRUE(WaitUntil([&] { return Exists(incoming); }));
    PostMessageA(window, kTrayCallbackMessage, 1, WM_RBUTTONDOWN);
    MessageBoxSeen question = WaitForMessageBox(agent.pid());
    ASSERT_TRUE(question);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(PressDialogButton(question.window, IDOK));
    // Started while the first one ends, as closing Sorel.exe would.
    Program next(BesideTestProgram("Sorel2.exe"), "kirum", "", false);
    EXPECT_EQ(agent.WaitForExit(3000), 0u);
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_TRUE(generationsWhole());
    EXPECT_NE(AgentWindowOf(next), nullptr);
    EXPECT_TRUE(next.Running());
    Close(next);
}

// A log-off while the second copy waits on a place that stalls
// (tools/with-placefs.sh): the agent still ends within moments, and the run
// beside the files is in the log.
TEST_F(AgentProcessTest, LogOffWhileThePlaceStallsPlaceFs) {
    char drive[MAX_PATH] = {}, control[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SOREL_PLACEFS_DRIVE", drive, MAX_PATH) ||
        !GetEnvironmentVariableA("SOREL_PLACEFS_CONTROL", control, MAX_PATH)) {
        GTEST_SKIP() << "no place drive: run as root with FUSE through tools/with-placefs.sh";
    }
    const std::string place = std::string(drive) + "stalls";
    const ChosenPlace chosen(place);
    const std::string log = HealthFolderPath() + "Sorel2.log";
    DeleteFileA(log.c_str());
    WriteBytes(book, std::string(32 << 20, 's'));
    SetLastWriteUtc(book, 2009, 4, 21);
    const std::string temporary = PcVersionsFolder(place + "\\Sorel") + "\\" +
                                  FileFolderName(book, IsSystemLeadByte) + "\\~copy book.xls";

    Program agent(BesideTestProgram("Sorel2.exe"));
    ASSERT_TRUE(WaitUntil([&] { return Exists(temporary); }));
    // From now on the place answers no read for a minute: the read-back waits.
    WriteBytes("Z:" + std::string(control), R"({"delay": {"read": 60}})");
    HWND window = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
    Sleep(1000);
    EXPECT_LT(LogOffMs(window), 3000u);
    EXPECT_EQ(agent.WaitForExit(2000), 0u);
    WriteBytes("Z:" + std::string(control), "{}");
    EXPECT_NE(ReadBytes(log).find("保存したで：" + book), std::string::npos) << ReadBytes(log);
}

TEST_F(AgentProcessTest, StartedFromAFolderItDoesNotHoldIt) {
    // Where Sorel.exe happened to be, a USB stick for instance.
    const std::string stick = dir / "stick";
    ASSERT_TRUE(CreateDirectoryA(stick.c_str(), nullptr));
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum", stick);
    ASSERT_NE(AgentWindowOf(agent), nullptr);
    EXPECT_TRUE(RemoveDirectoryA(stick.c_str())) << GetLastError();
    Close(agent);
}

// What the agent sets for its process at start, tried in this process.
TEST(AgentProcessSetup, KeepsTheErrorFlagsAndMovesToItsOwnFolder) {
    const UINT given = SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX;
    const UINT before = SetErrorMode(given);
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    TempFolder elsewhere;
    SetCurrentDirectoryA(elsewhere.path().c_str());

    PrepareAgentProcess();
    const UINT now = GetErrorMode();
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    SetErrorMode(before);
    SetCurrentDirectoryA(current);

    EXPECT_EQ(now, given | SEM_FAILCRITICALERRORS);
    EXPECT_EQ(std::string(after) + "\\", BesideTestProgram(""));

    // Under a code page other than Japanese the user is told, in wide text.
    static std::wstring told;
    WideMessageShow record = [](const wchar_t* text, const wchar_t*) { told += text; };
    EXPECT_FALSE(TellUnlessJapaneseCodePage(932, record));
    EXPECT_TRUE(told.empty());
    EXPECT_TRUE(TellUnlessJapaneseCodePage(65001, record));
    EXPECT_NE(told.find(L"932"), std::wstring::npos);
}
