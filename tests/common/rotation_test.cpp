#include "rotation.h"

#include <gtest/gtest.h>

using namespace sorel;

TEST(DecideBackup, Outcomes) {
    PathParts parts = SplitPath("C:\\Data\\book.xls");
    EXPECT_EQ(DecideBackup(parts, "2009/4/21", false), BackupDecision::kBackUp);
    EXPECT_EQ(DecideBackup(parts, "2009/4/21", true), BackupDecision::kUnchanged);
    // No generation 1 yet: its empty date differs, so the first backup happens.
    EXPECT_EQ(DecideBackup(parts, "2009/4/20", false), BackupDecision::kBackUp);
    // The file cannot be opened while generation 1 exists: the generations stay.
    EXPECT_EQ(DecideBackup(parts, "", false), BackupDecision::kUnreadable);
    // Neither can be opened (a drive that is not plugged in).
    EXPECT_EQ(DecideBackup(parts, "", true), BackupDecision::kUnreadable);
    EXPECT_EQ(DecideBackup(SplitPath("\\\\srv\\s\\book.xls"), "2009/4/21", false),
              BackupDecision::kNoLocation);
}

TEST(PlanRotation, CopyFirstThenShiftOldestFirst) {
    auto plan = PlanRotation("C:\\Data\\book.xls", SplitPath("C:\\Data\\book.xls"));
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].kind, StepKind::kCopyIn);
    EXPECT_EQ(plan[0].from, "C:\\Data\\book.xls");
    EXPECT_EQ(plan[0].to, "C:\\Data\\backUp\\~new~book.xls");
    const char* expected[3][2] = {
        {"C:\\Data\\backUp\\22book.xls", "C:\\Data\\backUp\\33book.xls"},
        {"C:\\Data\\backUp\\11book.xls", "C:\\Data\\backUp\\22book.xls"},
        {"C:\\Data\\backUp\\~new~book.xls", "C:\\Data\\backUp\\11book.xls"},
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(plan[i + 1].kind, StepKind::kShift);
        EXPECT_EQ(plan[i + 1].from, expected[i][0]);
        EXPECT_EQ(plan[i + 1].to, expected[i][1]);
    }
    // Every name a shift writes to was either moved away by an earlier step
    // or is generation 3, the one the rotation gives up.
    for (std::size_t i = 2; i < plan.size(); ++i) {
        EXPECT_EQ(plan[i].to, plan[i - 1].from);
    }
}
