#include "restore_plan.h"

#include "history_list.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace sorel;

namespace {

const char kBook[] = "C:\\Data\\book.xls";
const std::string kStore = "C:\\Data\\BackUp\\";
const std::string kKept = kStore + "復元前\\";

// A drive as the restore's steps see it: each file's state (size, time),
// and a step that fails when its number comes.
struct FakeDrive : RestoreFiles {
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> files;
    int failAt = -1;
    int step = 0;
    int temps = 0;

    bool Fails() { return step++ == failAt; }
    unsigned long CheckTarget(const RestoreStep&) override { return Fails() ? 32 : 0; }
    unsigned long Keep(const RestoreStep& s) override {
        if (Fails() || files.count(s.to)) {
            return 5;
        }
        files[s.to] = files.at(s.from);
        return 0;
    }
    unsigned long CopyBeside(const RestoreStep& s, std::string& temp) override {
        if (Fails()) {
            return 112;
        }
        temp = s.folder + "srl" + std::to_string(++temps) + ".tmp";
        files[temp] = files.at(s.from);
        return 0;
    }
    unsigned long Replace(const RestoreStep& s, const std::string& replacement, bool&) override {
        if (Fails()) {
            return 32;
        }
        files[s.to] = files.at(replacement);
        files.erase(replacement);
        return 0;
    }
    void Remove(const std::string& path) override { files.erase(path); }

    FoundState At(const std::string& path) const {
        const auto found = files.find(path);
        return found == files.end()
                   ? FoundState{path, false, 0, 0}
                   : FoundState{path, true, found->second.first, found->second.second};
    }
    RestoreScene Scene(const std::string& now) const {
        RestoreScene scene{kBook, SplitPath(kBook), At(kBook), {}, {}, {}, now};
        for (int n = 1; n <= 3; ++n) {
            scene.generations[n - 1] = At(RestoreSource(scene.parts, n));
        }
        for (const auto& [path, state] : files) {
            if (path.compare(0, kKept.size(), kKept) == 0) {
                scene.kept.push_back(At(path));
            }
        }
        return scene;
    }
    // Every distinct state the drive holds, wherever.
    std::set<std::pair<std::uint64_t, std::uint64_t>> States() const {
        std::set<std::pair<std::uint64_t, std::uint64_t>> states;
        for (const auto& [path, state] : files) {
            states.insert(state);
        }
        return states;
    }
};

// Today's file F, then generations A, B and C, all of their own states.
FakeDrive Drive() {
    FakeDrive drive;
    drive.files = {{kBook, {40, 4}},
                   {kStore + "11book.xls", {30, 3}},
                   {kStore + "22book.xls", {20, 2}},
                   {kStore + "33book.xls", {10, 1}}};
    return drive;
}

std::string Steps(const std::vector<RestoreStep>& plan) {
    std::string text;
    for (const RestoreStep& step : plan) {
        static const char* const kKinds[] = {"check", "keep", "copy", "replace", "drop"};
        text += std::string(kKinds[static_cast<int>(step.kind)]) + " " + step.from + ">" + step.to +
                "\n";
    }
    return text;
}

TEST(RestorePlan, TriesTheFileThenKeepsWhatItOverwritesThenCopiesBesideAndReplaces) {
    const FakeDrive drive = Drive();
    const std::string g1 = kStore + "11book.xls", g2 = kStore + "22book.xls",
                      g3 = kStore + "33book.xls";
    const std::string at = kKept + "2026-12-08 101500";
    EXPECT_EQ(Steps(PlanGenerationRestore(drive.Scene("2026-12-08 101500"), 3)),
              "check >" + std::string(kBook) + "\nkeep " + kBook + ">" + at + " book.xls\nkeep " +
                  g1 + ">" + at + "-2 book.xls\nkeep " + g2 + ">" + at + "-3 book.xls\ncopy " + g3 +
                  ">\nreplace >" + kBook + "\ncopy " + g3 + ">\nreplace >" + g2 + "\ncopy " + g3 +
                  ">\nreplace >" + g1 + "\n");
    // A state held elsewhere is not kept again: the file as generation 1
    // holds it, and a copy already kept.
    FakeDrive same = Drive();
    same.files[kBook] = same.files[g1];
    same.files[at + " book.xls"] = same.files[g2];
    EXPECT_EQ(Steps(PlanGenerationRestore(same.Scene("2026-12-08 101501"), 3)),
              "check >" + std::string(kBook) + "\nkeep " + kBook + ">" + kKept +
                  "2026-12-08 101501 book.xls\ncopy " + g3 + ">\nreplace >" + kBook + "\ncopy " +
                  g3 + ">\nreplace >" + g2 + "\ncopy " + g3 + ">\nreplace >" + g1 + "\n");
    EXPECT_EQ(Steps(PlanGenerationRestore(same.Scene("2026-12-08 101501"), 1)),
              "check >" + std::string(kBook) + "\ncopy " + g1 + ">\nreplace >" + kBook + "\n");
    // A state at the place needs no copy either; one already beside the
    // file replaces it as it is.
    RestoreScene scene = drive.Scene("2026-12-08 101502");
    scene.elsewhere = {drive.At(kBook)};
    EXPECT_EQ(Steps(PlanStateRestore(scene, {"C:\\Data\\srl1.tmp", true, 5, 5}, true)),
              "check >" + std::string(kBook) + "\nreplace C:\\Data\\srl1.tmp>" + kBook + "\n");
    // Nothing to plan from.
    EXPECT_TRUE(PlanGenerationRestore(drive.Scene("x"), 4).empty());
    FakeDrive none = Drive();
    none.files.erase(g2);
    EXPECT_TRUE(PlanGenerationRestore(none.Scene("x"), 2).empty());
    scene.parts = SplitPath("book.xls");
    EXPECT_TRUE(PlanStateRestore(scene, drive.At(g1), false).empty());
}

// Whichever step fails, the drive is as it was, until the file is replaced;
// after that no state the drive held is lost.
TEST(RestorePlan, AStepThatFailsTakesBackWhatTheRunDidAndNoStateIsEverLost) {
    for (int generation = 1; generation <= 3; ++generation) {
        const FakeDrive start = Drive();
        const std::vector<RestoreStep> plan =
            PlanGenerationRestore(start.Scene("2026-12-08 101500"), generation);
        for (int failAt = -1; failAt < static_cast<int>(plan.size()); ++failAt) {
            SCOPED_TRACE(std::to_string(generation) + " fails at " + std::to_string(failAt));
            FakeDrive drive = start;
            drive.failAt = failAt;
            const RestoreRun run = CarryOutRestore(plan, drive);
            EXPECT_EQ(run.failed, failAt < 0 ? RestoreRun::kAllDone : std::size_t(failAt));
            if (!run.listedReplaced) {
                EXPECT_EQ(drive.files, start.files);
            } else {
                EXPECT_EQ(drive.At(kBook).size,
                          start.At(RestoreSource(SplitPath(kBook), generation)).size);
                EXPECT_EQ(drive.States(), start.States());
                for (const auto& [path, state] : drive.files) {
                    EXPECT_EQ(path.find(".tmp"), std::string::npos) << path;
                }
            }
        }
    }
}

// Trying one day after another, the usual way to look for the right one,
// and pressing the same button twice keep every state.
TEST(RestorePlan, RestoresOneAfterAnotherKeepEveryStateOnce) {
    for (const std::vector<int>& presses :
         {std::vector<int>{1, 2, 3}, {3, 2, 1}, {1, 1}, {2, 2, 3}}) {
        FakeDrive drive = Drive();
        const auto before = drive.States();
        int second = 0;
        for (int generation : presses) {
            const RestoreRun run = CarryOutRestore(
                PlanGenerationRestore(drive.Scene("2026-12-08 10150" + std::to_string(second++)),
                                      generation),
                drive);
            ASSERT_EQ(run.failed, RestoreRun::kAllDone);
        }
        EXPECT_EQ(drive.States(), before);
        // Once each: four states, the file and three generations besides
        // the kept copies, which hold only what nothing else does.
        std::size_t kept = 0;
        for (const auto& [path, state] : drive.files) {
            kept += path.compare(0, kKept.size(), kKept) == 0;
        }
        EXPECT_LE(kept, 3u);
    }
}

TEST(RestorePlan, OldKeptCopiesGoOnlyOverTenAndOnlyWhenHeldElsewhereOrPastThirtyDays) {
    struct Row {
        const char* now;
        int heldElsewhere;  // how many of the oldest kept copies the generations hold
        int dropped;
    } rows[] = {
        {"2026-12-08 101500", 0, 0},  // all younger than 30 days and nowhere else
        {"2026-12-08 101500", 1, 1},
        {"2026-12-08 101500", 5, 2},  // 12 in all with the new one: two go
        {"2027-02-01 101500", 0, 2},  // past their time
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.now);
        FakeDrive drive = Drive();
        for (int n = 0; n < 11; ++n) {
            const std::string name =
                kKept + "2026-11-" + std::to_string(10 + n) + " 090000 book.xls";
            drive.files[name] = {100 + n, 100 + n};
            if (n < row.heldElsewhere) {
                drive.files[name] = {20, 2};  // generation 2's state
            }
        }
        drive.files[kKept + "book.xls"] = {7, 7};  // kept by an earlier version: never dropped
        const std::vector<RestoreStep> plan = PlanGenerationRestore(drive.Scene(row.now), 1);
        int dropped = 0;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            if (plan[i].kind == RestoreStepKind::kDropKept) {
                EXPECT_EQ(plan[i].to,
                          kKept + "2026-11-" + std::to_string(10 + dropped) + " 090000 book.xls");
                ++dropped;
            }
        }
        EXPECT_EQ(dropped, row.dropped);
    }
    // Names of kept copies, and what only looks like one.
    std::string at;
    EXPECT_TRUE(IsKeptCopyName("2026-12-08 101500-12 book.xls", "book.xls", &at));
    EXPECT_EQ(at, "2026-12-08 101500-12");
    for (const char* name : {"book.xls", "11book.xls", "2026-12-08 101500 cook.xls",
                             "2026-12-08 1015 book.xls", "2026-12-08 101500book.xls",
                             "2026-12-08 101500-x book.xls", "2026-12-08 101500 a book.xls"}) {
        EXPECT_FALSE(IsKeptCopyName(name, "book.xls", nullptr)) << name;
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
                {7, 12345678901, "d", "2009/5/21 10:05:09　12,345,678,901 バイト　d"},
                // The same state as b, found later: shown once, as b.
                {9, 999, "e", "2009/5/21 10:05:09　999 バイト　e"}};
    for (const auto& row : rows) {
        const HeldState state{{"", row.where}, row.written, 2009, 5, 21, 10, 5, 9, row.size};
        EXPECT_EQ(StateLine(state), row.line);
        states.push_back(state);
    }
    SortNewestFirst(states);
    DropRepeatedStates(states);
    std::string order;
    for (const HeldState& state : states) {
        order += state.file.where;
    }
    EXPECT_EQ(order, "bdac");
}

}  // namespace
