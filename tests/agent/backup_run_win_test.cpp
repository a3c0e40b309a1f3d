// The agent's settings-file operations and backup run against real files
// under Wine.
#include <gtest/gtest.h>

#include <thread>

#include "backup_run.h"
#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"

using namespace sorel;
using namespace sorel::test;

namespace {

const char kOldDate[] = "2009年4月19日";
const char kHeader[] = "C:\\Tools\\Sorel\\=221";

class BackupRunTest : public ::testing::Test {
  protected:
    void SetUp() override { RemoveSettingsFile(); }
    void TearDown() override { RemoveSettingsFile(); }

    void WriteSettings(const std::vector<std::string>& paths, const std::string& date = kOldDate) {
        std::vector<std::string> lines = {kHeader, date};
        lines.insert(lines.end(), paths.begin(), paths.end());
        WriteBytes(SettingsFilePath(), JoinLines(lines));
    }
    std::vector<std::string> SettingsLines() { return ReadAllLines(ReadBytes(SettingsFilePath())); }

    RunReport ReadAndRun() {
        ReadBackupList(held);
        return RunBackup(held);
    }

    // Writes `content` as the listed file's new state, last written at noon UTC.
    static void Edit(const std::string& file, const std::string& content, int day) {
        WriteBytes(file, content);
        SetLastWriteUtc(file, 2009, 4, day);
    }

    TempFolder dir;
    HeldSettings held;
};

}  // namespace

TEST_F(BackupRunTest, ThreeGenerationsOverFourDays) {
    std::string book = dir / "Data\\book.xls";
    CreateDirectoryA((dir / "Data").c_str(), nullptr);
    std::string g1 = dir / "Data\\backUp\\11book.xls";
    std::string g2 = dir / "Data\\backUp\\22book.xls";
    std::string g3 = dir / "Data\\backUp\\33book.xls";
    WriteSettings({book});

    Edit(book, "state 1", 20);
    EXPECT_EQ(ReadAndRun().handled, 1);
    EXPECT_EQ(ReadBytes(g1), "state 1");
    EXPECT_FALSE(Exists(g2));
    EXPECT_FALSE(Exists(g3));
    EXPECT_EQ(SettingsLines()[1], TodayText());

    WriteSettings({book});
    Edit(book, "state 2", 21);
    EXPECT_EQ(ReadAndRun().handled, 1);
    EXPECT_EQ(ReadBytes(g1), "state 2");
    EXPECT_EQ(ReadBytes(g2), "state 1");
    EXPECT_FALSE(Exists(g3));
    EXPECT_EQ(SettingsLines()[1], TodayText());

    WriteSettings({book});
    Edit(book, "state 3", 22);
    EXPECT_EQ(ReadAndRun().handled, 1);
    EXPECT_EQ(ReadBytes(g1), "state 3");
    EXPECT_EQ(ReadBytes(g2), "state 2");
    EXPECT_EQ(ReadBytes(g3), "state 1");
    // Each generation keeps the last-write time of the state it holds.
    EXPECT_EQ(LastWrite(g1), LastWrite(book));
    EXPECT_EQ(FileDateText(g2), "2009/4/21");
    EXPECT_EQ(FileDateText(g3), "2009/4/20");

    // Day 4: nothing changed, so nothing is copied and the file is not written.
    WriteSettings({book});
    std::string before = ReadBytes(SettingsFilePath());
    RunReport day4 = ReadAndRun();
    EXPECT_EQ(day4.handled, 0);
    EXPECT_EQ(day4.unchanged, 1);
    EXPECT_EQ(ReadBytes(SettingsFilePath()), before);
    EXPECT_EQ(ReadBytes(g3), "state 1");
    // No incoming copy is left behind after any of the runs.
    EXPECT_FALSE(Exists(dir / "Data\\backUp\\~new~book.xls"));
}

TEST_F(BackupRunTest, SameUtcDayIsNotBackedUpAgain) {
    std::string file = dir / "diary.txt";
    WriteSettings({file});
    WriteBytes(file, "morning");
    SetLastWriteUtc(file, 2009, 4, 23, 1, 0);
    EXPECT_EQ(ReadAndRun().handled, 1);
    WriteBytes(file, "evening");
    SetLastWriteUtc(file, 2009, 4, 23, 23, 30);
    EXPECT_EQ(ReadAndRun().handled, 0);
    EXPECT_EQ(ReadBytes(dir / "backUp\\11diary.txt"), "morning");
}

TEST_F(BackupRunTest, FileThatCannotBeOpenedKeepsItsGenerations) {
    std::string book = dir / "book.xls";
    WriteSettings({book});
    for (int day = 20; day <= 22; ++day) {
        Edit(book, "state " + std::to_string(day), day);
        ASSERT_EQ(ReadAndRun().handled, 1);
    }
    WriteSettings({book});
    const std::string before = ReadBytes(SettingsFilePath());
    {
        ExclusiveHold hold(book);  // the file's own program has it open
        ASSERT_TRUE(hold.held());
        RunReport report = ReadAndRun();
        EXPECT_EQ(report.handled, 0);
        EXPECT_EQ(report.skipped, 1);
    }
    DeleteFileA(book.c_str());  // or it has gone
    EXPECT_EQ(ReadAndRun().handled, 0);
    EXPECT_EQ(ReadAndRun().handled, 0);
    EXPECT_EQ(ReadBytes(dir / "backUp\\11book.xls"), "state 22");
    EXPECT_EQ(ReadBytes(dir / "backUp\\22book.xls"), "state 21");
    EXPECT_EQ(ReadBytes(dir / "backUp\\33book.xls"), "state 20");
    EXPECT_EQ(ReadBytes(SettingsFilePath()), before);
}

TEST_F(BackupRunTest, PathsWithoutADriveAreNeverResolvedAgainstTheCurrentFolder) {
    WriteBytes(dir / "book.xls", "x");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(dir.path().c_str());
    WriteSettings({"book.xls", "\\\\server\\share\\book.xls", ".\\book.xls", "C:book.xls"});
    RunReport report = ReadAndRun();
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(report.handled, 0);
    EXPECT_EQ(report.skipped, 4);
    EXPECT_FALSE(Exists(dir / "backUp"));
}

TEST_F(BackupRunTest, FailedCopyCostsNoGenerationAndRecordsNoDate) {
    std::string book = dir / "book.xls";
    WriteSettings({book});
    Edit(book, "old", 20);
    ASSERT_EQ(ReadAndRun().handled, 1);
    WriteSettings({book});
    const std::string before = ReadBytes(SettingsFilePath());
    // A folder in the way of the incoming copy makes the copy fail.
    ASSERT_TRUE(CreateDirectoryA((dir / "backUp\\~new~book.xls").c_str(), nullptr));
    Edit(book, "new", 21);
    RunReport report = ReadAndRun();
    EXPECT_EQ(report.handled, 0);
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(ReadBytes(dir / "backUp\\11book.xls"), "old");
    EXPECT_FALSE(Exists(dir / "backUp\\22book.xls"));
    EXPECT_EQ(ReadBytes(SettingsFilePath()), before);
}

TEST_F(BackupRunTest, StaleIncomingCopyIsCleanedUp) {
    std::string book = dir / "book.xls";
    WriteSettings({book});
    Edit(book, "whole", 20);
    ASSERT_EQ(ReadAndRun().handled, 1);
    // What a run killed during its copy leaves: a part of the file, read-only
    // because the copy takes the source's attributes.
    std::string stale = dir / "backUp\\~new~book.xls";
    WriteBytes(stale, "wh");
    SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadAndRun().unchanged, 1);
    EXPECT_FALSE(Exists(stale));
    EXPECT_EQ(ReadBytes(dir / "backUp\\11book.xls"), "whole");
}

TEST_F(BackupRunTest, ReadOnlyFileKeepsGettingBackedUp) {
    std::string book = dir / "book.xls";
    WriteSettings({book});
    for (int day = 20; day <= 23; ++day) {
        SetFileAttributesA(book.c_str(), FILE_ATTRIBUTE_NORMAL);
        Edit(book, "state " + std::to_string(day), day);
        SetFileAttributesA(book.c_str(), FILE_ATTRIBUTE_READONLY);
        ASSERT_EQ(ReadAndRun().handled, 1) << day;
    }
    EXPECT_EQ(ReadBytes(dir / "backUp\\11book.xls"), "state 23");
    EXPECT_EQ(ReadBytes(dir / "backUp\\22book.xls"), "state 22");
    EXPECT_EQ(ReadBytes(dir / "backUp\\33book.xls"), "state 21");
    // The generations carry the file's attributes.
    EXPECT_TRUE(GetFileAttributesA((dir / "backUp\\11book.xls").c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(book.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(BackupRunTest, StoreNamesForUnusualPaths) {
    CreateDirectoryA((dir / "表").c_str(), nullptr);
    CreateDirectoryA((dir / "other").c_str(), nullptr);
    std::vector<std::string> files = {dir / "表\\予定.xls", dir / "README", dir / "a.b.c",
                                      dir / "data.txt", dir / "other\\data.txt"};
    for (const std::string& f : files) {
        Edit(f, f, 20);
    }
    WriteSettings(files);
    EXPECT_EQ(ReadAndRun().handled, 5);
    EXPECT_EQ(ReadBytes(dir / "表\\backUp\\11予定.xls"), files[0]);
    EXPECT_EQ(ReadBytes(dir / "backUp\\11README"), files[1]);
    EXPECT_EQ(ReadBytes(dir / "backUp\\11a.b.c"), files[2]);
    // Two files of one folder share its backup folder; two of one name in
    // different folders never collide.
    EXPECT_EQ(ReadBytes(dir / "backUp\\11data.txt"), files[3]);
    EXPECT_EQ(ReadBytes(dir / "other\\backUp\\11data.txt"), files[4]);
}

TEST_F(BackupRunTest, FileInADrivesRoot) {
    const std::string root = "C:\\sorel_root_test.xls";
    WriteBytes(root, "root");
    SetLastWriteUtc(root, 2009, 4, 20);
    WriteSettings({root});
    EXPECT_EQ(ReadAndRun().handled, 1);
    EXPECT_EQ(ReadBytes("C:\\backUp\\11sorel_root_test.xls"), "root");
    DeleteFileA("C:\\backUp\\11sorel_root_test.xls");
    RemoveDirectoryA("C:\\backUp");
    DeleteFileA(root.c_str());
}

TEST_F(BackupRunTest, NewDayCheck) {
    std::string file = dir / "a.txt";
    Edit(file, "x", 20);
    WriteSettings({file}, TodayText());
    ReadBackupList(held);
    EXPECT_EQ(RunBackupIfNewDay(held).handled, 0);
    EXPECT_FALSE(Exists(dir / "backUp"));
    WriteSettings({file}, "");
    ReadBackupList(held);
    EXPECT_EQ(RunBackupIfNewDay(held).handled, 1);
    EXPECT_EQ(SettingsLines()[1], TodayText());
}

TEST_F(BackupRunTest, EmptyListWritesNothing) {
    WriteBytes(SettingsFilePath(), std::string(kHeader) + "\r\n" + kOldDate + "\r\n");
    EXPECT_EQ(ReadAndRun().handled, 0);
    EXPECT_EQ(ReadBytes(SettingsFilePath()), std::string(kHeader) + "\r\n" + kOldDate + "\r\n");
    RemoveSettingsFile();
    EXPECT_EQ(ReadAndRun().handled, 0);
    EXPECT_FALSE(Exists(SettingsFilePath()));
}

TEST_F(BackupRunTest, RecordingKeepsAChangeMadeDuringTheRun) {
    std::string a = dir / "a.txt";
    std::string b = dir / "b.txt";
    Edit(a, "a", 20);
    WriteSettings({a});
    ReadBackupList(held);
    // Meanwhile the settings window picks 4時 and adds a file.
    WriteBytes(SettingsFilePath(), JoinLines({"C:\\Tools\\Sorel\\=041", "2009年4月18日", a, b}));
    EXPECT_EQ(RunBackup(held).handled, 1);
    EXPECT_EQ(SettingsLines(),
              (std::vector<std::string>{"C:\\Tools\\Sorel\\=041", TodayText(), a, b}));
}

TEST_F(BackupRunTest, RecordingWaitsBrieflyForAHeldFile) {
    WriteSettings({dir / "x.txt"});
    {
        auto hold = std::make_unique<ExclusiveHold>(SettingsFilePath());
        std::thread release([&] {
            Sleep(300);
            hold.reset();
        });
        EXPECT_TRUE(RecordLastRunDate());
        release.join();
    }
    EXPECT_EQ(SettingsLines()[1], TodayText());
    // Held for longer than the retry: the file is left as it was.
    WriteSettings({dir / "x.txt"});
    const std::string before = ReadBytes(SettingsFilePath());
    {
        ExclusiveHold hold(SettingsFilePath());
        EXPECT_FALSE(RecordLastRunDate());
    }
    EXPECT_EQ(ReadBytes(SettingsFilePath()), before);
}

TEST_F(BackupRunTest, RecordingWaitsForTheOtherProgramsWrite) {
    WriteSettings({dir / "x.txt"});
    const std::string before = ReadBytes(SettingsFilePath());
    {
        // The settings window is in the middle of a change.
        SettingsWriteLock other;
        ASSERT_TRUE(other.held());
        EXPECT_FALSE(SettingsWriteLock().held());
        EXPECT_FALSE(RecordLastRunDate());
        EXPECT_EQ(ReadBytes(SettingsFilePath()), before);
    }
    const std::vector<std::string> changed = {"C:\\Tools\\Sorel\\=061", kOldDate, dir / "y.txt"};
    {
        auto other = std::make_unique<SettingsWriteLock>();
        std::thread release([&] {
            Sleep(300);
            // Its change lands first; the date is recorded on top of it.
            WriteBytes(SettingsFilePath(), JoinLines(changed));
            other.reset();
        });
        EXPECT_TRUE(RecordLastRunDate());
        release.join();
    }
    EXPECT_EQ(SettingsLines(), (std::vector<std::string>{changed[0], TodayText(), changed[2]}));
}

TEST_F(BackupRunTest, RecordingNeverCreatesTheFileAndKeepsEveryLine) {
    EXPECT_FALSE(RecordLastRunDate());
    EXPECT_FALSE(Exists(SettingsFilePath()));
    // LF-only ends, a long line and more lines than the table holds: the
    // rewrite changes line 2 and keeps the rest.
    std::string longLine = "C:\\" + std::string(600, 'x');
    std::string bytes = std::string(kHeader) + "\n" + kOldDate + "\n" + longLine + "\n";
    for (int i = 0; i < 30; ++i) {
        bytes += "C:\\f" + std::to_string(i) + ".txt\n";
    }
    WriteBytes(SettingsFilePath(), bytes);
    EXPECT_TRUE(RecordLastRunDate());
    std::vector<std::string> lines = SettingsLines();
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[1], TodayText());
    EXPECT_EQ(lines[2], longLine);
    EXPECT_EQ(lines[32], "C:\\f29.txt");
}

TEST_F(BackupRunTest, ReadBackupListHoldsWhatItCouldRead) {
    held.headerLine = "held header";
    held.dateLine = "held date";
    ReadBackupList(held);  // no file: the held lines stay
    EXPECT_EQ(held.headerLine, "held header");
    EXPECT_EQ(held.dateLine, "held date");
    EXPECT_EQ(UsedSlotCount(held.backupTable), 0u);

    WriteBytes(SettingsFilePath(), "C:\\X\\=061");  // ends after line 1
    ReadBackupList(held);
    EXPECT_EQ(held.headerLine, "C:\\X\\=061");
    EXPECT_EQ(held.dateLine, "held date");
    EXPECT_EQ(UsedSlotCount(held.backupTable), 0u);

    WriteBytes(SettingsFilePath(),
               "h=221\n d\n\t C:\\a.txt\nC:\\" + std::string(600, 'y') + "\nC:\\b.txt\n");
    ReadBackupList(held);
    EXPECT_EQ(held.dateLine, "d");
    EXPECT_EQ(TablePaths(held.backupTable), (std::vector<std::string>{"C:\\a.txt", "C:\\b.txt"}));

    {
        // Held for a moment, as the settings window does: the read waits.
        auto hold = std::make_unique<ExclusiveHold>(SettingsFilePath());
        std::thread release([&] {
            Sleep(300);
            hold.reset();
        });
        ReadBackupList(held);
        release.join();
        EXPECT_EQ(UsedSlotCount(held.backupTable), 2u);
    }
    ExclusiveHold hold(SettingsFilePath());
    ReadBackupList(held);  // busy for longer: nothing to back up this time
    EXPECT_EQ(UsedSlotCount(held.backupTable), 0u);
}

TEST_F(BackupRunTest, ReadScheduleHeader) {
    ReadScheduleHeader(held);
    EXPECT_EQ(held.scheduleHour, "");
    WriteBytes(SettingsFilePath(), std::string(kHeader) + "\r\n");
    ReadScheduleHeader(held);
    EXPECT_EQ(held.scheduleHour, "22");
    EXPECT_TRUE(held.timedStartFlag);
    RemoveSettingsFile();
    ReadScheduleHeader(held);  // missing: the held values stay
    EXPECT_EQ(held.scheduleHour, "22");
    WriteBytes(SettingsFilePath(), "C:\\X\\=040\r\n");
    {
        // Busy: the held hour stays. An empty one would count as hour 0 and
        // could spend the day's check at midnight.
        ExclusiveHold hold(SettingsFilePath());
        ReadScheduleHeader(held);
        EXPECT_EQ(held.scheduleHour, "22");
        EXPECT_TRUE(held.timedStartFlag);
    }
    ReadScheduleHeader(held);
    EXPECT_EQ(held.scheduleHour, "04");
    EXPECT_FALSE(held.timedStartFlag);
}
