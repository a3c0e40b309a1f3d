#include "place/place_files.h"
#include "place/place_paths.h"

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

// The state text's date: the oldest newest-copy among the files still listed.
TEST(PlaceFiles, OldestCopyDateOfListedFiles) {
    const std::string record =
        "copy\t2026-12-05\tC:\\a.txt\r\ncopy\t2026-11-30\tC:\\gone.txt\r\n"
        "copy\t2026-12-01\tC:\\表.xls\r\ncopy\t2026-1-1\tC:\\a.txt\r\nrun\t2026-12-07\r\n";
    EXPECT_EQ(OldestCopyDate(record, {"C:\\a.txt", "C:\\表.xls"}), "2026-12-01");
    EXPECT_EQ(OldestCopyDate(record, {"C:\\a.txt", "C:\\new.txt"}), "2026-12-05");
    EXPECT_EQ(OldestCopyDate(record, {"C:\\new.txt"}), "");
    EXPECT_EQ(OldestCopyDate("", {"C:\\a.txt"}), "");
}
