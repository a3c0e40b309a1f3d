#include "backup_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sorel;

TEST(BackupTable, ClearedSlotsHold511Zeros) {
    BackupTable table;
    ClearBackupTable(table);
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        EXPECT_FALSE(SlotUsed(table, i));
        EXPECT_EQ(SlotText(table, i), std::string(511, '0'));
    }
    EXPECT_EQ(UsedSlotCount(table), 0u);
    EXPECT_FALSE(SlotUsed(table, kSlotCount));
}

TEST(BackupTable, FillKeepsOrderAndStopsAtTwentyFour) {
    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) {
        lines.push_back("C:\\d\\f" + std::to_string(i) + ".txt");
    }
    BackupTable table;
    EXPECT_EQ(FillBackupTable(table, lines), 6u);
    ASSERT_EQ(UsedSlotCount(table), 24u);
    EXPECT_EQ(SlotText(table, 0), "C:\\d\\f0.txt");
    EXPECT_EQ(SlotText(table, 23), "C:\\d\\f23.txt");
}

TEST(BackupTable, LinesThatDoNotFitAreSkippedNotCut) {
    const std::string longest = "C:\\" + std::string(508, 'a');  // 511 bytes: fits
    const std::string tooLong = "C:\\" + std::string(509, 'b');  // 512 bytes: does not
    BackupTable table;
    EXPECT_EQ(FillBackupTable(table, {tooLong, longest, "0:\\zero.txt", "", "C:\\z.txt"}), 2u);
    auto paths = TablePaths(table);
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0], longest);
    // An empty line is a used slot with empty text, as the settings window keeps it.
    EXPECT_EQ(paths[1], "");
    EXPECT_EQ(paths[2], "C:\\z.txt");
}

TEST(BackupTable, WalkStopsAtFirstFreeSlot) {
    BackupTable table;
    FillBackupTable(table, {"C:\\a.txt"});
    // A used slot after a free one is never visited.
    table.slots[2][0] = 'C';
    table.slots[2][1] = '\0';
    EXPECT_EQ(UsedSlotCount(table), 1u);
    EXPECT_EQ(TablePaths(table).size(), 1u);
    EXPECT_TRUE(AppendToTable(table, "C:\\b.txt"));
    EXPECT_EQ(SlotText(table, 1), "C:\\b.txt");
}
