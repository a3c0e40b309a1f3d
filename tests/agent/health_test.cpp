#include "health.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sorel;

namespace {

constexpr char kMissing[] = "E:\\usb\\diary.txt";   // its drive is away all week
constexpr char kHeldOnce[] = "C:\\Data\\book.xls";  // held by its program now and then
constexpr char kNoPlace[] = "\\\\server\\share\\notes.txt";
constexpr char kFills[] = "T:\\data\\big.bin";  // its disk fills on day 2
constexpr char kFine[] = "C:\\Data\\plain.txt";

using O = FileOutcome;

struct SimulatedRun {
    LocalTime when;
    std::vector<FileResult> files;    // empty: a check that found today recorded
    std::vector<std::string> warned;  // the files a balloon names after this run
};

LocalTime At(int day, int hour) {
    return {2026, 12, day, hour, 5, 0};
}

// The record round trip that the agent makes between two runs.
HealthRecord Reread(const HealthRecord& record) {
    return ParseHealthRecord(FormatHealthRecord(record));
}

}  // namespace

// Four days of use, a run at log-on and a check at 22:00 on each: the
// balloons come on the right day for the right files, and never twice a day.
TEST(Health, DaysOfUseRaiseBalloonsOnTheRightDays) {
    const std::vector<SimulatedRun> week = {
        // Day 1: an unusable path warns at once; a missing file and a single
        // hold wait for a second day.
        {At(1, 9),
         {{kMissing, O::kMissing},
          {kHeldOnce, O::kHeld},
          {kNoPlace, O::kPathUnusable},
          {kFills, O::kStored},
          {kFine, O::kStored}},
         {kNoPlace}},
        {At(1, 22), {}, {}},
        // Day 2: the missing file's second day; the disk is full at once; the
        // unusable path again, as it is a new day; the hold has passed.
        {At(2, 9),
         {{kMissing, O::kMissing},
          {kHeldOnce, O::kStored},
          {kNoPlace, O::kPathUnusable},
          {kFills, O::kDiskFull},
          {kFine, O::kUnchanged}},
         {kMissing, kNoPlace, kFills}},
        // Nothing twice a day, and a hold after a store the same day leaves
        // the day a protected one.
        {At(2, 22),
         {{kMissing, O::kMissing},
          {kHeldOnce, O::kHeld},
          {kNoPlace, O::kPathUnusable},
          {kFills, O::kDiskFull},
          {kFine, O::kStored}},
         {}},
        // Day 3: room again on T:; the plain file leaves the list.
        {At(3, 9),
         {{kMissing, O::kMissing},
          {kHeldOnce, O::kHeld},
          {kNoPlace, O::kPathUnusable},
          {kFills, O::kStored}},
         {kMissing, kNoPlace}},
        // Day 4: the second day in a row of holds warns.
        {At(4, 9),
         {{kMissing, O::kMissing},
          {kHeldOnce, O::kGenerationHeld},
          {kNoPlace, O::kPathUnusable},
          {kFills, O::kUnchanged}},
         {kMissing, kHeldOnce, kNoPlace}},
    };
    HealthRecord record;
    std::string tip;
    for (std::size_t i = 0; i < week.size(); ++i) {
        RunReport report;
        report.files = week[i].files;
        std::vector<std::string> warned;
        for (const Warning& w : TakeRun(record, report, week[i].when)) {
            warned.push_back(w.path);
        }
        EXPECT_EQ(warned, week[i].warned) << "run " << i;
        if (!report.files.empty()) {
            tip = TrayTipText(record);
        }
        HealthRecord again = Reread(record);
        EXPECT_EQ(FormatHealthRecord(again), FormatHealthRecord(record)) << "run " << i;
        record = again;
    }

    // What the record says after the week, file by file.
    ASSERT_EQ(record.files.size(), 4u);
    const FileHealth& missing = record.files[0];
    EXPECT_EQ(missing.path, kMissing);
    EXPECT_EQ(missing.lastOutcome, O::kMissing);
    EXPECT_EQ(missing.lastStored, "");
    EXPECT_EQ(missing.runsUnprotected, 5);
    EXPECT_EQ(missing.daysUnprotected, 4);
    EXPECT_EQ(record.files[1].lastOutcome, O::kGenerationHeld);
    EXPECT_EQ(record.files[1].lastStored, "2026-12-02 09:05");
    EXPECT_EQ(record.files[1].runsUnprotected, 3);
    EXPECT_EQ(record.files[1].daysUnprotected, 2);
    EXPECT_EQ(record.files[3].lastOutcome, O::kUnchanged);
    EXPECT_EQ(record.files[3].lastStored, "2026-12-03 09:05");
    EXPECT_EQ(record.files[3].runsUnprotected, 0);
    EXPECT_EQ(tip, "Ｓｏｒｅｌ２　12/4 9:05　危ないファイルが 3 個あるで");

    // Once the files are back, the tip counts what the run stored.
    RunReport fine;
    fine.files = {{kMissing, O::kStored}, {kHeldOnce, O::kUnchanged}};
    EXPECT_TRUE(TakeRun(record, fine, At(5, 8)).empty());
    EXPECT_EQ(TrayTipText(record), "Ｓｏｒｅｌ２　12/5 8:05 に 1 個保存");
    EXPECT_EQ(TrayTipText(HealthRecord{}), "Ｓｏｒｅｌ２");
    // Content held back is told at once, even on a day that named the file.
    fine.files = {{kMissing, O::kDiskFull}};
    EXPECT_EQ(TakeRun(record, fine, At(5, 9)).size(), 1u);
    fine.files = {{kMissing, O::kContentSuspect}};
    EXPECT_EQ(TakeRun(record, fine, At(5, 10)).size(), 1u);
}

// A clock put right after midnight, or a new time zone, goes back a day:
// that is no second day of use, and no second balloon.
TEST(Health, ClockPutBackCountsNoNewDay) {
    struct Step {
        LocalTime when;
        int days;
        bool warned;
    };
    const Step steps[] = {
        {At(3, 23), 1, true},                  // a lasting reason warns at once
        {{2026, 12, 4, 0, 2, 0}, 2, true},     // a new day, minutes later
        {{2026, 12, 3, 23, 58, 0}, 2, false},  // the clock goes back
        {{2026, 12, 4, 9, 0, 0}, 2, false},    // the same day again
        {At(5, 9), 3, true},
        // Set ahead once, then put right: 2099 counts as today, tomorrow warns.
        {{2099, 1, 1, 9, 0, 0}, 4, true},
        {At(6, 9), 4, false},
        {At(7, 9), 5, true},
    };
    HealthRecord record;
    for (const Step& step : steps) {
        RunReport report;
        report.files = {{kNoPlace, O::kPathUnusable}};
        EXPECT_EQ(TakeRun(record, report, step.when).size(), step.warned ? 1u : 0u)
            << StampText(step.when);
        EXPECT_EQ(record.files[0].daysUnprotected, step.days) << StampText(step.when);
    }
}

// The second copy over eight days of use: the drive there on day 1, away
// from day 2. Its balloon comes on the seventh day behind, once a day for all
// files, and the record, the tip and the log keep the newest version's date.
TEST(Health, SecondCopyBehindForAWeekAsksForThePlace) {
    using C = SecondCopyOutcome;
    HealthRecord record;
    PlaceReport there = {true,
                         true,
                         "E:\\控え",
                         {{kFine, C::kCopied, "2026-12-01"},
                          {kHeldOnce, C::kPresent, "2026-11-30"},
                          {kMissing, C::kMissing, ""}},
                         false,
                         {}};
    EXPECT_FALSE(TakePlaceRun(record.place, there, "2026-12-01"));
    EXPECT_EQ(record.place.files[2].daysBehind, 0);  // nothing to copy
    record.lastRun = "2026-12-01 09:05";
    EXPECT_EQ(TrayTipText(record), "Ｓｏｒｅｌ２　12/1 9:05 に 0 個保存　控え 2026-12-01");
    EXPECT_EQ(PlaceLogText(there, "2026-12-01 09:05"),
              "2026-12-01 09:05 控え：E:\\控え\r\n"
              "  控えたで：C:\\Data\\plain.txt\r\n"
              "  控えはあるで：C:\\Data\\book.xls\r\n"
              "  ファイルが見つからへん：E:\\usb\\diary.txt\r\n");
    PlaceReport away = {true, false, "E:\\控え", {}, false, {}};
    for (const SecondCopyResult& file : there.files) {
        away.files.push_back({file.path, C::kPlaceAway, ""});
    }
    EXPECT_EQ(PlaceLogText(away, "2026-12-02 09:05"),
              "2026-12-02 09:05 控えの場所が見つからへん：E:\\控え\r\n");
    for (int day = 2; day <= 9; ++day) {
        const std::string today = DayKey(At(day, 9));
        // Two runs a day count one day of use; the balloon once a day.
        EXPECT_EQ(TakePlaceRun(record.place, away, today), day >= 8) << day;
        EXPECT_FALSE(TakePlaceRun(record.place, away, today)) << day;
        record = Reread(record);
    }
    EXPECT_EQ(record.place.files[0].versionDay, "2026-12-01");
    EXPECT_EQ(record.place.files[0].daysBehind, 8);
    EXPECT_EQ(PlaceBalloonText(record.place),
              "控えが 7 日とれてへんで。\n控えのドライブ（E:）をつないでな");
    record.place.place = "\\\\nas\\share\\控え";
    EXPECT_NE(PlaceBalloonText(record.place).find("（\\\\nas\\share）"), std::string::npos);
    // A place not chosen changes nothing.
    EXPECT_FALSE(TakePlaceRun(record.place, PlaceReport{}, "2026-12-20"));
    EXPECT_EQ(record.place.files.size(), 3u);

    // Each cause is told as it is: only a place away asks for the drive, and
    // a cause that does not pass by itself is told on its first day.
    struct {
        C outcome;
        int firstBalloonDay;
        const char* said;
        bool setAhead = false;  // a record from a clock set to 2099: its days count as day 1
    } causes[] = {
        {C::kPlaceFull, 7, "がいっぱい"},          {C::kTooLarge, 1, "大きすぎて"},
        {C::kPlaceRefuses, 1, "書かせてくれへん"}, {C::kCheckFailed, 1, "読み返したら"},
        {C::kPathTooLong, 1, "パスが長すぎて"},    {C::kFileInUse, 7, "ソフトを閉じといて"},
        {C::kPlaceFull, 2, "がいっぱい", true},    {C::kTooLarge, 2, "大きすぎて", true},
    };
    for (const auto& cause : causes) {
        HealthRecord fresh;
        if (cause.setAhead) {
            fresh.place.warnedDay = "2099-01-01";
            fresh.place.files = {{kFine, "", "", 6, "2099-01-01", cause.outcome}};
        }
        PlaceReport behind = {true, true, "E:\\控え", {{kFine, cause.outcome, ""}}, false, {}};
        int firstDay = 0;
        for (int day = 1; day <= 8 && firstDay == 0; ++day) {
            firstDay = TakePlaceRun(fresh.place, behind, DayKey(At(day, 9))) ? day : 0;
            fresh = Reread(fresh);
        }
        EXPECT_EQ(firstDay, cause.firstBalloonDay) << cause.said;
        const std::string text = PlaceBalloonText(fresh.place);
        EXPECT_NE(text.find(cause.said), std::string::npos) << text;
        EXPECT_EQ(text.find("つないでな"), std::string::npos) << text;
    }

    // A scrub's damaged version is logged, kept in the record and told once.
    PlaceReport scrubbed = there;
    scrubbed.scrub = {true, 5, false, {"E:\\控え\\Sorel\\PC\\x\\2026-12-01 a.txt"}};
    EXPECT_TRUE(TakePlaceRun(record.place, scrubbed, "2026-12-21"));
    EXPECT_EQ(PlaceBalloonTitle(record.place), "Ｓｏｒｅｌ２：控えが傷んでるで！");
    EXPECT_EQ(Reread(record).place.damaged, scrubbed.scrub.damaged);
    EXPECT_NE(PlaceLogText(scrubbed, "x").find("控えが傷んでる：E:"), std::string::npos);
    record = Reread(record);
    EXPECT_FALSE(TakePlaceRun(record.place, scrubbed, "2026-12-21"));

    // The settings window's oldest day, read back from the record's text:
    // listed files only, and a file never held does not hide the others' day.
    HealthRecord held;
    held.place.files = {{"C:\\a.txt", "2026-12-05", "", 0, ""},
                        {"C:\\gone.txt", "2026-11-30", "", 0, ""},
                        {"C:\\表.xls", "2026-12-01", "", 0, ""},
                        {"C:\\new.txt", "", "", 0, ""}};
    const struct {
        std::vector<std::string> listed;
        const char* oldest;
    } rows[] = {{{"C:\\a.txt", "C:\\表.xls"}, "2026-12-01"},
                {{"C:\\a.txt", "C:\\new.txt"}, "2026-12-05"},
                {{"C:\\new.txt"}, ""},
                {{}, ""}};
    for (const auto& row : rows) {
        EXPECT_EQ(OldestHeldDay(Reread(held).place, row.listed), row.oldest);
    }
}

TEST(Health, LogAndBalloonSayWhatHappened) {
    RunReport report;
    report.files = {{"C:\\Data\\book.xls", O::kStored},
                    {"C:\\Data\\plain.txt", O::kUnchanged},
                    {"E:\\usb\\diary.txt", O::kMissing},
                    {"T:\\data\\big.bin", O::kDiskFull},
                    {"C:\\Data\\家計簿.xls", O::kContentSuspect}};
    EXPECT_EQ(RunLogText(report, {2026, 12, 7, 9, 15, 0}),
              "2026-12-07 09:15 バックアップしたで（5 個）\r\n"
              "  保存したで：C:\\Data\\book.xls\r\n"
              "  変わってへん：C:\\Data\\plain.txt\r\n"
              "  見つからへん：E:\\usb\\diary.txt\r\n"
              "  ディスクがいっぱい：T:\\data\\big.bin\r\n"
              "  中身が別物：C:\\Data\\家計簿.xls\r\n"
              "2026-12-07 09:15 おしまい　保存 1 個、変わらず 1 個、でけへん 3 個\r\n");
    EXPECT_EQ(RunLogText(RunReport{}, {2026, 12, 7, 9, 15, 0}), "");

    BalloonText one = BalloonFor({{"E:\\usb\\diary.txt", O::kMissing}});
    EXPECT_EQ(one.text,
              "「diary.txt」が見つからへんで。\nドライブやUSBメモリをつないどいてな。\n"
              "クリックで Ｓｏｒｅｌ を開くで。");
    BalloonText two = BalloonFor({{"C:\\Data\\book.xls", O::kHeld}, {"D:\\x", O::kDiskFull}});
    EXPECT_NE(
        two.text.find("「book.xls」を他のソフトが使うてて読めへんで。\nそのソフトを閉じといてな。"
                      "\nほかにも 1 個あるで。"),
        std::string::npos);
    EXPECT_LT(one.title.size(), 64u);
    // Content held back comes first, named with what it may mean; three or
    // more in one run make a single balloon for all.
    EXPECT_EQ(
        BalloonFor({{"E:\\usb\\diary.txt", O::kMissing}, {"C:\\家計簿.xls", O::kContentSuspect}})
            .text,
        "家計簿.xls の中身がまるっきり別物になってるで。暗号化されたかもしれへん。"
        "Ｓｏｒｅｌで確かめてな");
    BalloonText three = BalloonFor({{"C:\\a", O::kContentSuspect},
                                    {"C:\\b", O::kContentSuspect},
                                    {"C:\\c", O::kContentSuspect}});
    EXPECT_EQ(three.text.find("3 個のファイル"), 0u);
    EXPECT_LT(three.text.size(), 256u);
    // A very long double-byte name is cut without splitting a character.
    std::string longName = "C:\\";
    for (int i = 0; i < 200; ++i) {
        longName += "表";
    }
    EXPECT_EQ(BalloonFor({{"\\\\server\\share\\表\\家計簿.xls", O::kPathUnusable}})
                  .text.find("「家計簿.xls」"),
              0u);
    BalloonText cut = BalloonFor({{longName, O::kPathUnusable}});
    EXPECT_LE(cut.text.size(), 255u);
    EXPECT_NE(cut.text.find("表…」"), std::string::npos);
}

TEST(Health, DamagedRecordsStartAfresh) {
    const std::string good =
        "Sorel health 1\r\n"
        "file\tmissing\t\t3\t2\t2026-12-07\t2026-12-07\tE:\\usb\\diary.txt\r\n"
        "file\tstored\t2026-12-07 09:15\t0\t0\t2026-12-07\t\tC:\\a,b\\表.txt\r\n";
    struct Case {
        std::string bytes;
        std::size_t files;
    };
    const Case cases[] = {
        {good, 2},
        {"", 0},
        {std::string("\0\0\0", 3), 0},
        {"Sorel health 2\r\n" + good.substr(16), 0},                // another format: not ours
        {"Sorel health 1\r\nrun\t1\r\n\r\n" + good.substr(16), 2},  // unknown lines
        {good.substr(0, good.size() - 30), 1},                      // cut off in the last line
        {"Sorel health 1\nfile\tvanished\t\t0\t0\t\t\tC:\\x\n", 0},
        {"Sorel health 1\nfile\tmissing\t\t-1\t0\t\t\tC:\\x\n", 0},
        {"Sorel health 1\nfile\tmissing\t\t99999999\t0\t\t\tC:\\x\n", 0},
        {"Sorel health 1\nfile\tmissing\t\t1\t1\t\t\t\n", 0},
        {"Sorel health 1\nfile\tmissing\t\t1\t1\t\t\tC:\\x\nfile\theld\t\t1\t1\t\t\tC:\\x\n", 1},
        {good + std::string(kMaxRecordBytes, 'x'), 0},  // huge
        // The second copy's lines, and damaged ones passed over.
        {good + "place\t\tE:\\b\r\ncopy\t2026-12-01\t2\t\tC:\\x\r\ncopy\t\t-1\t\tC:\\y\r\n", 2},
    };
    for (const Case& c : cases) {
        HealthRecord record = ParseHealthRecord(c.bytes);
        EXPECT_EQ(record.files.size(), c.files) << c.bytes.substr(0, 80);
    }
    HealthRecord record = ParseHealthRecord(good);
    EXPECT_EQ(FormatHealthRecord(record), good);
    EXPECT_EQ(record.files[0].daysUnprotected, 2);
    EXPECT_TRUE(AtRisk(record.files[0]));
}
