#include "rotation.h"

#include "content_guard.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace sorel;

namespace {
constexpr Presence M = Presence::kMissing;
constexpr Presence R = Presence::kReadable;
constexpr Presence U = Presence::kUnreadable;
}  // namespace

TEST(DecideBackup, Outcomes) {
    // Last written at 10:00, 100 bytes; the same state as stored in generation 1.
    const FileFacts stored{R, 1000, 100};
    const FileFacts later{R, 2000, 100};     // saved again, same size
    const FileFacts timeKept{R, 1000, 120};  // changed, last-write time put back
    const FileFacts missing{M, 0, 0};
    const FileFacts held{U, 0, 0};
    struct Row {
        bool storable;
        FileFacts source, gen1;
        bool sameDay;
        BackupDecision expected;
    } rows[] = {
        {true, later, stored, false, BackupDecision::kBackUp},
        {true, stored, stored, true, BackupDecision::kUnchanged},
        // Same time and size on different days cannot happen; the facts win.
        {true, stored, stored, false, BackupDecision::kUnchanged},
        // Saved again later on a day already stored: generation 1 is replaced.
        {true, later, stored, true, BackupDecision::kReplaceToday},
        {true, timeKept, stored, true, BackupDecision::kReplaceToday},
        {true, timeKept, stored, false, BackupDecision::kBackUp},
        // No generation 1 yet: the first backup happens.
        {true, stored, missing, false, BackupDecision::kBackUp},
        {true, stored, missing, true, BackupDecision::kBackUp},
        // The file cannot be opened while generation 1 exists: the generations stay.
        {true, held, stored, false, BackupDecision::kUnreadable},
        // Neither is there (a drive that is not plugged in).
        {true, missing, missing, true, BackupDecision::kUnreadable},
        // Generation 1 held by another program: its date is unknown, so the
        // file waits, changed or not.
        {true, later, held, false, BackupDecision::kGenerationUnreadable},
        {true, stored, held, true, BackupDecision::kGenerationUnreadable},
        {false, later, stored, false, BackupDecision::kNoLocation},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(DecideBackup(r.storable, r.source, r.gen1, r.sameDay), r.expected)
            << static_cast<int>(r.source.presence) << static_cast<int>(r.gen1.presence) << " "
            << r.source.lastWrite << "/" << r.source.size << " " << r.sameDay;
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
        bool firstTwoSame = false;
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
        // 11 and 22 hold one state: that copy is given up, and 33 is kept.
        {{R, R, R}, {{StepKind::kShift, g1, g2, true}, {StepKind::kShift, in, g1}}, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << static_cast<int>(r.gens[0]) << static_cast<int>(r.gens[1])
                     << static_cast<int>(r.gens[2]));
        auto plan = PlanRotation(listed, SplitPath(listed), r.gens, r.firstTwoSame);
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
    // A later state of generation 1's day replaces generation 1 alone.
    auto replace = PlanReplace(listed, SplitPath(listed));
    ASSERT_EQ(replace.size(), 2u);
    EXPECT_TRUE(replace[0].kind == StepKind::kCopyIn && replace[0].to == in);
    EXPECT_TRUE(replace[1].from == in && replace[1].to == g1 && replace[1].replace);
}

// A state put back from 22 or 33 becomes 11 by renames alone, none over a
// state: cut off after any, every state is at a generation or parked.
TEST(PlanRotation, StateStoredAgainComesToTheTopByRenamesAlone) {
    const PathParts parts = SplitPath("C:\\Data\\book.xls");  // its store's names begin at 15
    // The file; 11, 22, 33, parked before; after. A letter is a last-write time.
    const char* rows[][3] = {{"b", "abc-", "bac-"}, {"c", "abc-", "cab-"}, {"c", "a-c-", "ca--"},
                             {"b", "ab--", "ba--"}, {"b", "bbc-", "bbc-"}, {"b", "-bc-", "-bc-"}};
    for (const auto& r : rows) {
        std::string disk = r[1];
        FileFacts gens[3];
        Presence there[3];
        for (int n = 0; n < 3; ++n) {
            there[n] = disk[n] == '-' ? M : R;
            gens[n] = {there[n], std::uint64_t(disk[n]), 1};
        }
        const int stored = StoredGeneration({R, std::uint64_t(r[0][0]), 1}, gens);
        for (const RotationStep& step : PlanReorder(parts, stored, there)) {
            char& from = disk[std::string("123~").find(step.from[15])];
            char& to = disk[std::string("123~").find(step.to[15])];
            ASSERT_TRUE(from != '-' && to == '-' && !step.replace) << step.from << " " << step.to;
            std::swap(from, to);
        }
        EXPECT_EQ(disk, r[2]) << r[1];
    }
}

TEST(ContentGuard, HeldBackOnlyWhenTheContentBecameSomethingElse) {
    std::string random(64 * 1024, '\0');
    std::uint32_t state = 12345;
    std::generate(random.begin(), random.end(),
                  [&] { return char((state = state * 1103515245u + 12345u) >> 24); });
    const std::string ole = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(600, '\0');
    const std::string zip = "PK\x03\x04" + random.substr(0, 5000);
    const std::string jet = std::string("\0\x01\0\0Standard Jet DB\0", 20) + std::string(500, 1);
    const std::string sjis = "\x89\xC6\x8C\x76\x95\xEB\t100\r\n";  // 家計簿, tab, CR LF
    const std::string utf8 = "家計簿\t100\r\n";
    struct Row {
        std::string before, after;
        bool held;
    } rows[] = {
        {ole, ole + "more", false},
        {ole, random, true},
        {ole, "\xD0\xCF\x11\xE0" + random, true},  // only the first half of the signature kept
        {zip, "PK\x03\x04" + random, false},       // compressed stays compressed
        {zip, random, true},
        {"%PDF-1.4 x", "%PDF-1.7 y", false},
        {"%PDF-1.4 x", "", true},  // wiped
        {"\x89PNG\r\n", random, true},
        {"\xFF\xD8\xFF\xE0", "\xFF\xD8\xFF\xE1", false},
        {jet, jet + "x", false},
        {jet, std::string(4, '\0') + random, true},
        {"\xEF\xBB\xBF-", "-", false},  // a byte-order mark taken off: text still
        {"\xFF\xFE-", "\xFF\xFE+", false},
        {sjis, sjis + sjis, false},
        {utf8, utf8 + "x", false},
        {sjis, sjis + '\x01', false},  // a stray control byte: text still
        {"", random, false},           // an empty file tells nothing by its bytes
        {std::string(5000, 'a') + '\0', "\x01" + random, true},  // random where it was not
        {std::string(5000, 'a') + '\0', std::string(5000, 'b') + '\0', false},
        {random, "\x01" + random + "x", false},  // high entropy before: no verdict by it
        // Signatures of archives, databases and password safes, lost.
        {std::string("Rar!\x1A\x07\x01\x00", 8) + random.substr(0, 900), random, true},
        {"\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5" + random.substr(0, 900), random, true},
        {std::string("SQLite format 3\0", 16) + std::string(900, 0), random, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ContentSuspect(r.before, r.after), r.held)
            << r.before.substr(0, 8) << " -> " << r.after.substr(0, 8);
    }
    // Random bytes far into the file count as much as at its start.
    EXPECT_TRUE(
        ContentSuspect(std::string(128 * 1024, 'a'), std::string(128 * 1024, 'a') + random));

    // Damaged lines are passed over; another format accepts nothing.
    const std::string states =
        FormatAcceptedStates({{"C:\\家計簿.xls", 133000000000000000u, 42}, {"D:\\a\tb", 1, 0}});
    EXPECT_EQ(FormatAcceptedStates(ParseAcceptedStates(states + "1\t2\r\nx\t1\tC:\\y\r\n")),
              states);
    EXPECT_TRUE(ParseAcceptedStates("Sorel accepted 2\r\n1\t2\tC:\\x\r\n").empty());
}
