#include "hour_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using sorel::AdvanceTick;
using sorel::HourCheckState;

namespace {

// Seconds since midnight of day 0 at which each hour check ran, ticking every
// 5 seconds from `startSecond` for `days` days.
std::vector<long> ChecksOver(const std::string& scheduleHour, long startSecond, int days) {
    HourCheckState state;
    std::vector<long> checks;
    const long end = static_cast<long>(days) * 86400;
    for (long t = startSecond + 5; t < end; t += 5) {
        int hour = static_cast<int>((t % 86400) / 3600);
        if (AdvanceTick(state, t / 86400, hour, scheduleHour)) {
            checks.push_back(t);
        }
    }
    return checks;
}

long At(int day, int hour, int minute, int second = 0) {
    return day * 86400L + hour * 3600L + minute * 60L + second;
}

}  // namespace

TEST(HourCheck, TwentyTwoStartedAt0855RunsOnceEachEvening) {
    auto checks = ChecksOver("22", At(0, 8, 55), 3);
    ASSERT_EQ(checks.size(), 3u);
    for (int day = 0; day < 3; ++day) {
        // The first tick whose previous tick fell within 22 o'clock.
        EXPECT_EQ(checks[day], At(day, 22, 0, 5)) << day;
    }
}

TEST(HourCheck, FourStartedAt0430RunsOnTheSecondTickThenDaily) {
    // The first tick's previous hour counts as 0, so the second tick, whose
    // previous tick fell at 04:30, starts the check.
    auto checks = ChecksOver("04", At(0, 4, 30), 3);
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0], At(0, 4, 30, 10));
    EXPECT_EQ(checks[1], At(1, 4, 0, 5));
    EXPECT_EQ(checks[2], At(2, 4, 0, 5));
}

TEST(HourCheck, EmptyScheduleCountsAsHourZero) {
    // Started at 08:00: the first tick's previous hour is 0, so the check
    // comes about 5 seconds after start, and then every night at 0 o'clock.
    auto checks = ChecksOver("", At(0, 8, 0), 2);
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0], At(0, 8, 0, 5));
    EXPECT_EQ(checks[1], At(1, 0, 0, 5));
}

TEST(HourCheck, HourChangedDuringTheDayIsFollowed) {
    HourCheckState state;
    EXPECT_FALSE(AdvanceTick(state, 0, 5, "04"));
    // The settings window picks 6 o'clock during hour 5.
    EXPECT_FALSE(AdvanceTick(state, 0, 6, "06"));
    EXPECT_TRUE(AdvanceTick(state, 0, 6, "06"));
    EXPECT_FALSE(AdvanceTick(state, 0, 6, "06"));
    // A quitting agent, and one that has not yet read its settings, hold an
    // hour the clock never shows.
    HourCheckState quitting;
    for (int hour = 0; hour < 24; ++hour) {
        EXPECT_FALSE(AdvanceTick(quitting, 0, hour, "25"));
        EXPECT_FALSE(AdvanceTick(quitting, 0, hour, "25"));
    }
}

// Ticks as (day, hour), with gaps where the PC sleeps or the clock jumps.
TEST(HourCheck, OneCheckADayWhateverTheGaps) {
    struct Tick {
        long day;
        int hour;
        bool check;
    };
    struct Row {
        const char* what;
        std::vector<Tick> ticks;
    } rows[] = {
        // clang-format off
        {"sleeps through 22 o'clock: not made up",
         {{0, 21, false}, {0, 23, false}, {1, 0, false}, {1, 22, false}, {1, 22, true}}},
        {"sleeps 22:30 to 07:00 every night",
         {{0, 22, false}, {0, 22, true}, {1, 7, false}, {1, 22, false}, {1, 22, true},
          {2, 7, false}, {2, 22, false}, {2, 22, true}}},
        {"summer time skips 23:00",
         {{0, 22, false}, {0, 22, true}, {1, 0, false}, {1, 22, false}, {1, 22, true}, {2, 0, false}}},
        {"23 o'clock's check is that day's, whenever the next tick comes",
         {{0, 23, false}, {1, 0, true}, {1, 23, false}, {1, 23, true}, {2, 23, false}, {3, 23, true}}},
        // clang-format on
    };
    for (const Row& r : rows) {
        HourCheckState state;
        const std::string hour = r.ticks.front().hour == 23 ? "23" : "22";
        for (std::size_t i = 0; i < r.ticks.size(); ++i) {
            const Tick& t = r.ticks[i];
            EXPECT_EQ(AdvanceTick(state, t.day, t.hour, hour), t.check) << r.what << ", tick " << i;
        }
    }
}

TEST(StartupKeyword, IsLookedForAmongTheArgumentsOnly) {
    struct Row {
        const char* commandLine;
        bool skips;
    } rows[] = {
        {"\"C:\\Users\\kirum\\Startup\\Sorel2.exe\"", false},
        {"C:\\Users\\kirum\\Sorel2.exe", false},
        {"\"C:\\Users\\kirum\\Sorel2.exe\" ", false},
        {"\"C:\\Program Files\\kirum x\\Sorel2.exe\" /a b", false},
        {"\"C:\\Users\\kirum\\Sorel2.exe\" kirum", true},
        {"C:\\Users\\kirum\\Sorel2.exe kirum", true},
        {"C:\\Tools\\Sorel2.exe\tkirum", true},
        {"Sorel2.exe /xkirumx", true},
        {"\"C:\\表\\Sorel2.exe\" -kirum", true},
        {"Sorel2.exe Kirum", false},
        // An unclosed quote: everything is the program's path.
        {"\"C:\\kirum\\Sorel2.exe kirum", false},
        {"", false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(sorel::ArgumentsContain(r.commandLine, "kirum"), r.skips) << r.commandLine;
    }
}
