#include "restore_plan.h"

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
            EXPECT_EQ(RestoreSource(SplitPath(path), n), "");
        }
    }
    for (int n : {0, 4, -1}) {
        EXPECT_TRUE(PlanRestore(kBook, SplitPath(kBook), n).empty());
        EXPECT_EQ(RestoreSource(SplitPath(kBook), n), "");
    }
}

}  // namespace
