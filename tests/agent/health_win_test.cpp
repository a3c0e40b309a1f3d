// The health record against real files and the real shell: days of backup
// with a file kept missing, one held for a single run, one at a path the
// agent cannot store and a disk that fills; a record and log that are held,
// damaged or huge; the tray calls; and the step from the tray to the
// settings window.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "backup_run.h"
#include "gui_driver.h"
#include "health_win.h"
#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"
#include "tray.h"
#include "window_front.h"

using namespace sorel;
using namespace sorel::test;

namespace {

// Stands in for the shell: records every call, refuses what it is told to.
class RecordingShell : public TrayShell {
  public:
    struct Call {
        DWORD message;
        DWORD size;
        UINT flags;
        std::string tip, title, text;
        DWORD infoFlags;
    };
    bool Notify(DWORD message, NOTIFYICONDATAA& record) override {
        calls.push_back({message, record.cbSize, record.uFlags, record.szTip,
                         (record.uFlags & NIF_INFO) ? record.szInfoTitle : "",
                         (record.uFlags & NIF_INFO) ? record.szInfo : "", record.dwInfoFlags});
        if (message == NIM_ADD) {
            return addsAccepted;
        }
        if (message == NIM_MODIFY) {
            return ++modifies > modifiesRefused;
        }
        return true;
    }
    void Pause(DWORD) override { ++pauses; }
    std::vector<Call> Balloons() const {
        std::vector<Call> balloons;
        for (const Call& c : calls) {
            if (c.flags & NIF_INFO) {
                balloons.push_back(c);
            }
        }
        return balloons;
    }

    std::vector<Call> calls;
    bool addsAccepted = true;
    int modifiesRefused = 0;
    int modifies = 0;
    int pauses = 0;
};

std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
}

}  // namespace

// Four days of use through the real run. tools/wine-tests.sh maps drive T:
// to a small RAM disk when run as root; without it the disk part is left out.
TEST(HealthWin, DaysOfBackupTellWhatHappened) {
    RemoveSettingsFile();
    const bool ramDisk = GetDriveTypeA("T:\\") != DRIVE_NO_ROOT_DIR;
    TempFolder dir, healthDir;
    const std::string missing = dir / "usb\\diary.txt";  // its folder never comes
    const std::string held = dir / "book.xls";
    const std::string noPlace = "\\\\server\\share\\notes.txt";
    const std::string big = "T:\\health\\big.bin";
    std::vector<std::string> list = {missing, held, noPlace};
    std::size_t bigSize = 0;
    if (ramDisk) {
        ULARGE_INTEGER freeBytes;
        ASSERT_TRUE(GetDiskFreeSpaceExA("T:\\", &freeBytes, nullptr, nullptr));
        // The file and generation 1 fit; a second copy does not.
        bigSize = static_cast<std::size_t>(freeBytes.QuadPart / 3 + 65536);
        CreateDirectoryA("T:\\health", nullptr);
        list.push_back(big);
    }
    WriteBytes(held, "book 1");
    SetLastWriteUtc(held, 2026, 12, 1);
    if (ramDisk) {
        WriteBytes(big, std::string(bigSize, '1'));
        SetLastWriteUtc(big, 2026, 12, 1);
    }

    RecordingShell shell;
    TrayIcon tray(shell);
    ASSERT_TRUE(tray.Add(HWND_MESSAGE, nullptr));
    struct Day {
        int day;
        bool holdBook;
        bool changeBig;
        std::vector<std::string> logged;   // outcome of each listed file, in list order
        std::vector<std::string> balloon;  // names the balloon must hold, or none
    };
    const std::vector<Day> days = {
        {1,
         false,
         false,
         {"見つからへん", "保存したで", "この場所は保存でけへん", "保存したで"},
         {"notes.txt"}},
        {2,
         true,
         true,
         {"見つからへん", "使用中で読めへん", "この場所は保存でけへん", "ディスクがいっぱい"},
         {"diary.txt", "ほかにも"}},
        {3,
         false,
         false,
         {"見つからへん", "変わってへん", "この場所は保存でけへん", "ディスクがいっぱい"},
         {"diary.txt", "ほかにも"}},
    };
    std::string expectedLog;
    for (const Day& day : days) {
        for (int run = 0; run < 2; ++run) {  // the log-on run and a second one that day
            if (ramDisk && day.changeBig && run == 0) {
                WriteBytes(big, std::string(bigSize, '2'));
                SetLastWriteUtc(big, 2026, 12, day.day);
            }
            WriteBytes(SettingsFilePath(), JoinLines([&] {
                           std::vector<std::string> lines = {"C:\\Tools\\=221", "2000年1月1日"};
                           lines.insert(lines.end(), list.begin(), list.end());
                           return lines;
                       }()));
            HeldSettings settings;
            ReadBackupList(settings);
            RunReport report;
            {
                ExclusiveHold hold(day.holdBook && run == 0 ? held : dir / "unused");
                report = RunBackup(settings);
            }
            const LocalTime now = {2026, 12, day.day, run == 0 ? 9 : 22, 30, 0};
            const std::size_t before = shell.Balloons().size();
            ReportRunHealth(report, now, healthDir.path(), tray);

            // The log: a first line, a line per file saying what happened, and the counts.
            const std::string stamp = StampText(now);
            expectedLog +=
                stamp + " バックアップしたで（" + std::to_string(list.size()) + " 個）\r\n";
            for (std::size_t i = 0; i < list.size(); ++i) {
                // The second run of a day finds the stored files unchanged
                // and the hold over.
                std::string word = day.logged[i];
                if (run == 1 && (word == "保存したで" || word == "使用中で読めへん")) {
                    word = "変わってへん";
                }
                expectedLog += "  " + word + "：" + list[i] + "\r\n";
            }
            std::vector<std::string> logLines = LinesOf(ReadBytes(healthDir / "Sorel2.log"));
            std::vector<std::string> expectedLines = LinesOf(expectedLog);
            ASSERT_EQ(logLines.size(), expectedLines.size() + 1) << "day " << day.day;
            logLines.pop_back();  // the counts, checked natively
            expectedLog = ReadBytes(healthDir / "Sorel2.log");
            EXPECT_EQ(logLines, expectedLines) << "day " << day.day << " run " << run;

            // A balloon on the right day, naming the right files; never twice a day.
            std::vector<RecordingShell::Call> balloons = shell.Balloons();
            std::vector<std::string> expected = run == 0 ? day.balloon : std::vector<std::string>{};
            if (expected.empty()) {
                EXPECT_EQ(balloons.size(), before) << "day " << day.day << " run " << run;
                continue;
            }
            ASSERT_EQ(balloons.size(), before + 1) << "day " << day.day << " run " << run;
            for (const std::string& name : expected) {
                EXPECT_NE(balloons.back().text.find(name), std::string::npos)
                    << "day " << day.day << ": " << balloons.back().text;
            }
            EXPECT_EQ(balloons.back().infoFlags, static_cast<DWORD>(NIIF_WARNING));
        }
    }

    // The record says what became of each file, and what the tip says.
    HealthRecord record = ParseHealthRecord(ReadBytes(healthDir / "health.txt"));
    ASSERT_EQ(record.files.size(), list.size());
    EXPECT_EQ(record.files[0].lastOutcome, FileOutcome::kMissing);
    EXPECT_EQ(record.files[0].runsUnprotected, 6);
    EXPECT_EQ(record.files[0].daysUnprotected, 3);
    EXPECT_EQ(record.files[1].lastOutcome, FileOutcome::kUnchanged);
    EXPECT_EQ(record.files[1].lastStored, "2026-12-01 09:30");
    EXPECT_EQ(record.files[2].lastOutcome, FileOutcome::kPathUnusable);
    if (ramDisk) {
        EXPECT_EQ(record.files[3].lastOutcome, FileOutcome::kDiskFull);
        EXPECT_EQ(record.files[3].lastStored, "2026-12-01 09:30");
    }
    EXPECT_EQ(shell.calls.back().tip.find("Ｓｏｒｅｌ２　12/3 22:30　危ないファイルが "), 0u)
        << shell.calls.back().tip;
    // A run that found nothing to do (today already recorded) touches nothing.
    const std::string recordBytes = ReadBytes(healthDir / "health.txt");
    const std::size_t callsBefore = shell.calls.size();
    ReportRunHealth(RunReport{}, {2026, 12, 4, 9, 0, 0}, healthDir.path(), tray);
    EXPECT_EQ(ReadBytes(healthDir / "health.txt"), recordBytes);
    EXPECT_EQ(shell.calls.size(), callsBefore);

    tray.Remove();
    if (ramDisk) {
        for (const char* f :
             {"T:\\health\\backUp\\11big.bin", "T:\\health\\backUp\\~new~big.bin", big.c_str()}) {
            DeleteFileA(f);
        }
        RemoveDirectoryA("T:\\health\\backUp");
        RemoveDirectoryA("T:\\health");
    }
    RemoveSettingsFile();
}

// Whatever state the record and the log are in, the run's report is taken
// without a crash and the record ends whole.
TEST(HealthWin, HeldDamagedOrHugeRecordAndLogCostNothing) {
    RunReport report;
    report.files = {{"C:\\Data\\book.xls", FileOutcome::kStored},
                    {"E:\\usb\\diary.txt", FileOutcome::kMissing}};
    const LocalTime now = {2026, 12, 7, 9, 15, 0};
    struct Case {
        const char* what;
        std::string record;  // "<none>": no file
        std::string log;
        bool holdRecord, holdLog;
        bool recordWritten;
        bool logWritten;
        bool oldLogKept;
    };
    const std::string bigLog(kMaxLogBytes - 100, 'x');
    const Case cases[] = {
        {"missing", "<none>", "<none>", false, false, true, true, false},
        {"damaged", std::string("\x81\0garbage\r\n", 11), "<none>", false, false, true, true,
         false},
        {"huge", std::string(3 * kMaxRecordBytes, 'r'), "<none>", false, false, true, true, false},
        {"held record", "Sorel health 1\r\n", "<none>", true, false, false, true, false},
        {"held log", "<none>", "old lines\r\n", false, true, true, false, false},
        {"full log", "<none>", bigLog, false, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder healthDir;
        HealthFiles files = HealthFilesIn(healthDir.path());
        if (c.record != "<none>") {
            WriteBytes(files.record, c.record);
        }
        if (c.log != "<none>") {
            WriteBytes(files.log, c.log);
        }
        RecordingShell shell;
        TrayIcon tray(shell);
        tray.Add(HWND_MESSAGE, nullptr);
        {
            ExclusiveHold recordHold(c.holdRecord ? files.record : healthDir / "unused");
            ExclusiveHold logHold(c.holdLog ? files.log : healthDir / "unused2");
            ReportRunHealth(report, now, healthDir.path(), tray);
        }
        HealthRecord record = ParseHealthRecord(ReadBytes(files.record));
        EXPECT_EQ(record.files.size(), c.recordWritten ? 2u : 0u);
        EXPECT_FALSE(Exists(files.recordTemp));
        std::string log = ReadBytes(files.log);
        EXPECT_EQ(log.find("見つからへん：E:\\usb\\diary.txt") != std::string::npos, c.logWritten);
        EXPECT_LE(log.size(), kMaxLogBytes);
        EXPECT_EQ(ReadBytes(files.oldLog) == c.log, c.oldLogKept);
        // The tip is set in every case.
        ASSERT_FALSE(shell.calls.empty());
        EXPECT_EQ(shell.calls.back().size, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    }
}

// What the agent remembers stands in for a record it cannot use: one held
// for a moment is waited for, not taken as empty; without a folder, or with a
// record that cannot be written, the tip and the balloon still come, and a
// lasting reason warns once a day.
TEST(HealthWin, RememberedRecordKeepsCountsAndOnceADay) {
    RunReport report;
    report.files = {{"\\\\server\\share\\notes.txt", FileOutcome::kPathUnusable}};
    const LocalTime morning = {2026, 12, 7, 9, 15, 0}, evening = {2026, 12, 7, 22, 0, 0};
    {
        TempFolder healthDir;
        HealthFiles files = HealthFilesIn(healthDir.path());
        WriteBytes(files.record,
                   "Sorel health 1\r\nfile\tpath-unusable\t\t3\t2\t2026-12-06\t2026-12-07\t"
                   "\\\\server\\share\\notes.txt\r\n");
        RecordingShell shell;
        TrayIcon tray(shell);
        tray.Add(HWND_MESSAGE, nullptr);
        HANDLE hold = CreateFileA(files.record.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(hold, INVALID_HANDLE_VALUE);
        HANDLE release = CreateThread(
            nullptr, 0,
            [](void* h) -> DWORD {
                Sleep(300);
                CloseHandle(h);
                return 0;
            },
            hold, 0, nullptr);
        ReportRunHealth(report, morning, healthDir.path(), tray);
        WaitForSingleObject(release, INFINITE);
        CloseHandle(release);
        HealthRecord record = ParseHealthRecord(ReadBytes(files.record));
        ASSERT_EQ(record.files.size(), 1u);
        EXPECT_EQ(record.files[0].runsUnprotected, 4);
        EXPECT_EQ(record.files[0].daysUnprotected, 3);
        EXPECT_TRUE(shell.Balloons().empty());
    }
    for (bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "record cannot be written" : "no folder");
        TempFolder healthDir;
        // A folder where the temporary record goes makes every write fail.
        CreateDirectoryA(HealthFilesIn(healthDir.path()).recordTemp.c_str(), nullptr);
        RecordingShell shell;
        TrayIcon tray(shell);
        tray.Add(HWND_MESSAGE, nullptr);
        HealthRecord memory;
        const std::string where = folder ? healthDir.path() : std::string();
        ReportRunHealth(report, morning, where, tray, memory);
        ReportRunHealth(report, evening, where, tray, memory);
        EXPECT_EQ(shell.Balloons().size(), 1u);
        EXPECT_EQ(shell.calls.back().tip, "Ｓｏｒｅｌ２　12/7 22:00　危ないファイルが 1 個あるで");
    }
    // The second copies alone: nothing noted while every one is in place; a
    // week of use with the place away asks for it, through the record file.
    TempFolder healthDir;
    HealthFiles files = HealthFilesIn(healthDir.path());
    RecordingShell shell;
    TrayIcon tray(shell);
    tray.Add(HWND_MESSAGE, nullptr);
    RunReport copies;
    copies.place = {true,       true,
                    "E:\\控え", {{"C:\\a.txt", SecondCopyOutcome::kPresent, "2026-12-01"}},
                    false,      {}};
    ReportRunHealth(copies, morning, healthDir.path(), tray);
    EXPECT_FALSE(Exists(files.log));
    copies.place = {true,  false, "E:\\控え", {{"C:\\a.txt", SecondCopyOutcome::kPlaceAway, ""}},
                    false, {}};
    for (int day = 1; day <= 7; ++day) {
        ReportRunHealth(copies, {2026, 12, day, 9, 0, 0}, healthDir.path(), tray);
        EXPECT_EQ(shell.Balloons().size(), day == 7 ? 1u : 0u) << day;
    }
    EXPECT_NE(shell.Balloons()[0].text.find("（E:）をつないでな"), std::string::npos);
    EXPECT_NE(ReadBytes(files.log).find("控えの場所が見つからへん：E:\\控え"), std::string::npos);
    EXPECT_NE(ReadBytes(files.record).find("\t7\t2026-12-07\taway\tC:\\a.txt\r\n"),
              std::string::npos);
}

// The addition keeps the oldest record; an addition that timed out with the
// icon in place is no error, and the icon is removed at quit either way.
TEST(HealthWin, TrayAddsWithTheOldRecordAndChangesWithTheNewer) {
    struct Case {
        bool addsAccepted;
        int modifiesRefused;
        bool added;
        int adds;
    };
    const Case cases[] = {
        {true, 0, true, 1},        // the plain case
        {false, 2, true, 3},       // timed out: the third retry's check finds the icon
        {false, 1000, false, 12},  // no taskbar at all
    };
    for (const Case& c : cases) {
        RecordingShell shell;
        shell.addsAccepted = c.addsAccepted;
        shell.modifiesRefused = c.modifiesRefused;
        TrayIcon tray(shell);
        EXPECT_EQ(tray.Add(HWND_MESSAGE, nullptr), c.added);
        int adds = 0;
        for (const auto& call : shell.calls) {
            if (call.message == NIM_ADD) {
                ++adds;
                EXPECT_EQ(call.size, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
                EXPECT_EQ(call.flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
                EXPECT_EQ(call.tip, "Ｓｏｒｅｌ２");
            }
        }
        EXPECT_EQ(adds, c.adds);
        shell.calls.clear();
        tray.ShowBalloon("Ｓｏｒｅｌ２　tip", "title", "text");
        ASSERT_EQ(shell.calls.size(), 1u);
        EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(shell.calls[0].size, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
        EXPECT_EQ(shell.calls[0].flags, static_cast<UINT>(NIF_TIP | NIF_INFO));
        tray.Remove();
        tray.Remove();
        ASSERT_EQ(shell.calls.size(), 2u);
        EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_DELETE));
        EXPECT_EQ(shell.calls[1].size, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    }
}

// The real shell takes the balloon on an icon added with the oldest record.
TEST(HealthWin, RealShellShowsTheBalloon) {
    WaitForDesktop();
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    TrayIcon tray;
    ASSERT_TRUE(tray.Add(window, LoadIconA(nullptr, MAKEINTRESOURCEA(32515))));
    BalloonText balloon = BalloonFor({{"E:\\usb\\diary.txt", FileOutcome::kMissing}});
    EXPECT_TRUE(
        tray.ShowBalloon("Ｓｏｒｅｌ２　危ないファイルが 1 個あるで", balloon.title, balloon.text));
    EXPECT_TRUE(tray.SetTip("Ｓｏｒｅｌ２　12/7 9:15 に 3 個保存"));
    tray.Remove();
    DestroyWindow(window);
}

// A settings window open already is told to ask about held-back content:
// at the front already, it would get no activation to ask on.
TEST(HealthWin, OpenSettingsWindowAsksAnOpenWindowAboutHeldBackContent) {
    WNDCLASSA settingsClass = {};
    settingsClass.lpfnWndProc = DefWindowProcA;
    settingsClass.lpszClassName = "NORMAL0";
    ASSERT_TRUE(RegisterClassA(&settingsClass));
    HWND settings = CreateWindowExA(0, "NORMAL0", "ソ レ ル", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                    0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(OpenSettingsWindow());
    MSG asked;
    EXPECT_TRUE(PeekMessageA(&asked, settings, kAskHeldBackAgain, kAskHeldBackAgain, PM_REMOVE));
    DestroyWindow(settings);
    UnregisterClassA("NORMAL0", nullptr);
}

// A double click on the agent's icon, or a click on its balloon, starts the
// settings window from the folder in line 1, or brings it to the front.
TEST(HealthWin, TrayClickOpensTheSettingsWindow) {
    WaitForDesktop();
    RemoveSettingsFile();
    std::string folder = BesideTestProgram("");
    WriteBytes(SettingsFilePath(), JoinLines({folder + "=221", "2000年1月1日"}));
    Program agent(BesideTestProgram("Sorel2.exe"), "kirum");
    HWND agentWindow = WaitForWindow(agent.pid(), "NORMAL0", "Ｓｏｒｅｌ");
    ASSERT_TRUE(agentWindow);

    PostMessageA(agentWindow, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    HWND settings = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (settings = FindWindowA("NORMAL0", "ソ レ ル")) != nullptr; }, 20000));
    DWORD settingsPid = 0;
    GetWindowThreadProcessId(settings, &settingsPid);
    EXPECT_NE(settingsPid, agent.pid());
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(settings); }, 5000));

    // Minimised again, then the balloon clicked: the same window comes back.
    ShowWindow(settings, SW_MINIMIZE);
    PostMessageA(agentWindow, kTrayCallbackMessage, kTrayIconId, NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(settings); }, 5000));
    Sleep(500);
    int settingsWindows = 0;
    EnumWindows(
        [](HWND w, LPARAM count) -> BOOL {
            char title[32] = {};
            GetWindowTextA(w, title, sizeof title);
            *reinterpret_cast<int*>(count) += lstrcmpA(title, "ソ レ ル") == 0;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&settingsWindows));
    EXPECT_EQ(settingsWindows, 1);

    // No folder in line 1: the agent says so instead of starting anything.
    KernelHandle settingsProcess(OpenProcess(PROCESS_TERMINATE, FALSE, settingsPid));
    TerminateProcess(settingsProcess.get(), 0);
    WaitUntil([&] { return FindWindowA("NORMAL0", "ソ レ ル") == nullptr; }, 5000);
    WriteBytes(SettingsFilePath(), JoinLines({"221", "2000年1月1日"}));
    PostMessageA(agentWindow, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    MessageBoxSeen box = WaitForMessageBox(agent.pid());
    ASSERT_TRUE(box);
    EXPECT_NE(box.text.find("見つからへんかった"), std::string::npos) << box.text;
    PressDialogButton(box.window, IDOK);
    agent.Kill();
    RemoveSettingsFile();
}
