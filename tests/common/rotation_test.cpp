#include "rotation.h"

#include <gtest/gtest.h>

using namespace sorel;

namespace {
constexpr Presence M = Presence::kMissing;
constexpr Presence R = Presence::kReadable;
constexpr Presence U = Presence::kUnreadable;
}  // namespace

TEST(DecideBackup, Outcomes) {
    struct Row {
        bool storable;
        Presence source, gen1;
        bool sameDate;
        BackupDecision expected;
    } rows[] = {
        {true, R, R, false, BackupDecision::kBackUp},
        {true, R, R, true, BackupDecision::kUnchanged},
        // No generation 1 yet: the first backup happens.
        {true, R, M, false, BackupDecision::kBackUp},
        // The file cannot be opened while generation 1 exists: the generations stay.
        {true, U, R, false, BackupDecision::kUnreadable},
        // Neither is there (a drive that is not plugged in).
        {true, M, M, true, BackupDecision::kUnreadable},
        // Generation 1 held by another program: its date is unknown, so the
        // file waits, changed or not.
        {true, R, U, false, BackupDecision::kGenerationUnreadable},
        {true, R, U, true, BackupDecision::kGenerationUnreadable},
        {false, R, R, false, BackupDecision::kNoLocation},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(DecideBackup(r.storable, r.source, r.gen1, r.sameDate), r.expected)
            << static_cast<int>(r.source) << static_cast<int>(r.gen1) << r.sameDate;
    }
}

TEST(PlanRotation, CopyFirstThenFillTheFirstGap) {
    const std::string listed = "C:\\Data\\book.xls";
    const std::string in = "C:\\Data\\backUp\\~new~book.xls";
    const std::string g1 = "C:\\Data\\backUp\\11book.xls";
    const std::string g2 = "C:\\Data\\backUp\\22book.xls";
    const std::string g3 = "C:\\Data\\backUp\\33book.xls";
    struct Row {
        Presence gens[3];
        std::vector<RotationStep> shifts;  // after the copy in
    } rows[] = {
        {{R, R, R},
         {{StepKind::kShift, g2, g3, true},
          {StepKind::kShift, g1, g2},
          {StepKind::kShift, in, g1}}},
        {{R, R, M},
         {{StepKind::kShift, g2, g3}, {StepKind::kShift, g1, g2}, {StepKind::kShift, in, g1}}},
        // A rotation stopped halfway left a gap: only what lies above it moves.
        {{R, M, R}, {{StepKind::kShift, g1, g2}, {StepKind::kShift, in, g1}}},
        {{R, M, M}, {{StepKind::kShift, g1, g2}, {StepKind::kShift, in, g1}}},
        {{M, R, R}, {{StepKind::kShift, in, g1}}},
        {{M, M, M}, {{StepKind::kShift, in, g1}}},
        // Any generation held by another program: nothing at all.
        {{U, R, R}, {}},
        {{R, U, R}, {}},
        {{R, R, U}, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << static_cast<int>(r.gens[0]) << static_cast<int>(r.gens[1])
                     << static_cast<int>(r.gens[2]));
        auto plan = PlanRotation(listed, SplitPath(listed), r.gens);
        if (r.shifts.empty()) {
            EXPECT_TRUE(plan.empty());
            continue;
        }
        ASSERT_EQ(plan.size(), r.shifts.size() + 1);
        EXPECT_EQ(plan[0].kind, StepKind::kCopyIn);
        EXPECT_EQ(plan[0].from, listed);
        EXPECT_EQ(plan[0].to, in);
        for (std::size_t i = 0; i < r.shifts.size(); ++i) {
            EXPECT_EQ(plan[i + 1].kind, StepKind::kShift);
            EXPECT_EQ(plan[i + 1].from, r.shifts[i].from);
            EXPECT_EQ(plan[i + 1].to, r.shifts[i].to);
            EXPECT_EQ(plan[i + 1].replace, r.shifts[i].replace);
        }
        // Every name a shift writes to was moved away by the step before, or
        // was missing, or is generation 3 given up by a full rotation.
        for (std::size_t i = 2; i < plan.size(); ++i) {
            EXPECT_EQ(plan[i].to, plan[i - 1].from);
        }
    }
}
