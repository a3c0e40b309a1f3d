// Adding, refusing and removing files of the backup list, and the estimate,
// in the window made from the program's own code.
#include "app_state.h"
#include "files.h"
#include "health_folder.h"
#include "list_editing.h"
#include "list_rules.h"
#include "messages.h"
#include "place/place_files.h"
#include "place_dialog.h"
#include "place_disk.h"
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
    // Its backUp folder is made at once, as the agent will need it.
    EXPECT_TRUE(IsFolder(dir / "backUp"));

    // With a second copy chosen on the same disk, a file is still added, and
    // the confirmation says that its copy does not survive that disk.
    const std::string id = "{0123ABCD-4567-89AB-CDEF-0123456789AB}";
    CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
    // The place's disk is the one kept with the choice, never asked again; a
    // choice kept before disks were kept warns of nothing.
    const struct {
        std::string place;
        std::string disk;
        const char* file;
        const app::Message* said;
    } rows[] = {{dir / "控え", app::DiskKey(dir.path()), "same.txt", &app::kAddedSameDiskMessage},
                {"\\\\nas\\b", "\\\\NAS\\B", "other.txt", &app::kAddedMessage},
                {dir / "控え", "", "older.txt", &app::kAddedMessage}};
    for (const auto& row : rows) {
        WriteBytes(app::PlaceChoicePath(), FormatPlaceChoice({row.place, id, row.disk}));
        Drop({MakeFile(row.file)});
        EXPECT_TRUE(SaidOnly(asker, *row.said)) << row.file;
    }
    EXPECT_EQ(ListLines(), (Lines{"book.xls", "diary.txt", "older.txt", "other.txt", "same.txt"}));
    DeleteFileA(app::PlaceChoicePath().c_str());
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
    // Windows drops dots and spaces at the end of a name: the same file.
    for (const char* tail : {".", " ", ". ."}) {
        app::AddBackupFile(data + tail);
        EXPECT_TRUE(SaidOnly(asker, app::kDuplicateMessage)) << '"' << tail << '"';
    }
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
    const std::optional<app::SelectedEntry> found = app::FindSelectedEntry();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->line, 0);
    EXPECT_EQ(found->path, alpha);
    EXPECT_EQ(found->slot, 1u);

    // A line the table knows nothing of.
    SendMessageA(Control(app::BackupListBox), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>("stray.txt"));
    Select("stray.txt");
    const std::string before = SettingsBytes();
    EXPECT_FALSE(app::FindSelectedEntry());
    EXPECT_TRUE(SaidOnly(asker, app::kNoEntryMessage));
    app::RemoveSelectedEntry();
    EXPECT_TRUE(SaidOnly(asker, app::kNoEntryMessage));
    EXPECT_EQ(SettingsBytes(), before);
}

}  // namespace

namespace {

std::wstring Wide(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                     wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length));
    return wide;
}

TEST_F(ListEditingTest, NamesTheCodePageCannotSpellAreRefused) {
    // café.txt would come back from the ANSI calls as this file, by "best fit".
    const std::string cafe = MakeFile("cafe.txt");
    StartWith({});
    struct Case {
        const wchar_t* name;
        bool taken;
    };
    const Case cases[] = {
        {L"caf\u00e9.txt", false},
        {L"\uD55C\uAD6D\uC5B4.txt", false},  // Korean
        {L"\U0001F600.txt", false},          // an emoji
        {L"\u8868.txt", true},               // 表, whose second byte is a backslash
    };
    for (const Case& c : cases) {
        const std::wstring path = Wide(dir.path()) + c.name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        DropWide({path});
        EXPECT_TRUE(SaidOnly(asker, c.taken ? app::kAddedMessage : app::kNameNotAnsiMessage))
            << static_cast<int>(c.name[0]);
    }
    EXPECT_EQ(ListLines(), Lines{"表.txt"});
    EXPECT_EQ(SettingsLines(), (Lines{Header("221"), TodayText(), dir / "表.txt"}));
}

TEST_F(ListEditingTest, OnlyWhatTheAgentCanStoreIsTakenFromDropAndDialogAlike) {
    StartWith({});
    const std::string before = SettingsBytes();
    // It fits the drop's buffer, but backUp\~new~a.txt beside it would be
    // 261 characters long: the agent could never store it.
    const std::string path = "C:\\" + std::string(240, 'd') + "\\a.txt";
    Drop({path});
    EXPECT_TRUE(SaidOnly(asker, app::kPathTooLongMessage));
    // The way the open-file dialog's choice comes in.
    app::AddBackupFile(path);
    EXPECT_TRUE(SaidOnly(asker, app::kPathTooLongMessage));
    // Nor where its backUp folder can never be made: a file has that name.
    const std::string blocked = MakeFile("blocked\\data.txt");
    MakeFile("blocked\\backUp");
    Drop({blocked});
    EXPECT_TRUE(SaidOnly(asker, app::kNoBackupFolderMessage));
    EXPECT_TRUE(ListLines().empty());
    EXPECT_EQ(SettingsBytes(), before);

    // Over 255 bytes, but few enough characters: a drop takes it whole.
    std::string folder;
    for (int i = 0; i < 120; ++i) {
        folder += "\x82\xa0";  // あ
    }
    const std::string longPath = MakeFile(folder + "\\long.txt");
    ASSERT_GT(longPath.size(), 255u);
    Drop({longPath});
    EXPECT_TRUE(SaidOnly(asker, app::kAddedMessage));
    EXPECT_EQ(SettingsLines(), (Lines{Header("221"), TodayText(), longPath}));
}

TEST_F(ListEditingTest, TheSelectedLineActsOnItsOwnEntry) {
    // Two entries of one name, as a hand-edited file may hold, and a name
    // with a code that code page 932 does not assign, which the list shows
    // as another character.
    const std::string first = MakeFile("a\\same.txt");
    const std::string second = MakeFile("b\\same.txt");
    const std::string odd = dir / "\x85\x40.txt";
    StartWith({first, odd, second});
    EXPECT_EQ(ControlText(app::BackupCountEdit), "3");
    HWND list = Control(app::BackupListBox);
    auto selectSlot = [&](LRESULT slot) {
        for (LRESULT i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
            if (SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0) == slot) {
                SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
            }
        }
    };
    struct Case {
        LRESULT slot;
        std::string path;
        Lines left;
    };
    const Case cases[] = {
        {2, second, {first, odd}},
        {1, odd, {first}},
    };
    for (const Case& c : cases) {
        selectSlot(c.slot);
        const std::optional<app::SelectedEntry> found = app::FindSelectedEntry();
        ASSERT_TRUE(found);
        EXPECT_EQ(found->line, SendMessageA(list, LB_GETCURSEL, 0, 0));
        EXPECT_EQ(found->path, c.path);
        app::RemoveSelectedEntry();
        EXPECT_TRUE(SaidNothing(asker));
        Lines file = {Header("221"), TodayText()};
        file.insert(file.end(), c.left.begin(), c.left.end());
        EXPECT_EQ(SettingsLines(), file);
        EXPECT_EQ(TablePaths(app::BackupTable), c.left);
        EXPECT_EQ(ListLines().size(), c.left.size());
    }
}

}  // namespace
