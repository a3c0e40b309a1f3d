#include "list_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sorel;

using Sizes = std::vector<std::optional<std::uint64_t>>;

TEST(DropChecks, FolderIsJudgedByWhatThePathIsNotByItsName) {
    // Files whose extension is not three bytes long are files all the same.
    EXPECT_EQ(CheckDroppedPath("C:\\a\\report.xlsx", false), DropVerdict::kAccept);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\notes.c", false), DropVerdict::kAccept);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\README", false), DropVerdict::kAccept);
    // A folder is refused even when its name looks like a file's.
    EXPECT_EQ(CheckDroppedPath("C:\\a\\Photos", true), DropVerdict::kFolder);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\Photos.old", true), DropVerdict::kFolder);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\Links.lnk", true), DropVerdict::kFolder);
}

TEST(DropChecks, ShortcutsInAnyLetterCase) {
    EXPECT_EQ(CheckDroppedPath("C:\\a\\link.lnk", false), DropVerdict::kShortcut);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\LINK.LNK", false), DropVerdict::kShortcut);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\Link.Lnk", false), DropVerdict::kShortcut);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\site.url", false), DropVerdict::kInternetShortcut);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\SITE.URL", false), DropVerdict::kInternetShortcut);
    // Only the extension decides: these are ordinary files.
    EXPECT_EQ(CheckDroppedPath("C:\\a\\lnk", false), DropVerdict::kAccept);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\x.lnk.txt", false), DropVerdict::kAccept);
    EXPECT_EQ(CheckDroppedPath("C:\\a\\x.ulr", false), DropVerdict::kAccept);
    EXPECT_EQ(CheckDroppedPath("C:\\表\\予定.lnk", false), DropVerdict::kShortcut);
}

TEST(DropChecks, LengthIsLeftToTheAgentsRule) {
    // Over the 255 bytes of an older drop buffer: judged by kind alone.
    const std::string longFolder = "C:\\" + std::string(300, 'a') + "\\b";
    EXPECT_EQ(CheckDroppedPath(longFolder + ".txt", false), DropVerdict::kAccept);
    EXPECT_EQ(CheckDroppedPath(longFolder + ".lnk", false), DropVerdict::kShortcut);
    EXPECT_EQ(CheckDroppedPath(longFolder, true), DropVerdict::kFolder);
}

TEST(DuplicateRule, WholeLineInAnyLetterCase) {
    const std::vector<std::string> listed = {"data.txt.bak", "Book.xls"};
    // A prefix of a listed line is a different name.
    EXPECT_FALSE(IsListedLine(listed, "data.txt"));
    EXPECT_FALSE(IsListedLine(listed, "data.txt.ba"));
    EXPECT_FALSE(IsListedLine(listed, "Book.xlsx"));
    EXPECT_FALSE(IsListedLine(listed, ""));
    EXPECT_TRUE(IsListedLine(listed, "data.txt.bak"));
    EXPECT_TRUE(IsListedLine(listed, "BOOK.XLS"));
    EXPECT_TRUE(IsListedLine(listed, "book.xls"));
    EXPECT_FALSE(IsListedLine({}, "book.xls"));
    // Names as Windows resolves them: dots and spaces at the end go.
    EXPECT_TRUE(IsListedLine(listed, "Book.xls."));
    EXPECT_TRUE(IsListedLine(listed, "Book.xls "));
    EXPECT_TRUE(IsListedLine({"Book.xls. "}, "book.xls"));
    EXPECT_FALSE(IsListedLine(listed, "Book.xls.x"));
    EXPECT_EQ(ResolvedName("C:\\a\\b.txt . "), "C:\\a\\b.txt");
}

TEST(DuplicateRule, DoubleByteCharactersAreComparedWhole) {
    // ア is 0x83 0x41 and ヂ 0x83 0x61: their trail bytes differ only as A
    // and a do, yet they are different characters.
    EXPECT_FALSE(SameLineText("ア.txt", "ヂ.txt"));
    EXPECT_TRUE(SameLineText("予定ア.TXT", "予定ア.txt"));
    // Full-width Latin letters in either case.
    EXPECT_TRUE(SameLineText("ＡＢＣ.txt", "ａｂｃ.txt"));
    EXPECT_FALSE(SameLineText("ＡＢＣ.txt", "ABC.txt"));
    // Different lengths never match, even when one is the other's start.
    EXPECT_FALSE(SameLineText("表", "表x"));
}

TEST(Estimate, NinetenthsOfASecondPerMillionBytesCutTowardsZero) {
    EXPECT_EQ(Estimate({}).seconds, "0");
    EXPECT_EQ(Estimate({}).count, "0");
    // 3.8 MB give 3.42 s, shown as 3.
    EstimateTexts two = Estimate({3'000'000, 800'000});
    EXPECT_EQ(two.seconds, "3");
    EXPECT_EQ(two.count, "2");
    // Under a second, but the files still count.
    EXPECT_EQ(Estimate({1'000'000}).seconds, "１秒以下");
    EXPECT_EQ(Estimate({0, 0, 0}).seconds, "１秒以下");
    EXPECT_EQ(Estimate({0, 0, 0}).count, "3");
    // Exactly on a whole second: no rounding error takes it down.
    EXPECT_EQ(Estimate({10'000'000}).seconds, "9");
    EXPECT_EQ(Estimate({1'111'112}).seconds, "1");
    EXPECT_EQ(Estimate({1'111'111}).seconds, "１秒以下");
    EXPECT_EQ(Estimate({3'333'334, 3'333'333, 3'333'333}).seconds, "9");
    EXPECT_EQ(Estimate({3'333'334, 3'333'333, 3'333'332}).seconds, "8");
}

TEST(Estimate, SizesAreSixtyFourBitAndUnreadableFilesOnlyCount) {
    // 5,000,000,000 bytes: a 32-bit count would see 705,032,704.
    EXPECT_EQ(Estimate({5'000'000'000ull}).seconds, "4500");
    EXPECT_EQ(Estimate({std::nullopt}).seconds, "１秒以下");
    EXPECT_EQ(Estimate({std::nullopt}).count, "1");
    EstimateTexts mixed = Estimate({3'000'000, std::nullopt, 800'000});
    EXPECT_EQ(mixed.seconds, "3");
    EXPECT_EQ(mixed.count, "3");
    // Sizes that would overflow the sum saturate instead of wrapping round.
    EXPECT_EQ(BackupSeconds(UINT64_MAX), UINT64_MAX / 10'000'000 * 9 + 8);
    EXPECT_EQ(Estimate({UINT64_MAX, UINT64_MAX}).seconds,
              std::to_string(BackupSeconds(UINT64_MAX)));
}
