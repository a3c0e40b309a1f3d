#include "upkeep_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sorel;

using Lines = std::vector<std::string>;

TEST(HeaderRewrite, OnlyLineOneChangesAndNoLineIsLost) {
    Lines file = {"C:\\Old\\=220", "2009年5月21日", "D:\\a.xls", "", "D:\\b.txt"};
    for (int i = 0; i < 30; ++i) {
        file.push_back("C:\\many\\" + std::to_string(i) + ".txt");
    }
    Lines rewritten = RewrittenHeaderLines(file, "C:\\New\\", "06");
    // The folder is written fresh and the flag is always 1.
    EXPECT_EQ(rewritten[0], "C:\\New\\=061");
    // Empty lines and lines past the thirtieth stay.
    EXPECT_EQ(Lines(rewritten.begin() + 1, rewritten.end()), Lines(file.begin() + 1, file.end()));
}

TEST(HeaderRewrite, OlderHeaderGainsTheDefaultHourAndNoLinesStayNone) {
    EXPECT_EQ(RewrittenHeaderLines({"C:\\X\\", "d"}, "C:\\App\\", "22"),
              (Lines{"C:\\X\\=041", "d"}));
    EXPECT_EQ(RewrittenHeaderLines({""}, "C:\\App\\", "22"), Lines{"=041"});
    EXPECT_TRUE(RewrittenHeaderLines({}, "C:\\App\\", "06").empty());
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

TEST(AppFolder, CutAfterTheLastBackslashThatIsACharacter) {
    EXPECT_EQ(FolderOfModule("C:\\Tools\\Sorel\\Sorel.exe"), "C:\\Tools\\Sorel\\");
    EXPECT_EQ(FolderOfModule("C:\\Sorel.exe"), "C:\\");
    // ソ is 0x83 0x5C: its second byte is not a separator.
    EXPECT_EQ(FolderOfModule("C:\\表\\ソレル.exe"), "C:\\表\\");
    EXPECT_EQ(FolderOfModule("\\\\server\\share\\Sorel.exe"), "\\\\server\\share\\");
    EXPECT_EQ(FolderOfModule("Sorel.exe"), "");
}

// A change of the list is made to the file as it stands, so a path that
// reached the file after the window read it is never undone.
TEST(ListChange, AddAndRemoveKeepEveryOtherLine) {
    const std::string big = "C:\\" + std::string(600, 'x');
    const Lines file = {"C:\\Old\\=221",  "agent's day", "D:\\a.txt", big,
                        "D:\\sub\\a.txt", "E:\\late.txt"};
    struct Case {
        const char* name;
        ListChange change;
        ListVerdict verdict;
        Lines lines;
    };
    const Case cases[] = {
        {"add goes last; the long line stays where it was",
         WithPathAdded(file, "H=061", "today", "F:\\new.txt", 20),
         ListVerdict::kChanged,
         {"H=061", "today", "D:\\a.txt", big, "D:\\sub\\a.txt", "E:\\late.txt", "F:\\new.txt"}},
        {"a name listed in the file as it stands is a duplicate",
         WithPathAdded(file, "H=061", "today", "G:\\LATE.TXT", 20), ListVerdict::kDuplicate, file},
        {"the limit counts the entries the file holds now",
         WithPathAdded(file, "H=061", "today", "F:\\new.txt", 3), ListVerdict::kLimit, file},
        {"an empty file gains header, date and path",
         WithPathAdded({}, "H=061", "today", "F:\\new.txt", 20),
         ListVerdict::kChanged,
         {"H=061", "today", "F:\\new.txt"}},
        // Slot 1 is the second entry the table holds: the long line is no slot.
        {"removal takes the line of its slot, not the first of that name",
         WithEntryRemoved(file, "H=061", "today", 1, "D:\\sub\\a.txt"),
         ListVerdict::kChanged,
         {"H=061", "today", "D:\\a.txt", big, "E:\\late.txt"}},
        {"an entry that moved is found by its path",
         WithEntryRemoved(file, "H=061", "today", 0, "E:\\late.txt"),
         ListVerdict::kChanged,
         {"H=061", "today", "D:\\a.txt", big, "D:\\sub\\a.txt"}},
        {"an entry already gone changes nothing",
         WithEntryRemoved(file, "H=061", "today", 0, "Z:\\gone.txt"), ListVerdict::kNotFound, file},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.change.verdict, c.verdict) << c.name;
        EXPECT_EQ(c.change.lines, c.lines) << c.name;
    }
    // Two entries of one path: the selected slot's line goes.
    const Lines twice = {"h=221", "d", "C:\\x.txt", "C:\\y.txt", "C:\\x.txt"};
    EXPECT_EQ(WithEntryRemoved(twice, "h=221", "d", 2, "C:\\x.txt").lines,
              (Lines{"h=221", "d", "C:\\x.txt", "C:\\y.txt"}));
    EXPECT_EQ(HeldLineIndexes(file), (std::vector<std::size_t>{2, 4, 5}));
}
