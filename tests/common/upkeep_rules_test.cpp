#include "upkeep_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "backup_table.h"
#include "settings_text.h"

using namespace sorel;

using Lines = std::vector<std::string>;

TEST(HeaderRewrite, OnlyLineOneChanges) {
    const Lines file = {"C:\\Tools\\Sorel\\=221", "2009年5月21日", "D:\\data\\accounts.xls",
                        "D:\\data\\diary.txt"};
    Lines rewritten = RewrittenHeaderLines(file, "C:\\Tools\\Sorel\\", "04");
    ASSERT_EQ(rewritten.size(), 4u);
    EXPECT_EQ(rewritten[0], "C:\\Tools\\Sorel\\=041");
    EXPECT_EQ(Lines(rewritten.begin() + 1, rewritten.end()), Lines(file.begin() + 1, file.end()));
    // The folder is written fresh and the flag is always 1.
    EXPECT_EQ(RewrittenHeaderLines({"C:\\Old\\=220", "d"}, "E:\\New\\", "06")[0], "E:\\New\\=061");
}

TEST(HeaderRewrite, OlderHeaderWithoutSeparatorGainsTheDefaultHour) {
    EXPECT_EQ(RewrittenHeaderLines({"C:\\X\\"}, "C:\\App\\", "22"), Lines{"C:\\X\\=041"});
    EXPECT_EQ(RewrittenHeaderLines({""}, "C:\\App\\", "22"), Lines{"=041"});
    // A file without lines stays without lines: picking an hour on a fresh
    // installation writes nothing until the first file is added.
    EXPECT_TRUE(RewrittenHeaderLines({}, "C:\\App\\", "06").empty());
}

TEST(HeaderRewrite, KeepsEmptyLinesAndLinesPastTheThirtieth) {
    Lines file = {"C:\\A\\=041", "day", "C:\\a.txt", "", "C:\\b.txt"};
    for (int i = 0; i < 40; ++i) {
        file.push_back("C:\\many\\" + std::to_string(i) + ".txt");
    }
    Lines rewritten = RewrittenHeaderLines(file, "C:\\A\\", "22");
    ASSERT_EQ(rewritten.size(), file.size());
    EXPECT_EQ(rewritten[3], "");
    EXPECT_EQ(rewritten.back(), "C:\\many\\39.txt");
}

TEST(HourToSave, LaterRadioWinsThenHeldThenFour) {
    EXPECT_EQ(ScheduleHourFromRadios(true, false, false, ""), "04");
    EXPECT_EQ(ScheduleHourFromRadios(false, true, false, "22"), "06");
    EXPECT_EQ(ScheduleHourFromRadios(true, true, true, ""), "22");
    EXPECT_EQ(ScheduleHourFromRadios(true, true, false, ""), "06");
    // An hour the buttons do not offer is kept while none is checked.
    EXPECT_EQ(ScheduleHourFromRadios(false, false, false, "12"), "12");
    EXPECT_EQ(ScheduleHourFromRadios(false, false, false, ""), "04");
}

TEST(SavedFile, HeaderDateEntriesThenWhatTheTableCouldNotHold) {
    const Lines table = {"C:\\a\\b.txt", "C:\\a\\ab.txt", "C:\\a\\c.txt"};
    EXPECT_EQ(SavedSettingsLines("C:\\App\\=061", "today", table, std::nullopt, {}),
              (Lines{"C:\\App\\=061", "today", "C:\\a\\b.txt", "C:\\a\\ab.txt", "C:\\a\\c.txt"}));
    // Exactly the removed slot goes; the rest close up in table order.
    EXPECT_EQ(SavedSettingsLines("h", "d", table, 0, {}),
              (Lines{"h", "d", "C:\\a\\ab.txt", "C:\\a\\c.txt"}));
    EXPECT_EQ(SavedSettingsLines("h", "d", table, 2, {"0\\odd"}),
              (Lines{"h", "d", "C:\\a\\b.txt", "C:\\a\\ab.txt", "0\\odd"}));
    // An empty entry is written back as an empty line.
    EXPECT_EQ(SavedSettingsLines("h", "d", {"", "C:\\x"}, std::nullopt, {}),
              (Lines{"h", "d", "", "C:\\x"}));
}

TEST(SavedFile, LoadingAndSavingLosesNoLine) {
    // 26 path lines, one too long for a slot and one that would read as a
    // free slot: the table takes 24, and the rest must survive a save.
    Lines paths;
    for (int i = 0; i < 24; ++i) {
        paths.push_back("C:\\f\\" + std::to_string(i) + ".txt");
    }
    paths.insert(paths.begin() + 3, "C:\\" + std::string(kSlotSize, 'x'));
    paths.insert(paths.begin() + 5, "0starts-with-zero");
    BackupTable table;
    FillBackupTable(table, paths);
    Lines unheld = UnheldPathLines(paths);
    EXPECT_EQ(UsedSlotCount(table) + unheld.size(), paths.size());
    Lines saved = SavedSettingsLines("h", "d", TablePaths(table), std::nullopt, unheld);
    Lines savedPaths(saved.begin() + 2, saved.end());
    std::sort(savedPaths.begin(), savedPaths.end());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(savedPaths, paths);
}

TEST(AppFolder, CutAfterTheLastBackslashThatIsACharacter) {
    EXPECT_EQ(FolderOfModule("C:\\Tools\\Sorel\\Sorel.exe"), "C:\\Tools\\Sorel\\");
    EXPECT_EQ(FolderOfModule("C:\\Sorel.exe"), "C:\\");
    // ソ is 0x83 0x5C: its second byte is not a separator.
    EXPECT_EQ(FolderOfModule("C:\\表\\ソレル.exe"), "C:\\表\\");
    EXPECT_EQ(FolderOfModule("\\\\server\\share\\Sorel.exe"), "\\\\server\\share\\");
    EXPECT_EQ(FolderOfModule("Sorel.exe"), "");
}
