#include "place/place_files.h"
#include "place/place_history.h"
#include "place/place_paths.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace sorel;

// Both small files read back what was written, and anything else (another
// form, a damaged identity, a value that would break the lines) reads as no
// place at all.
TEST(PlaceFiles, ReadBackOrNothing) {
    const PlaceChoice choice = {"\\\\nas\\backup\\表", "{0123ABCD-4567-89ab-cdef-0123456789AB}"};
    const PlaceChoice back = ParsePlaceChoice(FormatPlaceChoice(choice));
    EXPECT_EQ(back.folder, choice.folder);
    EXPECT_EQ(back.identity, choice.identity);
    EXPECT_EQ(back.disk, "");  // a file from before the disk was kept
    PlaceChoice onDisk = choice;
    onDisk.disk = "disk 0,2";
    EXPECT_EQ(ParsePlaceChoice(FormatPlaceChoice(onDisk)).disk, onDisk.disk);
    const PlaceMarker marker = {choice.identity, "PC-01", "花子"};
    EXPECT_EQ(ParsePlaceMarker(FormatPlaceMarker(marker)).user, "花子");

    const std::string good = FormatPlaceChoice(choice);
    const char* const damaged[] = {
        "",
        "Sorel place 2\r\nfolder\tE:\\x\r\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789AB}\r\n",
        "Sorel place 1\r\nfolder\tE:\\x\r\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789A}\r\n",
        "Sorel place 1\r\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789AB}\r\n",
        "Sorel place 1\nfolder\tE:\\x\nidentity\t{0123ABCD-4567-89ab-cdef-0123456789AG}\n",
    };
    for (const char* bytes : damaged) {
        EXPECT_TRUE(ParsePlaceChoice(bytes).Empty()) << bytes;
    }
    EXPECT_TRUE(ParsePlaceChoice(good + std::string(5000, 'x')).Empty());
    EXPECT_TRUE(ParsePlaceMarker(good).identity.empty());  // a choice is no marker
    EXPECT_EQ(FormatPlaceChoice({"E:\\a\r\nb", choice.identity}), "");
    EXPECT_EQ(FormatPlaceMarker({choice.identity, "PC\t01", "u"}), "");
}

// A typed or pasted folder becomes the stored one; a network path's share is
// found byte by byte, a 表 (whose second byte is a backslash) included.
TEST(PlaceFiles, FolderTextAndShareRoot) {
    const struct {
        const char* typed;
        const char* folder;
        const char* share;
    } rows[] = {
        {" \"E:\\控え\\\" ", "E:\\控え", ""},
        {"e:\\", "e:", ""},
        {"E:/a/b/", "E:\\a\\b", ""},
        {"E:a", "", ""},
        {"backup", "", ""},
        {"\\\\nas\\Backup\\", "\\\\nas\\Backup", "\\\\NAS\\BACKUP"},
        {"\\\\nas\\表\\x", "\\\\nas\\表\\x", "\\\\NAS\\表"},
        {"\\\\nas\\表", "\\\\nas\\表", "\\\\NAS\\表"},
        {"\\\\nas", "", ""},
        {"\\\\nas\\", "", ""},
        {"\\\\?\\C:\\x", "", ""},
        {"\\\\\\x\\y", "", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PlaceFolderText(row.typed), row.folder) << row.typed;
        EXPECT_EQ(ShareRoot(PlaceFolderText(row.typed)), row.share) << row.typed;
    }
}

// Version names read back only for their own file, and each listed file gets
// a folder a person recognises, apart from its namesakes elsewhere.
TEST(PlaceHistory, NamesAndFolders) {
    EXPECT_EQ(VersionName({2026, 12, 7}, "家計簿.xls"), "2026-12-07 家計簿.xls");
    struct {
        const char* version;
        bool is;
        CivilDate date;
    } rows[] = {
        {"2026-12-07 家計簿.xls", true, {2026, 12, 7}},
        {"2024-02-29 家計簿.xls", true, {2024, 2, 29}},
        {"2026-02-29 家計簿.xls", false, {}},  // no such day
        {"2026-13-01 家計簿.xls", false, {}},
        {"2026-12-07 家計簿.xlsx", false, {}},
        {"~copy 家計簿.xls", false, {}},
        {"2026-1-07 家計簿.xls", false, {}},
    };
    for (const auto& r : rows) {
        CivilDate date;
        EXPECT_EQ(VersionDate(r.version, "家計簿.xls", date), r.is) << r.version;
        EXPECT_TRUE(!r.is || date == r.date) << r.version;
    }
    const std::string folder = FileFolderName("C:\\表\\家計簿.xls");
    EXPECT_EQ(folder.rfind("家計簿.xls ", 0), 0u) << folder;
    EXPECT_EQ(folder.size(), std::string("家計簿.xls ").size() + 8);
    // Windows' spelling of the same path reaches the same folder's hash.
    EXPECT_EQ(FileFolderName("c:/表/家計簿.XLS"), "家計簿.XLS" + folder.substr(folder.size() - 9));
    EXPECT_NE(FileFolderName("C:\\他\\家計簿.xls"), folder);
    EXPECT_EQ(FileFolderName("C:\\dir\\"), "");
    // A long name is cut between characters, and no folder ends in a dot.
    const std::string cut = FileFolderName("C:\\a\\" + std::string(39, 'x') + "表.txt");
    EXPECT_EQ(cut.substr(0, 40), std::string(39, 'x') + " ") << cut;
    EXPECT_EQ(FileFolderName("C:\\a\\" + std::string(39, 'y') + ".txt").substr(39, 1), " ");
    // A version on a FAT or exFAT drive keeps its time to 2 s or 10 ms.
    const std::uint64_t saved = 134'090'000'001'234'567;  // 100 ns units
    EXPECT_TRUE(SameVersionTime(saved, saved));
    EXPECT_TRUE(SameVersionTime(saved + 10'765'433, saved));  // FAT, rounded up
    EXPECT_TRUE(SameVersionTime(saved - 34'567, saved));      // exFAT
    EXPECT_FALSE(SameVersionTime(saved + 20'000'000, saved));
    EXPECT_FALSE(SameVersionTime(saved - 20'000'000, saved));
}

// The history thinned by age: a table at one date, then two years of daily
// versions thinned as each run does.
TEST(PlaceHistory, ThinnedByAge) {
    const CivilDate n = {2026, 12, 7};
    // The date `days` before `from`, walked day by day.
    auto back = [](const CivilDate& from, long days) {
        const long target = DaysFromCivil(from) - days;
        CivilDate d = {from.year - 4, 1, 1};
        while (DaysFromCivil(d) < target) {
            const CivilDate next = {d.year, d.month, d.day + 1};
            const CivilDate month =
                d.month == 12 ? CivilDate{d.year + 1, 1, 1} : CivilDate{d.year, d.month + 1, 1};
            d = DaysFromCivil(next) < DaysFromCivil(month) ? next : month;
        }
        return d;
    };
    // Ages in days, and whether each goes.
    struct {
        long age;
        bool goes;
    } rows[] = {
        {0, false},   {6, false},               // the last week stays whole
        {7, false},   {8, true},   {9, true},   // block 0 (Nov 30 is also November's newest)
        {14, false},  {15, true},  {20, true},  // block 1
        {27, false},  {28, false}, {34, true},  // blocks 2 and 3 keep their newest
        {35, true},                             // November already has its newest
        {40, false},  {41, true},               // October's newest, and another
        {700, false},                           // January 2025: the 24th month
        {707, true},                            // December 2024: too old
    };
    std::vector<CivilDate> versions;
    std::vector<CivilDate> expected;
    for (const auto& r : rows) {
        versions.push_back(back(n, r.age));
        if (r.goes) {
            expected.push_back(versions.back());
        }
    }
    EXPECT_EQ(VersionsToRemove(versions), expected);
    EXPECT_TRUE(VersionsToRemove({}).empty());
    EXPECT_EQ(DaysFromCivil({1970, 1, 1}), 0);
    EXPECT_EQ(DaysFromCivil({2000, 3, 1}) - DaysFromCivil({2000, 2, 28}), 2);

    // A version every day for three years, thinned after every run: the last
    // week whole, never more than 7 + 4 + 24 versions, and nothing older
    // than the 24th month back.
    std::vector<CivilDate> kept;
    for (long age = 3 * 365; age >= 0; --age) {
        kept.push_back(back(n, age));
        for (const CivilDate& gone : VersionsToRemove(kept)) {
            kept.erase(std::find(kept.begin(), kept.end(), gone));
        }
        ASSERT_LE(kept.size(), 35u);
    }
    for (long age = 0; age <= 6; ++age) {
        EXPECT_NE(std::find(kept.begin(), kept.end(), back(n, age)), kept.end()) << age;
    }
    // Every one of the 24 months keeps its newest version.
    for (int month = 2025 * 12 + 1; month <= 2026 * 12 + 12; ++month) {
        EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [&](const CivilDate& d) {
            return d.year * 12 + d.month == month;
        })) << month;
    }
    EXPECT_EQ(kept.front().year * 12 + kept.front().month, 2025 * 12 + 1);
}
