// The agent's settings-file operations and backup run against real files
// under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <random>
#include <thread>

#include "../common/place/place_history.h"
#include "backup_run.h"
#include "health_folder.h"
#include "files.h"
#include "second_copy.h"
#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"
#include "unique_handle.h"

using namespace sorel;
using namespace sorel::test;

namespace {

const char kOldDate[] = "2009年4月19日";
const char kHeader[] = "C:\\Tools\\Sorel\\=221";

// What a test throws from a file step to stand for the process dying there.
struct Killed {};

// The rotation's file calls, counted over a run. Call `failAt` fails with a
// write fault, or with `kill` never returns, as if the power went there;
// `onCall` sees every call before it is made.
class CountingSteps : public FileSteps {
  public:
    int failAt = 0;
    bool kill = false;
    std::function<void(int)> onCall;
    int calls = 0;

    bool Copy(const std::string& from, const std::string& to, const std::atomic<bool>* stop,
              ContentHasher* hash) override {
        return Next() && FileSteps::Copy(from, to, stop, hash);
    }
    bool Rename(const std::string& from, const std::string& to, bool replace) override {
        return Next() && FileSteps::Rename(from, to, replace);
    }

  private:
    bool Next() {
        ++calls;
        if (onCall) {
            onCall(calls);
        }
        if (calls != failAt) {
            return true;
        }
        if (kill) {
            throw Killed{};
        }
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
};

std::vector<FileOutcome> OutcomesOf(const RunReport& report) {
    std::vector<FileOutcome> outcomes;
    for (const FileResult& f : report.files) {
        outcomes.push_back(f.outcome);
    }
    return outcomes;
}

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

    // A folder of its own holding `name` with three generations: "state 20"
    // in 33, "state 21" in 22 and "state 22" in 11, which the file still holds.
    std::string WithThreeGenerations(const std::string& folder, const std::string& name) {
        CreateDirectoryA((dir / folder).c_str(), nullptr);
        std::string file = dir / (folder + "\\" + name);
        WriteSettings({file});
        for (int day = 20; day <= 22; ++day) {
            Edit(file, "state " + std::to_string(day), day);
            EXPECT_EQ(ReadAndRun().handled, 1);
        }
        return file;
    }

    // A place at `place`, marked and chosen in the health folder `health`.
    static void ChoosePlace(const std::string& place, const TempFolder& health) {
        const std::string identity = "{0123ABCD-4567-89AB-CDEF-0123456789AB}";
        CreateDirectoryA(place.c_str(), nullptr);
        CreateDirectoryA((place + "\\Sorel").c_str(), nullptr);
        WriteBytes(place + "\\Sorel\\Sorel.id", FormatPlaceMarker({identity, "PC", "user"}));
        WriteBytes(health / "place.txt", FormatPlaceChoice({place, identity}));
    }

    // Generations 1, 2 and 3 of `file`, "-" for a missing one.
    static std::vector<std::string> Generations(const std::string& file) {
        PathParts parts = SplitPath(file);
        std::vector<std::string> held;
        for (int n = 1; n <= 3; ++n) {
            std::string g = GenerationPath(parts, n);
            held.push_back(Exists(g) ? ReadBytes(g) : "-");
        }
        return held;
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
    // No incoming copy and no lock file is left behind after any of the runs.
    EXPECT_FALSE(Exists(dir / "Data\\backUp\\~new~book.xls"));
    EXPECT_FALSE(Exists(dir / "Data\\backUp\\~lck~book.xls"));
}

// Runs in the tests' own zone (UTC) and again with TZ=Asia/Tokyo.
TEST_F(BackupRunTest, SameLocalDayReplacesGenerationOne) {
    char zone[64] = "";
    GetEnvironmentVariableA("TZ", zone, sizeof zone);
    const bool japan = std::string(zone) == "Asia/Tokyo";
    std::string file = dir / "diary.txt";
    WriteSettings({file});
    using Held = std::vector<std::string>;
    // 10:00 on 23 April in Japan.
    WriteBytes(file, "morning");
    SetLastWriteUtc(file, 2009, 4, 23, 1, 0);
    EXPECT_EQ(ReadAndRun().handled, 1);
    // 18:00 in Japan: the same day everywhere it is tested. Generation 1 now
    // holds the day's last state, and nothing shifts.
    WriteBytes(file, "evening");
    SetLastWriteUtc(file, 2009, 4, 23, 9, 0);
    EXPECT_EQ(ReadAndRun().handled, 1);
    EXPECT_EQ(Generations(file), (Held{"evening", "-", "-"}));
    // Changed with its last-write time put back, as container tools do.
    WriteBytes(file, "evening, longer");
    SetLastWriteUtc(file, 2009, 4, 23, 9, 0);
    EXPECT_EQ(ReadAndRun().handled, 1);
    EXPECT_EQ(ReadAndRun().unchanged, 1);
    // 08:30 on 24 April in Japan, still 23 April in UTC: a new day for a
    // user in Japan.
    WriteBytes(file, "next morning");
    SetLastWriteUtc(file, 2009, 4, 23, 23, 30);
    EXPECT_EQ(ReadAndRun().handled, 1) << zone;
    EXPECT_EQ(Generations(file), japan ? (Held{"next morning", "evening, longer", "-"})
                                       : (Held{"next morning", "-", "-"}));
    EXPECT_FALSE(Exists(IncomingPath(SplitPath(file))));
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
        EXPECT_EQ(report.failed, 1);
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
    EXPECT_EQ(report.failed, 4);
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
    EXPECT_EQ(report.failed, 1);
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
    // Its lock file stays too, but its lock went with the process.
    std::string stale = dir / "backUp\\~new~book.xls";
    WriteBytes(stale, "wh");
    SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_READONLY);
    WriteBytes(dir / "backUp\\~lck~book.xls", "");
    EXPECT_EQ(ReadAndRun().unchanged, 1);
    EXPECT_FALSE(Exists(stale));
    EXPECT_FALSE(Exists(dir / "backUp\\~lck~book.xls"));
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
    // The tick reads line 1 from a bounded prefix of a file grown large.
    WriteBytes(SettingsFilePath(), "C:\\X\\=061\r\n" + std::string(4'000'000, 'z') + "\r\n");
    ReadScheduleHeader(held);
    EXPECT_EQ(held.scheduleHour, "06");
    // A line 1 that goes on beyond the prefix is no header: the held values stay.
    WriteBytes(SettingsFilePath(), std::string(10000, 'y') + "=221\r\n");
    ReadScheduleHeader(held);
    EXPECT_EQ(held.scheduleHour, "06");
    EXPECT_TRUE(held.timedStartFlag);
}

TEST_F(BackupRunTest, RotationCutShortAtAnyStepCostsNoGeneration) {
    const std::vector<std::string> kept = {"state 22", "state 21", "state 20"};
    const std::vector<std::string> completed = {"new", "state 22", "state 21"};
    // A full rotation is four steps: the copy in, 22 to 33, 11 to 22, the
    // copy to 11. Each fails, or the run dies there, in turn.
    for (int step = 1; step <= 4; ++step) {
        for (bool kill : {false, true}) {
            SCOPED_TRACE(testing::Message() << "step " << step << (kill ? " killed" : " failed"));
            std::string book =
                WithThreeGenerations("case" + std::to_string(step) + (kill ? "k" : "f"), "b.xls");
            WriteSettings({book});
            Edit(book, "new", 23);
            CountingSteps steps;
            steps.failAt = step;
            steps.kill = kill;
            ReadBackupList(held);
            int stored = 0;
            try {
                RunReport first = RunBackup(held, nullptr, steps);
                ASSERT_EQ(OutcomesOf(first), std::vector<FileOutcome>{FileOutcome::kCopyFailed});
                EXPECT_EQ(first.handled + first.unchanged, 0);
                EXPECT_FALSE(first.dateRecorded);
                EXPECT_EQ(SettingsLines()[1], kOldDate);
            } catch (const Killed&) {
            }
            EXPECT_EQ(steps.calls, step);

            // The next run, as at the next log-on.
            RunReport next = ReadAndRun();
            stored += next.handled;
            std::vector<std::string> now = Generations(book);
            EXPECT_NE(now == completed, now == kept) << now[0] << "/" << now[1] << "/" << now[2];
            EXPECT_EQ(stored, now == completed ? 1 : 0);
            EXPECT_EQ(SettingsLines()[1], stored ? TodayText() : kOldDate);
            EXPECT_FALSE(Exists(IncomingPath(SplitPath(book))));
            // And the run after that finds nothing to do.
            EXPECT_EQ(OutcomesOf(ReadAndRun()), std::vector<FileOutcome>{FileOutcome::kUnchanged});
        }
    }
}

// 履歴 puts 22 back over the file with its time: the next run makes it 11, and a
// run failing at any rename costs no state, even if the file changes before the next.
TEST_F(BackupRunTest, StatePutBackFromGenerationTwoBecomesGenerationOne) {
    using Held = std::vector<std::string>;
    for (int step = 0; step <= 3; ++step) {
        std::string book = WithThreeGenerations("back" + std::to_string(step), "b.xls");
        ASSERT_TRUE(CopyFileA(GenerationPath(SplitPath(book), 2).c_str(), book.c_str(), FALSE));
        CountingSteps steps;
        steps.failAt = step;
        ReadBackupList(held);
        EXPECT_EQ(RunBackup(held, nullptr, steps).handled, step ? 0 : 1) << step;
        EXPECT_EQ(steps.calls, step ? step : 3);  // no copy
        if (step == 0) {
            EXPECT_EQ(Generations(book), (Held{"state 21", "state 22", "state 20"}));
        }
        Edit(book, "new", 23);
        EXPECT_EQ(ReadAndRun().handled, 1) << step;
        Held now = Generations(book);
        std::sort(now.begin() + 1, now.end());
        EXPECT_EQ(now, (Held{"new", "state 21", "state 22"})) << step;
    }
    // The button of generation 2 puts it over the file and over 11 too: the
    // next change gives up the duplicate, not generation 3.
    std::string book = WithThreeGenerations("button", "b.xls");
    for (const std::string& to : {book, GenerationPath(SplitPath(book), 1)}) {
        ASSERT_TRUE(CopyFileA(GenerationPath(SplitPath(book), 2).c_str(), to.c_str(), FALSE));
    }
    Edit(book, "new", 23);
    EXPECT_EQ(ReadAndRun().handled, 1);
    EXPECT_EQ(Generations(book), (Held{"new", "state 21", "state 20"}));
}

TEST_F(BackupRunTest, HeldGenerationKeepsAllThreeAndCountsNothing) {
    const DWORD kReadDelete = FILE_SHARE_READ | FILE_SHARE_DELETE;
    const DWORD kReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
    struct Row {
        int generation;  // 0: another agent holds the file's lock
        DWORD share;     // the holder's own sharing
        bool changed;    // the listed file was written since generation 1
    } rows[] = {
        {1, 0, false},         {1, kReadDelete, false}, {1, 0, true}, {1, kReadDelete, true},
        {2, 0, true},          {2, kReadDelete, true},  {3, 0, true}, {3, kReadDelete, true},
        {0, kReadWrite, true}, {0, kReadWrite, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "generation " << r.generation << " share " << r.share
                                        << (r.changed ? " changed" : " unchanged"));
        std::string book =
            WithThreeGenerations("held" + std::to_string(r.generation) + "_" +
                                     std::to_string(r.share) + (r.changed ? "c" : "u"),
                                 "b.xls");
        if (r.changed) {
            Edit(book, "new", 23);
        }
        WriteSettings({book});
        const std::string before = ReadBytes(SettingsFilePath());
        {
            // A viewer, a scanner or a sync client has the generation open,
            // or an agent of another user or PC is at work on the file.
            const PathParts parts = SplitPath(book);
            FileHandle holder(CreateFileA(r.generation ? GenerationPath(parts, r.generation).c_str()
                                                       : LockPath(parts).c_str(),
                                          GENERIC_READ, r.share, nullptr, OPEN_ALWAYS, 0, nullptr));
            ASSERT_TRUE(holder);
            OVERLAPPED at = {};
            ASSERT_TRUE(r.generation ||
                        LockFileEx(holder.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
            RunReport report = ReadAndRun();
            // An unchanged file's store is left as it is: it is protected,
            // and needs no lock for that.
            const bool unchanged = r.generation == 0 && !r.changed;
            EXPECT_EQ(OutcomesOf(report),
                      std::vector<FileOutcome>{unchanged ? FileOutcome::kUnchanged
                                                         : FileOutcome::kGenerationHeld});
            EXPECT_EQ(report.failed, unchanged ? 0 : 1);
            EXPECT_EQ(report.handled, 0);
        }
        EXPECT_EQ(Generations(book),
                  (std::vector<std::string>{"state 22", "state 21", "state 20"}));
        EXPECT_EQ(ReadBytes(SettingsFilePath()), before);
        EXPECT_FALSE(Exists(IncomingPath(SplitPath(book))));
        // Released: the next run carries on as usual.
        EXPECT_EQ(
            OutcomesOf(ReadAndRun()),
            std::vector<FileOutcome>{r.changed ? FileOutcome::kStored : FileOutcome::kUnchanged});
    }
}

TEST_F(BackupRunTest, EveryFileGetsItsExactOutcome) {
    auto file = [&](const char* name) { return dir / name; };
    for (const char* name : {"unchanged.txt", "held.txt", "genheld.txt", "blocked.txt",
                             "written.txt", "genfolder.txt"}) {
        Edit(file(name), name, 20);
    }
    WriteSettings({file("unchanged.txt"), file("held.txt"), file("genheld.txt"),
                   file("blocked.txt"), file("written.txt"), file("genfolder.txt")});
    ASSERT_EQ(ReadAndRun().handled, 6);
    for (const char* name :
         {"stored.txt", "held.txt", "genheld.txt", "blocked.txt", "written.txt", "genfolder.txt"}) {
        Edit(file(name), "new", 21);
    }
    // A folder in the way of the incoming copy makes the copy fail; one at
    // generation 2's name leaves the rotation nowhere to go.
    ASSERT_TRUE(CreateDirectoryA((dir / "backUp\\~new~blocked.txt").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "backUp\\22genfolder.txt").c_str(), nullptr));
    char absent[] = "?:\\data\\book.xls";  // a drive that is not there
    for (char letter = 'Q'; letter > 'D' && absent[0] == '?'; --letter) {
        if (!(GetLogicalDrives() & (1u << (letter - 'A')))) {
            absent[0] = letter;
        }
    }
    // A file the user may not read: made by the unprivileged run's script.
    char unreadable[MAX_PATH] = "";
    const bool denied = GetEnvironmentVariableA("SOREL_UNREADABLE_FILE", unreadable, MAX_PATH) > 0;
    const std::vector<std::string> listed = {file("stored.txt"),
                                             file("unchanged.txt"),
                                             file("gone.txt"),
                                             file("no\\such.txt"),
                                             absent,
                                             file("held.txt"),
                                             file("written.txt"),
                                             file("genheld.txt"),
                                             file("genfolder.txt"),
                                             "\\\\srv\\s\\a.txt",
                                             "C:\\" + std::string(250, 'x'),
                                             file("a<b|c.txt"),
                                             dir.path() + "backUp",
                                             "\\\\?\\" + file("stored.txt"),
                                             denied ? unreadable : file("gone.txt"),
                                             file("blocked.txt")};
    const FileOutcome notReadable = denied ? FileOutcome::kNoAccess : FileOutcome::kMissing;
    const std::vector<FileOutcome> expected = {
        FileOutcome::kStored,       FileOutcome::kUnchanged,      FileOutcome::kMissing,
        FileOutcome::kMissing,      FileOutcome::kMissing,        FileOutcome::kHeld,
        FileOutcome::kHeld,         FileOutcome::kGenerationHeld, FileOutcome::kGenerationFolder,
        FileOutcome::kPathUnusable, FileOutcome::kPathUnusable,   FileOutcome::kNameUnusable,
        FileOutcome::kNameUnusable, FileOutcome::kNameUnusable,   notReadable,
        FileOutcome::kCopyFailed};
    WriteSettings(listed);
    RunReport report;
    {
        ExclusiveHold hold(file("held.txt"));
        // Its program writes it and lets others read and write as well.
        FileHandle writer(CreateFileA(file("written.txt").c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        ASSERT_TRUE(writer);
        ExclusiveHold holdGeneration(dir / "backUp\\11genheld.txt");
        report = ReadAndRun();
    }
    EXPECT_EQ(OutcomesOf(report), expected);
    ASSERT_EQ(report.files.size(), listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(report.files[i].path, listed[i]);
    }
    EXPECT_EQ(report.handled, 1);
    EXPECT_EQ(report.unchanged, 1);
    EXPECT_EQ(report.failed, 14);
    EXPECT_TRUE(report.dateRecorded);
    EXPECT_EQ(SettingsLines()[1], TodayText());
    EXPECT_EQ(ReadBytes(dir / "backUp\\11genheld.txt"), "genheld.txt");
    EXPECT_EQ(ReadBytes(dir / "backUp\\11blocked.txt"), "blocked.txt");
}

TEST_F(BackupRunTest, GuardLetsRealChangesThroughAndHoldsBackEncryptedContent) {
    // An .xls saved again, through the system's structured storage.
    auto xls = [&](const wchar_t* stream) {
        const std::wstring path = std::wstring(dir.path().begin(), dir.path().end()) + L"book.tmp";
        IStorage* storage = nullptr;
        IStream* made = nullptr;
        const DWORD mode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
        EXPECT_EQ(StgCreateDocfile(path.c_str(), mode, 0, &storage), S_OK);
        storage->CreateStream(stream, mode, 0, 0, &made);
        made->Release();
        storage->Release();
        return ReadBytes(dir / "book.tmp");
    };
    std::vector<std::pair<std::string, std::string>> pairs = {{xls(L"Workbook"), xls(L"Book")}};
    std::string samples = "Z:" SOREL_GUARD_SAMPLES "\\";
    std::replace(samples.begin(), samples.end(), '/', '\\');
    for (const char* kind : {"docx", "sjis", "utf8", "jpeg", "packed"}) {
        pairs.push_back({ReadBytes(samples + kind + ".1"), ReadBytes(samples + kind + ".2")});
    }
    // A ledger of a megabyte, encrypted below past its first 128 KB only: the
    // agent reads the guard's blocks through the whole file.
    std::string ledger;
    while (ledger.size() < 1024 * 1024) {
        ledger += "12月1日\t食費\t1370円\r\n";
    }
    pairs.push_back({ledger, ledger + "年越し\r\n"});
    // Each kind twice: once changed as its program would, once encrypted.
    std::mt19937 random(18);
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        for (const char* way : {"saved", "locked"}) {
            listed.push_back(dir / (way + std::to_string(i) + ".dat"));
            Edit(listed.back(), pairs[i].first, 20);
        }
    }
    WriteSettings(listed);
    ASSERT_EQ(ReadAndRun().handled, static_cast<int>(listed.size()));
    std::vector<FileOutcome> expected;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        std::string encrypted(pairs[i].second.size(), '\0');
        std::generate(encrypted.begin(), encrypted.end(), [&] { return char(random()); });
        if (i + 1 == pairs.size()) {
            encrypted.replace(0, 128 * 1024, pairs[i].second, 0, 128 * 1024);
        }
        Edit(listed[2 * i], pairs[i].second, 21);
        Edit(listed[2 * i + 1], encrypted, 21);
        expected.insert(expected.end(), {FileOutcome::kStored, FileOutcome::kContentSuspect});
    }
    WriteSettings(listed);
    EXPECT_EQ(OutcomesOf(ReadAndRun()), expected);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        // Held back: the last good state stays generation 1, nothing shifts,
        // and no second copy takes the new state.
        EXPECT_EQ(Generations(listed[2 * i + 1]),
                  (std::vector<std::string>{pairs[i].first, "-", "-"}));
        EXPECT_TRUE(HeldBackNow(listed[2 * i + 1], {}));
        EXPECT_FALSE(HeldBackNow(listed[2 * i], {}));
    }
    // Once the user accepts a held-back state, the next run stores it, and
    // the acceptance is spent. Those that can never be used go with it: one
    // of a file no longer listed, and one of a state its file has left.
    const std::string accepted = listed[1];
    ASSERT_TRUE(WriteAcceptedStates({{accepted, LastWrite(accepted), ReadBytes(accepted).size()},
                                     {dir / "unlisted.dat", 1, 1},
                                     {listed[3], 1, 1}}));
    WriteSettings(listed);
    const RunReport next = ReadAndRun();
    EXPECT_EQ(next.files[1].outcome, FileOutcome::kStored);
    EXPECT_EQ(next.files[3].outcome, FileOutcome::kContentSuspect);
    EXPECT_TRUE(ReadAcceptedStates().empty());
    EXPECT_FALSE(HeldBackNow(accepted, {}));
    DeleteFileA(AcceptedStatesPath().c_str());
}

TEST_F(BackupRunTest, StopFinishesTheFileInProgressAndStartsNoOther) {
    std::vector<std::string> files = {dir / "a.txt", dir / "b.txt", dir / "c.txt"};
    for (const std::string& f : files) {
        Edit(f, f, 20);
    }
    WriteSettings(files);
    std::atomic<bool> stop{true};
    ReadBackupList(held);
    RunReport none = RunBackup(held, &stop);
    EXPECT_EQ(OutcomesOf(none), std::vector<FileOutcome>(3, FileOutcome::kNotReached));
    EXPECT_EQ(none.failed, 3);
    EXPECT_FALSE(none.dateRecorded);
    EXPECT_FALSE(Exists(dir / "backUp"));
    EXPECT_EQ(SettingsLines()[1], kOldDate);

    // The user logs off while the first file is being renamed into place:
    // the renames finish, and no date is recorded for a run cut short. While
    // it is copied, no other program may write it.
    stop = false;
    CountingSteps steps;
    steps.onCall = [&](int call) {
        if (call == 1) {
            FileHandle writer(CreateFileA(files[0].c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
            EXPECT_EQ(writer ? 0 : GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        stop = call == 2;
    };
    RunReport report = RunBackup(held, &stop, steps);
    EXPECT_EQ(OutcomesOf(report),
              (std::vector<FileOutcome>{FileOutcome::kStored, FileOutcome::kNotReached,
                                        FileOutcome::kNotReached}));
    EXPECT_EQ(report.handled, 1);
    EXPECT_EQ(report.failed, 2);
    EXPECT_FALSE(report.dateRecorded);
    EXPECT_EQ(SettingsLines()[1], kOldDate);
    EXPECT_EQ(ReadBytes(dir / "backUp\\11a.txt"), files[0]);
    EXPECT_FALSE(Exists(dir / "backUp\\11b.txt"));
    EXPECT_FALSE(Exists(dir / "backUp\\~new~a.txt"));

    // Told to stop as a copy begins: the copy is cut off before its next
    // block, leaves nothing behind, and the generations stay as they were.
    Edit(files[0], "later", 21);
    stop = false;
    steps.onCall = [&](int) { stop = true; };
    EXPECT_EQ(OutcomesOf(RunBackup(held, &stop, steps)),
              std::vector<FileOutcome>(3, FileOutcome::kNotReached));
    EXPECT_EQ(Generations(files[0]), (std::vector<std::string>{files[0], "-", "-"}));
    EXPECT_FALSE(Exists(dir / "backUp\\~new~a.txt"));
    EXPECT_EQ(SettingsLines()[1], kOldDate);
}

// A place on a drive that keeps times to 2 seconds, as a FAT-formatted USB
// stick does (tools/with-slowfs.sh), but does not say so (Wine names it
// NTFS, as some shares do): the copy counts as checked, and the next
// run finds it in place instead of copying it again.
TEST_F(BackupRunTest, SecondCopyOnADriveWithCoarseTimes) {
    char drive[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SOREL_COARSE_DRIVE", drive, MAX_PATH)) {
        GTEST_SKIP() << "no coarse drive: run as root with FUSE through tools/with-slowfs.sh";
    }
    const std::string file = dir / "家計簿.xls";
    Edit(file, "state 20", 20);
    // 1.23 s past the minute: a time FAT cannot keep.
    const unsigned long long odd = LastWrite(file) + 12'345'678;
    const FILETIME time = {static_cast<DWORD>(odd), static_cast<DWORD>(odd >> 32)};
    {
        FileHandle edit(CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr));
        ASSERT_TRUE(edit && SetFileTime(edit.get(), nullptr, nullptr, &time));
    }
    const std::string place = std::string(drive) + "控え";
    TempFolder health;
    ChoosePlace(place, health);
    for (SecondCopyOutcome expected : {SecondCopyOutcome::kCopied, SecondCopyOutcome::kPresent}) {
        const PlaceReport report =
            RunSecondCopies(health.path(), {file}, nullptr, SystemFileSteps());
        ASSERT_EQ(report.files.size(), 1u);
        EXPECT_EQ(report.files[0].outcome, expected);
    }
}

// A FAT32 stick (tools/with-placefs.sh: times kept to 2 seconds, no file of
// 4 GiB or more, and a drive that can be pulled while the test runs). Wine
// cannot name a FUSE drive FAT32, so the file steps do.
TEST_F(BackupRunTest, SecondCopyOnAFat32StickPlaceFs) {
    char drive[MAX_PATH] = {};
    char control[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SOREL_PLACEFS_DRIVE", drive, MAX_PATH) ||
        !GetEnvironmentVariableA("SOREL_PLACEFS_CONTROL", control, MAX_PATH)) {
        GTEST_SKIP() << "no FAT32-like place: run as root with FUSE through tools/with-placefs.sh";
    }
    struct Fat32Steps : CountingSteps {
        std::string FileSystemName(const std::string&) override { return "FAT32"; }
    } steps;
    auto set = [&](const char* json) { WriteBytes("Z:" + std::string(control), json); };
    set(R"({"fat2s": true, "maxsize": 4294967295})");
    using C = SecondCopyOutcome;
    const std::string place = std::string(drive) + "控え";
    TempFolder health;
    ChoosePlace(place, health);
    const std::vector<std::string> files = {dir / "a.txt", dir / "big.bin", dir / "b.txt"};
    Edit(files[0], "state 20", 20);
    Edit(files[2], "other 20", 20);
    {
        // 4 GiB and a byte, sparse: nothing of it may reach the stick.
        FileHandle big(
            CreateFileA(files[1].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = (1LL << 32) + 1;
        ASSERT_TRUE(big && SetFilePointerEx(big.get(), end, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(big.get()));
    }
    auto run = [&] {
        std::vector<C> outcomes;
        for (const SecondCopyResult& r :
             RunSecondCopies(health.path(), files, nullptr, steps).files) {
            outcomes.push_back(r.outcome);
        }
        return outcomes;
    };
    const DWORD before = GetTickCount();
    EXPECT_EQ(run(), (std::vector<C>{C::kCopied, C::kTooLarge, C::kCopied}));
    EXPECT_LT(GetTickCount() - before, 5000u);
    EXPECT_EQ(steps.calls, 4);  // two copies and their renames: none for the large file
    // A change of the same size, saved a second after the version's time:
    // FAT cannot tell it by the time, the manifest can.
    const unsigned long long first = LastWrite(files[0]);
    WriteBytes(files[0], "state 2X");
    const FILETIME later = {static_cast<DWORD>(first + 10'000'000),
                            static_cast<DWORD>((first + 10'000'000) >> 32)};
    {
        FileHandle edit(CreateFileA(files[0].c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(edit && SetFileTime(edit.get(), nullptr, nullptr, &later));
    }
    EXPECT_EQ(run(), (std::vector<C>{C::kCopied, C::kTooLarge, C::kPresent}));
    // The stick pulled as the first copy begins: that file and every one
    // after it are away, and nothing is left behind once it is back.
    Edit(files[0], "state 21", 21);
    Edit(files[2], "other 21", 21);
    steps.onCall = [&](int) { set(R"({"fat2s": true, "yank": true})"); };
    EXPECT_EQ(run(), (std::vector<C>{C::kPlaceAway, C::kPlaceAway, C::kPlaceAway}));
    steps.onCall = nullptr;
    set(R"({"fat2s": true, "maxsize": 4294967295})");
    EXPECT_EQ(run(), (std::vector<C>{C::kCopied, C::kTooLarge, C::kCopied}));
    const std::string folder =
        PcVersionsFolder(place + "\\Sorel") + "\\" + FileFolderName(files[0]);
    EXPECT_FALSE(Exists(folder + "\\~copy a.txt"));
    EXPECT_EQ(ReadBytes(folder + "\\2009-04-21 a.txt"), "state 21");
}

TEST_F(BackupRunTest, PathsNearTheLengthLimit) {
    // Folders nested down to 200 characters, then file names that take the
    // whole path to 240..259 characters; a second set with double-byte
    // folder names, longer in bytes than in characters.
    auto chars = [](const std::string& text) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < text.size(); i += IsCp932LeadByte(text[i]) ? 2 : 1) {
            ++n;
        }
        return n;
    };
    std::vector<std::string> listed;
    for (bool wide : {false, true}) {
        std::string folder = dir / (wide ? "w" : "n");
        CreateDirectoryA(folder.c_str(), nullptr);
        while (chars(folder) < 190) {
            folder += "\\" + (wide ? std::string("表表表表表表表表表表表表表表表表表表表表")
                                   : std::string(20, 'f'));
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder.size();
        }
        folder += "\\";
        for (std::size_t length : {240, 245, 247, 248, 249, 253, 259}) {
            std::string name(length - chars(folder), 'n');
            name.replace(name.size() - 4, 4, ".txt");
            listed.push_back(folder + name);
            WriteBytes(listed.back(), listed.back());
            SetLastWriteUtc(listed.back(), 2009, 4, 20);
            ASSERT_TRUE(Exists(listed.back())) << length;
        }
    }
    WriteSettings(listed);
    RunReport report = ReadAndRun();
    ASSERT_EQ(report.files.size(), listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const std::string& path = listed[i];
        const bool storable = AgentCanStore(path);
        SCOPED_TRACE(testing::Message() << path.size() << " bytes, storable " << storable);
        EXPECT_EQ(report.files[i].outcome,
                  storable ? FileOutcome::kStored : FileOutcome::kPathUnusable);
        PathParts parts = SplitPath(path);
        EXPECT_EQ(ReadBytes(GenerationPath(parts, 1)), storable ? path : "<missing>");
        EXPECT_FALSE(Exists(IncomingPath(parts)));
    }
    EXPECT_EQ(report.handled, 6);  // 240, 245 and 247 characters, both sets
    // The next run: stored ones are unchanged, the others still not counted.
    report = ReadAndRun();
    EXPECT_EQ(report.handled, 0);
    EXPECT_EQ(report.unchanged, 6);
    // Only paths too long: nothing counted, no date recorded.
    WriteSettings({listed[3], listed[6], listed[13]});
    const std::string before = ReadBytes(SettingsFilePath());
    report = ReadAndRun();
    EXPECT_EQ(OutcomesOf(report), std::vector<FileOutcome>(3, FileOutcome::kPathUnusable));
    EXPECT_FALSE(report.dateRecorded);
    EXPECT_EQ(ReadBytes(SettingsFilePath()), before);
}

// The second copy over several runs: on a network share, at a foreign folder
// where nothing may be created, back under another drive letter, cut off
// before its rename, stopped by a log-off, on a full place, and thinned.
TEST_F(BackupRunTest, SecondCopyFindsItsPlaceAndKeepsWholeVersionsAlsoOfReadOnlyFiles) {
    using C = SecondCopyOutcome;
    const std::string identity = "{0123ABCD-4567-89AB-CDEF-0123456789AB}";
    CreateDirectoryA((dir / "表").c_str(), nullptr);
    CreateDirectoryA((dir / "other").c_str(), nullptr);
    // Two files of one name in different folders.
    const std::vector<std::string> files = {dir / "表\\家計簿.xls", dir / "other\\家計簿.xls"};
    Edit(files[0], "state 20", 20);
    Edit(files[1], "other 20", 20);
    TempFolder health;
    auto choose = [&](const std::string& folder, const std::string& id) {
        WriteBytes(health / "place.txt", FormatPlaceChoice({folder, id}));
    };
    auto mark = [&](const std::string& folder, const std::string& id) {
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\Sorel").c_str(), nullptr);
        WriteBytes(folder + "\\Sorel\\Sorel.id", FormatPlaceMarker({id, "PC", "user"}));
    };
    auto run = [&](FileSteps& steps, const std::atomic<bool>* stop = nullptr) {
        PlaceReport report = RunSecondCopies(health.path(), files, stop, steps);
        std::vector<C> outcomes;
        for (const SecondCopyResult& r : report.files) {
            outcomes.push_back(r.outcome);
        }
        return outcomes;
    };
    // This PC's versions, in a folder of its own below the marker's.
    auto folderOf = [&](const std::string& place, int i) {
        return PcVersionsFolder(place + "\\Sorel") + "\\" +
               FileFolderName(files[i], IsSystemLeadByte);
    };
    auto version = [&](const std::string& place, int i, const std::string& day) {
        return folderOf(place, i) + "\\" + day + " 家計簿.xls";
    };
    CountingSteps steps;

    // No place chosen: nothing to do.
    EXPECT_FALSE(RunSecondCopies(health.path(), files, nullptr, steps).chosen);

    // A network share.
    const std::string share = "\\\\server\\share\\控え";
    if (GetFileAttributesA("\\\\server\\share") != INVALID_FILE_ATTRIBUTES) {
        mark(share, identity);
        choose(share, identity);
        EXPECT_EQ(run(steps), (std::vector<C>{C::kCopied, C::kCopied}));
        EXPECT_EQ(ReadBytes(version(share, 0, "2009-04-20")), "state 20");
        EXPECT_EQ(ReadBytes(version(share, 1, "2009-04-20")), "other 20");
        EXPECT_EQ(LastWrite(version(share, 0, "2009-04-20")), LastWrite(files[0]));
        EXPECT_EQ(run(steps), (std::vector<C>{C::kPresent, C::kPresent}));
        // A later state of the same day replaces that day's version.
        WriteBytes(files[0], "state 20 evening");
        SetLastWriteUtc(files[0], 2009, 4, 20, 13);
        EXPECT_EQ(run(steps), (std::vector<C>{C::kCopied, C::kPresent}));
        EXPECT_EQ(ReadBytes(version(share, 0, "2009-04-20")), "state 20 evening");
    } else {
        std::printf("no share \\\\server\\share: its case is skipped\n");
    }

    // A folder of our own standing in for a drive of its own.
    const std::string drive = GetDriveTypeA("T:\\") == DRIVE_NO_ROOT_DIR ? dir.path() : "T:\\";
    const std::string place = drive + "控え";
    // A foreign folder at the path, without a marker or with another
    // identity: nothing is created there.
    CreateDirectoryA(place.c_str(), nullptr);
    choose(place, identity);
    EXPECT_EQ(run(steps), (std::vector<C>{C::kPlaceAway, C::kPlaceAway}));
    EXPECT_FALSE(Exists(place + "\\Sorel"));
    mark(place, "{0123ABCD-4567-89AB-CDEF-FFFFFFFFFFFF}");
    EXPECT_EQ(run(steps), (std::vector<C>{C::kPlaceAway, C::kPlaceAway}));
    WIN32_FIND_DATAA found;
    FindHandle only(FindFirstFileA((place + "\\Sorel\\*").c_str(), &found));
    int entries = 0;
    do {
        entries += found.cFileName[0] != '.';
    } while (only && FindNextFileA(only.get(), &found));
    EXPECT_EQ(entries, 1);

    // Chosen on a letter with no drive, found under another one.
    mark(place, identity);
    if (drive == "T:\\") {
        char free = 'Z';
        while (GetDriveTypeA((std::string(1, free) + ":\\").c_str()) != DRIVE_NO_ROOT_DIR) {
            --free;
        }
        choose(std::string(1, free) + ":\\控え", identity);
    }
    // Old versions, kept before each PC had a folder of its own: this PC
    // takes them over. Those the history keeps stay, the rest go once a new
    // version is in place; a version of another file is never touched, and
    // one saved while the clock read 2030 makes none of them look old.
    const std::string older0 = place + "\\Sorel\\" + FileFolderName(files[0], IsSystemLeadByte);
    const std::string folder0 = folderOf(place, 0);
    CreateDirectoryA(older0.c_str(), nullptr);
    for (const char* old : {"2030-01-01", "2009-04-19", "2009-04-10", "2009-04-09", "2009-03-31",
                            "2009-03-25", "2009-03-24", "2009-03-20", "2009-03-10", "2009-03-03",
                            "2009-02-15", "2009-02-10", "2009-01-05", "2008-12-20", "2008-12-10"}) {
        WriteBytes(older0 + "\\" + old + " 家計簿.xls", "old");
    }
    WriteBytes(older0 + "\\2009-03-24 家計簿.doc", "another file");
    // Another PC's versions of the same path are never thinned here.
    const std::string otherPc = place + "\\Sorel\\NOTEBOOK\\" + FileFolderName(files[0]);
    CreateDirectoryA((place + "\\Sorel\\NOTEBOOK").c_str(), nullptr);
    CreateDirectoryA(otherPc.c_str(), nullptr);
    WriteBytes(otherPc + "\\2009-02-10 家計簿.xls", "the notebook's");

    // Cut off between the copy and its rename: no version holds part of it.
    steps.calls = 0;
    steps.failAt = 2;
    steps.kill = true;
    EXPECT_THROW(run(steps), Killed);
    EXPECT_FALSE(Exists(version(place, 0, "2009-04-20")));
    EXPECT_TRUE(Exists(folder0 + "\\~copy 家計簿.xls"));
    EXPECT_TRUE(Exists(folder0 + "\\2009-02-10 家計簿.xls"));  // not thinned
    // A log-off as the first copy begins cuts it off, and the next never
    // starts; nothing is thinned.
    std::atomic<bool> stop{false};
    steps.calls = 0;
    steps.failAt = 0;
    steps.onCall = [&](int) { stop = true; };
    EXPECT_EQ(run(steps, &stop), (std::vector<C>{C::kNotReached, C::kNotReached}));
    steps.onCall = nullptr;
    EXPECT_FALSE(Exists(folder0 + "\\~copy 家計簿.xls"));
    EXPECT_TRUE(Exists(folder0 + "\\2009-02-10 家計簿.xls"));
    // A read-only file is copied like any other.
    SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(run(steps), (std::vector<C>{C::kCopied, C::kCopied}));
    SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(version(place, 0, "2009-04-20")), ReadBytes(files[0]));
    EXPECT_FALSE(Exists(folder0 + "\\~copy 家計簿.xls"));
    for (const char* gone : {"2009-03-24", "2009-02-10", "2008-12-10"}) {
        EXPECT_FALSE(Exists(folder0 + "\\" + gone + " 家計簿.xls")) << gone;
    }
    for (const char* kept : {"2030-01-01", "2009-04-19", "2009-04-09", "2009-03-25", "2009-03-20",
                             "2009-03-03", "2009-02-15", "2009-01-05", "2008-12-20"}) {
        EXPECT_TRUE(Exists(folder0 + "\\" + kept + " 家計簿.xls")) << kept;
    }
    EXPECT_TRUE(Exists(folder0 + "\\2009-03-24 家計簿.doc"));
    EXPECT_EQ(ReadBytes(otherPc + "\\2009-02-10 家計簿.xls"), "the notebook's");
    EXPECT_FALSE(Exists(older0));

    // A file its program keeps open for writing is copied from generation 1
    // when that holds its state; with no such generation it is in use.
    Edit(files[0], "state 21", 21);
    Edit(files[1], "other 21", 21);
    WriteSettings({files[0]});
    EXPECT_EQ(ReadAndRun().handled, 1);
    {
        FileHandle writer0(CreateFileA(files[0].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        FileHandle writer1(CreateFileA(files[1].c_str(), GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer0 && writer1);
        EXPECT_EQ(run(steps), (std::vector<C>{C::kCopied, C::kFileInUse}));
    }
    EXPECT_EQ(ReadBytes(version(place, 0, "2009-04-21")), "state 21");

    // The scrub reads every version back: a byte flipped behind the
    // program's back is found, named, and the version is made again while
    // the file still holds that state.
    std::string flipped = ReadBytes(version(place, 0, "2009-04-21"));
    flipped[0] ^= 1;
    WriteBytes(version(place, 0, "2009-04-21"), flipped);
    SetLastWriteUtc(version(place, 0, "2009-04-21"), 2009, 4, 21);
    const ScrubReport scrub = ScrubVersions(place + "\\Sorel", files, nullptr, true);
    EXPECT_TRUE(scrub.done);
    EXPECT_EQ(scrub.damaged, std::vector<std::string>{version(place, 0, "2009-04-21")});
    EXPECT_EQ(run(steps), (std::vector<C>{C::kCopied, C::kCopied}));
    EXPECT_EQ(ReadBytes(version(place, 0, "2009-04-21")), "state 21");
    EXPECT_TRUE(ScrubVersions(place + "\\Sorel", files, nullptr, true).damaged.empty());

    // A full place keeps everything it holds, and the file's next try after
    // room is made succeeds.
    if (drive == "T:\\") {
        ULARGE_INTEGER freeBytes;
        ASSERT_TRUE(GetDiskFreeSpaceExA("T:\\", &freeBytes, nullptr, nullptr));
        Edit(files[1], std::string(static_cast<std::size_t>(freeBytes.QuadPart) + 4096, 'x'), 21);
        EXPECT_EQ(run(steps), (std::vector<C>{C::kPresent, C::kPlaceFull}));
        EXPECT_EQ(ReadBytes(version(place, 1, "2009-04-21")), "other 21");
        EXPECT_FALSE(Exists(folderOf(place, 1) + "\\~copy 家計簿.xls"));
    }
    // The place cleaned for the other tests on the drive.
    const std::string gone = place + std::string(1, '\0');
    SHFILEOPSTRUCTA remove = {};
    remove.wFunc = FO_DELETE;
    remove.pFrom = gone.c_str();
    remove.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    EXPECT_EQ(SHFileOperationA(&remove), 0);
    EXPECT_FALSE(Exists(place));
}
