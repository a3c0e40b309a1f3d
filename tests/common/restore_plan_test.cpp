#include "restore_plan.h"

#include "history_list.h"

#include <gtest/gtest.h>

using namespace sorel;

namespace {

struct Copy {
    const char* from;
    const char* to;
    const char* toFolder;
    bool overListedFile;
};

void ExpectPlan(const std::vector<RestoreCopy>& plan, const std::vector<Copy>& expected) {
    ASSERT_EQ(plan.size(), expected.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plan[i].from, expected[i].from);
        EXPECT_EQ(plan[i].to, expected[i].to);
        EXPECT_EQ(plan[i].toFolder, expected[i].toFolder);
        EXPECT_EQ(plan[i].overListedFile, expected[i].overListedFile);
    }
}

const char kBook[] = "C:\\Data\\book.xls";

TEST(PlanRestore, ListedFileFirstThenTheNewerGenerationsNearestFirst) {
    PathParts parts = SplitPath(kBook);
    ExpectPlan(PlanRestore(kBook, parts, 1),
               {{"C:\\Data\\BackUp\\11book.xls", kBook, "C:\\Data\\", true}});
    ExpectPlan(PlanRestore(kBook, parts, 2),
               {{"C:\\Data\\BackUp\\22book.xls", kBook, "C:\\Data\\", true},
                {"C:\\Data\\BackUp\\22book.xls", "C:\\Data\\BackUp\\11book.xls",
                 "C:\\Data\\BackUp\\", false}});
    ExpectPlan(PlanRestore(kBook, parts, 3),
               {{"C:\\Data\\BackUp\\33book.xls", kBook, "C:\\Data\\", true},
                {"C:\\Data\\BackUp\\33book.xls", "C:\\Data\\BackUp\\22book.xls",
                 "C:\\Data\\BackUp\\", false},
                {"C:\\Data\\BackUp\\33book.xls", "C:\\Data\\BackUp\\11book.xls",
                 "C:\\Data\\BackUp\\", false}});
    EXPECT_EQ(RestoreSource(parts, 2), "C:\\Data\\BackUp\\22book.xls");
    // What a restore overwrites is kept first, in the same order.
    const std::string kept = "C:\\Data\\BackUp\\復元前\\";
    ExpectPlan(
        PlanSafetyCopies(kBook, parts, 3),
        {{kBook, (kept + "book.xls").c_str(), kept.c_str(), true},
         {"C:\\Data\\BackUp\\22book.xls", (kept + "22book.xls").c_str(), kept.c_str(), false},
         {"C:\\Data\\BackUp\\11book.xls", (kept + "11book.xls").c_str(), kept.c_str(), false}});
}

TEST(PlanRestore, RootFilesAndDoubleByteFolders) {
    ExpectPlan(PlanRestore("D:\\a.b.c", SplitPath("D:\\a.b.c"), 2),
               {{"D:\\BackUp\\22a.b.c", "D:\\a.b.c", "D:\\", true},
                {"D:\\BackUp\\22a.b.c", "D:\\BackUp\\11a.b.c", "D:\\BackUp\\", false}});
    // The second byte of 表 has a backslash's value and separates nothing.
    const std::string listed = "C:\\表\\予定.xls";
    ExpectPlan(PlanRestore(listed, SplitPath(listed), 1),
               {{"C:\\表\\BackUp\\11予定.xls", listed.c_str(), "C:\\表\\", true}});
}

TEST(PlanRestore, NothingWithoutADriveOrForAnotherGeneration) {
    // A path without a drive would be resolved against the current folder.
    for (const char* path : {"book.xls", "\\\\server\\share\\book.xls", "\\Data\\book.xls", ""}) {
        SCOPED_TRACE(path);
        for (int n = 1; n <= 3; ++n) {
            EXPECT_TRUE(PlanRestore(path, SplitPath(path), n).empty());
            EXPECT_TRUE(PlanSafetyCopies(path, SplitPath(path), n).empty());
            EXPECT_EQ(RestoreSource(SplitPath(path), n), "");
        }
    }
    for (int n : {0, 4, -1}) {
        EXPECT_TRUE(PlanRestore(kBook, SplitPath(kBook), n).empty());
        EXPECT_EQ(RestoreSource(SplitPath(kBook), n), "");
    }
}

// Newest first, equal times in the order found; sizes read with separators.
TEST(History, StatesNewestFirstAndEachLineReadsTimeSizeAndPlace) {
    const std::vector<StateFile> files = LocalStateFiles(SplitPath(kBook));
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(files[2].path, "C:\\Data\\BackUp\\33book.xls");
    EXPECT_EQ(files[5].path, "C:\\Data\\BackUp\\復元前\\22book.xls");
    EXPECT_TRUE(LocalStateFiles(SplitPath("book.xls")).empty());
    std::vector<HeldState> states;
    const struct {
        unsigned long long written, size;
        const char* where;
        const char* line;
    } rows[] = {{5, 0, "a", "2009/5/21 10:05:09　0 バイト　a"},
                {9, 999, "b", "2009/5/21 10:05:09　999 バイト　b"},
                {5, 1000, "c", "2009/5/21 10:05:09　1,000 バイト　c"},
                {7, 12345678901, "d", "2009/5/21 10:05:09　12,345,678,901 バイト　d"}};
    for (const auto& row : rows) {
        const HeldState state{{"", row.where}, row.written, 2009, 5, 21, 10, 5, 9, row.size};
        EXPECT_EQ(StateLine(state), row.line);
        states.push_back(state);
    }
    SortNewestFirst(states);
    std::string order;
    for (const HeldState& state : states) {
        order += state.file.where;
    }
    EXPECT_EQ(order, "bdac");
}

}  // namespace
