#include "place/content_hash.h"
#include "place/manifest.h"
#include "place/place_files.h"
#include "place/place_history.h"
#include "place/place_paths.h"

#include <algorithm>
#include <tuple>

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

// A version's hash: XXH3's 128 bits, the same whatever the pieces the bytes
// come in; 3000 bytes pass XXH3's internal buffer and block.
TEST(PlaceFiles, ContentHash) {
    std::string block(3000, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 7);
    }
    const std::pair<std::string, const char*> known[] = {
        {"", "99aa06d3014798d86001c324468d497f"},
        {"Sorel", "e826a8a2411a89714d2bf366e64aaaaf"},
        {block, "7ab4ea880b3e81046168bb188259cccf"},
    };
    for (const auto& [bytes, text] : known) {
        ContentHasher whole;
        ContentHasher pieces;
        whole.Update(bytes.data(), bytes.size());
        for (std::size_t at = 0, size = 1; at < bytes.size(); at += size, size = size * 3 + 1) {
            pieces.Update(bytes.data() + at, std::min(size, bytes.size() - at));
        }
        EXPECT_EQ(HashText(whole.Final()), text);
        EXPECT_EQ(HashText(pieces.Final()), text);
    }
}

// The manifest keeps one entry a name and reads back what was written, the
// hash's text in either case; a damaged file reads as none, and a bad or
// cut-off line is passed over.
TEST(PlaceFiles, ManifestReadBack) {
    std::vector<ManifestEntry> entries;
    PutEntry(entries, {"2026-12-07 家計簿.xls", 1, 2, {3, 4}, false});
    PutEntry(entries,
             {"2026-12-01 表.xls", 4294967296u, 134'090'000'001'234'567u, {~0ull, 0}, true});
    PutEntry(entries, {"2026-12-07 家計簿.xls", 5, 6, {7, 8}, false});
    PutEntry(entries, {"tab\tname", 0, 0, {}, false});
    const std::string text = FormatManifest(entries);
    std::vector<ManifestEntry> back = ParseManifest(text);
    EXPECT_EQ(FormatManifest(back), text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(FindEntry(back, "2026-12-07 家計簿.xls")->written, 6u);
    EXPECT_EQ(FindEntry(back, "2026-12-01 表.xls")->size, 4294967296u);
    EXPECT_EQ(FindEntry(back, "x"), nullptr);
    KeepOnly(back, {"2026-12-01 表.xls", "x"});
    ASSERT_EQ(back.size(), 1u);
    EXPECT_TRUE(back[0].damaged && back[0].hash == (Hash128{~0ull, 0}));
    EXPECT_EQ(FormatManifest({{"v", 1, 2, {3, 4}, false}}),
              "Sorel manifest 1\r\n00000000000000030000000000000004\t1\t2\tok\tv\r\n");

    const std::string head = "Sorel manifest 1\r\n";
    const std::string hash = "0123456789abcdef0123456789ABCDEF\t";
    const std::string line = hash + "1\t2\tok\tv\r\n";
    const std::pair<std::string, std::size_t> rows[] = {
        {head + line + line + hash + "1\t2\tok\tw", 1},  // the last line cut off
        {head + line + hash + "1\t2\tdamaged\tw\n", 2},
        {"Sorel manifest 2\r\n" + line, 0},
        {head + line + std::string(1 << 20, 'x'), 0},
        {head + "0123\t1\t2\tok\tv\r\n", 0},
        {head + "0123456789abcdef0123456789abcdeg\t1\t2\tok\tv\r\n", 0},
        {head + hash + "-1\t2\tok\tv\r\n", 0},
        {head + hash + "1\t18446744073709551616\tok\tv\r\n", 0},
        {head + hash + "1\t2\tfine\tv\r\n", 0},
        {head + hash + "1\t2\tok\t\r\n", 0},
        {head + hash + "1\t2\tok\tv\tw\r\n", 0},
    };
    for (const auto& [bytes, count] : rows) {
        EXPECT_EQ(ParseManifest(bytes).size(), count) << bytes.substr(0, 80);
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
    // Each PC's folder, named as Explorer shows the computer: a 表 or a ソ,
    // whose second byte is a backslash, stays whole.
    const char* const pcs[][2] = {
        {"pc-表ソ", "PC-表ソ"},
        {"a\\b/c:d*e?f\"g<h>i|j\t\x1f", "A_B_C_D_E_F_G_H_I_J__"},
        {"x. .", "X"},
        {". ", "PC"},
    };
    for (const auto& r : pcs) {
        EXPECT_EQ(PcFolderName(r[0]), r[1]) << r[0];
    }
    // A version keeps its time as its drive's file system can: FAT to 2 s
    // (rounded up or down), exFAT to 10 ms, the others exactly; and FAT holds
    // no file of 4 GiB.
    const std::uint64_t saved = 134'090'000'001'234'567;  // 100 ns units
    const std::uint64_t fat = 4294967295u;
    const std::tuple<const char*, std::int64_t, bool, std::uint64_t> times[] = {
        {"FAT32", 0, true, fat},
        {"FAT", 10'765'433, true, fat},
        {"fat16", -19'999'999, true, fat},
        {"FAT12", 20'000'000, false, fat},
        {"exFAT", -34'567, true, 0},
        {"EXFAT", 100'000, false, 0},
        {"NTFS", 0, true, 0},
        {"NTFS", 1, false, 0},
        {"FAT33", -1, false, 0},
    };
    for (const auto& [fileSystem, apart, same, largest] : times) {
        EXPECT_EQ(SameVersionTime(saved + apart, saved, TimeStepOf(fileSystem)), same)
            << fileSystem << " " << apart;
        EXPECT_EQ(LargestFileOn(fileSystem), largest) << fileSystem;
    }
}

// The history thinned by the days, weeks and months that hold versions: a
// table of single cases around 2026-12-10, then years of a user's saves.
TEST(PlaceHistory, ThinnedByAge) {
    auto next = [](const CivilDate& d) {
        const CivilDate day = {d.year, d.month, d.day + 1};
        const CivilDate month =
            d.month == 12 ? CivilDate{d.year + 1, 1, 1} : CivilDate{d.year, d.month + 1, 1};
        return DaysFromCivil(day) < DaysFromCivil(month) ? day : month;
    };
    // Each row: the first of `daily` versions a day apart, other versions, the
    // current state's, and the days of December 2026 that go.
    const std::tuple<CivilDate, int, std::vector<CivilDate>, CivilDate, std::vector<int>> rows[] = {
        // Dec 1 to 3 are neither among the 7 days nor a week's or a month's newest.
        {{2026, 12, 1}, 10, {}, {}, {3, 2, 1}},
        // A restored old state stays, though its week and month keep another.
        {{2026, 12, 1}, 10, {{2019, 5, 21}, {2019, 5, 20}}, {2019, 5, 20}, {3, 2, 1}},
        // Saved under a clock set to 2030: kept, and no real version looks old.
        {{2026, 12, 5}, 6, {{2030, 1, 1}, {2026, 11, 20}, {2025, 1, 31}}, {}, {}},
        // Past tomorrow, a date is the clock's mistake: it stays, placed or not.
        {{2026, 12, 11}, 8, {}, {}, {11}},
        {{2026, 12, 12}, 8, {}, {}, {}},
        {{2026, 12, 10}, 1, {{2026, 12, 10}}, {}, {10}},  // the same date twice
        {{2026, 12, 10}, 0, {}, {}, {}},
    };
    for (const auto& [first, daily, others, current, days] : rows) {
        std::vector<CivilDate> versions = others;
        for (CivilDate d = first; versions.size() < others.size() + daily; d = next(d)) {
            versions.push_back(d);
        }
        std::vector<CivilDate> removed;
        for (int day : days) {
            removed.push_back({2026, 12, day});
        }
        EXPECT_EQ(VersionsToRemove(versions, current, {2026, 12, 10}), removed)
            << first.day << " " << daily;
    }
    EXPECT_EQ(DaysFromCivil({1970, 1, 1}), 0);
    EXPECT_EQ(DaysFromCivil({2000, 3, 1}) - DaysFromCivil({2000, 2, 28}), 2);
    EXPECT_EQ(DayOfWeek({1970, 1, 1}), 3);  // a Thursday
    EXPECT_EQ(DayOfWeek({1601, 1, 1}), 0);  // a Monday
    EXPECT_EQ(DayOfWeek({2026, 12, 13}), 6);

    // Saves every day for three years, every Monday for one, then none (the
    // phases' last days and weekdays of saves), thinned after every run: the
    // 7 latest versions, the newest of 4 earlier weeks and of 24 earlier
    // months, and nothing goes on a day without a save.
    const std::pair<CivilDate, int> phases[] = {
        {{2025, 12, 31}, -1}, {{2026, 12, 31}, 0}, {{2027, 12, 31}, 7}};
    auto week = [](const CivilDate& d) { return DaysFromCivil(d) - DayOfWeek(d); };
    auto month = [](const CivilDate& d) { return d.year * 12 + d.month; };
    std::vector<CivilDate> saved;
    std::vector<CivilDate> kept;  // oldest first, as saved
    CivilDate today = {2023, 1, 1};
    for (const auto& [until, weekday] : phases) {
        for (; DaysFromCivil(today) <= DaysFromCivil(until); today = next(today)) {
            const bool save = weekday < 0 || DayOfWeek(today) == weekday;
            if (save) {
                saved.push_back(today);
                kept.push_back(today);
            }
            const std::vector<CivilDate> gone = VersionsToRemove(kept, saved.back(), today);
            ASSERT_TRUE(save || gone.empty()) << today.year << "-" << today.month;
            for (const CivilDate& d : gone) {
                kept.erase(std::find(kept.begin(), kept.end(), d));
            }
        }
        const std::vector<CivilDate> newest(kept.rbegin(), kept.rend());
        ASSERT_EQ(newest.size(), 7u + 4 + 24) << until.year;
        // The newest saved in its period, and a period of its own.
        auto newestOf = [&](auto period, std::size_t i) {
            return period(newest[i]) != period(newest[i - 1]) &&
                   std::none_of(saved.begin(), saved.end(), [&](const CivilDate& d) {
                       return period(d) == period(newest[i]) &&
                              DaysFromCivil(d) > DaysFromCivil(newest[i]);
                   });
        };
        for (std::size_t i = 0; i < newest.size(); ++i) {
            EXPECT_TRUE(i >= 7 || newest[i] == saved[saved.size() - 1 - i]) << i;
            EXPECT_TRUE(i < 7 || i >= 11 || newestOf(week, i)) << i;
            EXPECT_TRUE(i < 11 || newestOf(month, i)) << i;
        }
    }
}
