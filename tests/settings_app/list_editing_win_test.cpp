// Adding, refusing and removing files of the backup list, and the estimate,
// in the window made from the program's own code.
#include "app_state.h"
#include "list_editing.h"
#include "list_rules.h"
#include "messages.h"
#include "resource.h"
#include "settings_file.h"
#include "settings_text.h"
#include "settings_window_fixture.h"

using namespace sorel;
using namespace sorel::test;
using Lines = std::vector<std::string>;

namespace {

const char kOldDate[] = "2009年5月21日";

class ListEditingTest : public SettingsWindowTest {
  protected:
    // Starts with these files listed.
    void StartWith(const Lines& paths) {
        Lines file = {Header("221"), kOldDate};
        file.insert(file.end(), paths.begin(), paths.end());
        WriteSettings(file);
        Start();
    }
};

TEST_F(ListEditingTest, DroppedFileIsAddedSavedAndConfirmed) {
    std::string book = MakeFile("book.xls", std::string(3'000'000, 'b'));
    std::string diary = MakeFile("diary.txt", std::string(800'000, 'd'));
    StartWith({book});
    EXPECT_EQ(ControlText(app::BackupTimeEdit), "2");
    // Of several files dropped together only the last is taken.
    Drop({MakeFile("a.txt"), MakeFile("b.txt"), diary});
    EXPECT_TRUE(SaidOnly(asker, app::kAddedMessage));
    EXPECT_EQ(ListLines(), (Lines{"book.xls", "diary.txt"}));
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("221"), TodayText(), book, diary}));
    EXPECT_EQ(ControlText(app::BackupTimeEdit), "3");
    EXPECT_EQ(ControlText(app::BackupCountEdit), "2");
}

TEST_F(ListEditingTest, DropChecksJudgeWhatThePathIs) {
    StartWith({});
    const std::string before = SettingsBytes();
    Drop({MakeFile("link.lnk")});
    EXPECT_TRUE(SaidOnly(asker, app::kShortcutMessage));
    Drop({MakeFile("LINK2.LNK")});
    EXPECT_TRUE(SaidOnly(asker, app::kShortcutMessage));
    Drop({MakeFile("site.Url")});
    EXPECT_TRUE(SaidOnly(asker, app::kInternetShortcutMessage));
    CreateDirectoryA((dir / "Photos.old").c_str(), nullptr);
    Drop({dir / "Photos.old"});
    EXPECT_TRUE(SaidOnly(asker, app::kFolderMessage));
    CreateDirectoryA((dir / "Photos").c_str(), nullptr);
    Drop({dir / "Photos"});
    EXPECT_TRUE(SaidOnly(asker, app::kFolderMessage));
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(SettingsBytes(), before);

    // Names with no extension, or one of another length, are files.
    for (const char* name : {"report.xlsx", "notes.c", "README"}) {
        Drop({MakeFile(name)});
        EXPECT_TRUE(SaidOnly(asker, app::kAddedMessage)) << name;
    }
    EXPECT_EQ(ListLines(), (Lines{"notes.c", "README", "report.xlsx"}));
}

TEST_F(ListEditingTest, DroppedPathTooLongForTheBufferIsRefusedNotCut) {
    StartWith({});
    const std::string before = SettingsBytes();
    // Cut to the 254 bytes the buffer holds, both would read as a.txt.
    std::string cutName = "C:\\" + std::string(kDropPathCapacity - 10, 'f') + "\\a.txt";
    ASSERT_EQ(cutName.size(), kDropPathCapacity - 1);
    Drop({cutName + ".lnk"});
    EXPECT_TRUE(SaidOnly(asker, app::kPathTooLongMessage));
    Drop({cutName + "2"});
    EXPECT_TRUE(SaidOnly(asker, app::kPathTooLongMessage));
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(ListEditingTest, DuplicateIsTheWholeNameInAnyCase) {
    std::string bak = MakeFile("a\\data.txt.bak");
    std::string sheet = MakeFile("a\\Sheet.xls");
    StartWith({bak, sheet});
    // A name that is only the start of a listed one is a different file.
    std::string data = MakeFile("a\\data.txt");
    Drop({data});
    EXPECT_TRUE(SaidOnly(asker, app::kAddedMessage));
    const std::string before = SettingsBytes();

    // The same name in another folder is refused: the restore finds a file by
    // its name. So is the same name in other letters.
    Drop({MakeFile("b\\data.txt")});
    EXPECT_TRUE(SaidOnly(asker, app::kDuplicateMessage));
    Drop({MakeFile("c\\SHEET.XLS")});
    EXPECT_TRUE(SaidOnly(asker, app::kDuplicateMessage));
    app::AddBackupFile(data);
    EXPECT_TRUE(SaidOnly(asker, app::kDuplicateMessage));
    EXPECT_EQ(SettingsBytes(), before);
    EXPECT_EQ(ListLines(), (Lines{"data.txt", "data.txt.bak", "Sheet.xls"}));
}

TEST_F(ListEditingTest, TwentyFilesAreTheLimit) {
    Lines paths;
    for (int i = 0; i < 20; ++i) {
        paths.push_back(MakeFile("f" + std::to_string(i) + ".txt"));
    }
    StartWith(paths);
    const std::string before = SettingsBytes();
    Drop({MakeFile("new.txt")});
    EXPECT_TRUE(SaidOnly(asker, app::kLimitMessage));
    // A listed file meets the limit before the duplicate check.
    Drop({paths[0]});
    EXPECT_TRUE(SaidOnly(asker, app::kLimitMessage));
    // A shortcut is refused as one before the limit is looked at.
    Drop({MakeFile("x.lnk")});
    EXPECT_TRUE(SaidOnly(asker, app::kShortcutMessage));
    EXPECT_EQ(SettingsBytes(), before);
    EXPECT_EQ(ListLines().size(), 20u);
}

TEST_F(ListEditingTest, PathWithoutDriveIsRefused) {
    StartWith({});
    app::AddBackupFile("\\\\server\\share\\book.xls");
    EXPECT_TRUE(SaidOnly(asker, app::kNoDriveMessage));
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(UsedSlotCount(app::BackupTable), 0u);
}

TEST_F(ListEditingTest, EstimateReadsSixtyFourBitSizesAndCountsUnopenableFiles) {
    // A sparse file of 5,000,000,000 bytes takes no room on disk.
    std::string big = dir / "big.vhd";
    {
        HANDLE file = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size;
        size.QuadPart = 5'000'000'000LL;
        EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
        EXPECT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
    }
    StartWith({big});
    EXPECT_EQ(ControlText(app::BackupTimeEdit), "4500");

    // A missing file and one its program holds open add no time but count.
    std::string held = MakeFile("held.txt", std::string(2'000'000, 'h'));
    Drop({held});
    Drop({MakeFile("gone.txt")});
    DeleteFileA((dir / "gone.txt").c_str());
    ExclusiveHold hold(held);
    ASSERT_TRUE(hold.held());
    app::RefreshEstimate();
    EXPECT_EQ(ControlText(app::BackupTimeEdit), "4500");
    EXPECT_EQ(ControlText(app::BackupCountEdit), "3");
}

TEST_F(ListEditingTest, LookupOfALineWithoutEntryLeavesNoEarlierPath) {
    // The list sorts its lines; the table keeps the order of adding, and a
    // line finds its entry by name.
    std::string zeta = MakeFile("zeta.txt");
    std::string alpha = MakeFile("alpha.txt");
    StartWith({zeta, alpha});
    Select("alpha.txt");
    EXPECT_EQ(app::FindSelectedEntry(), 0);
    EXPECT_EQ(app::SelectedPath, alpha);
    EXPECT_EQ(app::SelectedSlot, 1);

    // A line the table knows nothing of.
    SendMessageA(Control(app::BackupListBox), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>("stray.txt"));
    Select("stray.txt");
    const std::string before = SettingsBytes();
    EXPECT_EQ(app::FindSelectedEntry(), app::kNoEntry);
    EXPECT_TRUE(SaidOnly(asker, app::kNoEntryMessage));
    EXPECT_EQ(app::SelectedLineText, "stray.txt");
    EXPECT_EQ(app::SelectedPath, "");
    EXPECT_EQ(app::SelectedSlot, -1);
    app::RemoveSelectedEntry();
    EXPECT_TRUE(SaidOnly(asker, app::kNoEntryMessage));
    EXPECT_EQ(SettingsBytes(), before);
}

}  // namespace
