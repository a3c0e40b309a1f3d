// The real Sorel.exe, driven from this process as a user would drive it:
// its buttons clicked, its open-file dialog filled in, its message boxes
// read and answered.
#include <gtest/gtest.h>

#include <memory>

#include "gui_driver.h"
#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"

using namespace sorel;
using namespace sorel::test;
using Lines = std::vector<std::string>;

namespace {

const char kOldDate[] = "2009年5月21日";

// Control IDs of the window, as the design numbers them.
enum : int {
    kAddFileButton = 1000,
    kExitButton = 1001,
    kBackupListBox = 1007,
    kRemoveButton = 1008,
    kBackupTimeEdit = 1010,
    kBackupCountEdit = 1014,
    kHour04Radio = 1018,
    kHour06Radio = 1019,
    kHour22Radio = 1020,
    kMenuExit = 1022,
};

struct Shown {
    const char* text;
    const char* caption;
};

const Shown kAdded = {
    "設定完了！何も起きまへんで！\r\n\r\n\r\n明日必ず「バックアップ」するさかい\r\n\r\n\r\n"
    "ソレルは　終了しても　かめへんで・・！！",
    "データ設定"};
const Shown kDuplicate = {"んな！　アホな！　そのファイルは　設定済でっせ！　　", "データ設定"};
const Shown kLimit = {"バックアップ設定は　最大　｢２０個」でっせ！　", "バックアップ設定"};
const Shown kSelect = {"実行したいファイルを　選択してから　ボタン押してんか！　",
                       "セレクトエラー"};

class SorelGuiTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { WaitForDesktop(); }
    void SetUp() override { RemoveSettingsFile(); }
    void TearDown() override {
        sorel.reset();
        RemoveSettingsFile();
    }

    void StartWith(const Lines& paths) {
        Lines file = {Header("221"), kOldDate};
        file.insert(file.end(), paths.begin(), paths.end());
        WriteBytes(SettingsFilePath(), JoinLines(file));
        Start();
    }

    void Start() {
        sorel = std::make_unique<Program>(BesideTestProgram("Sorel.exe"));
        ASSERT_TRUE(sorel->started());
        main = WaitForWindow(sorel->pid(), "NORMAL0", "ソ レ ル");
        ASSERT_NE(main, nullptr);
        // It opens minimized; the user brings it up before using it.
        ShowWindow(main, SW_RESTORE);
    }

    // The program writes its own folder into line 1.
    static std::string Header(const std::string& hourAndFlag) {
        return BesideTestProgram("") + "=" + hourAndFlag;
    }

    std::string MakeFile(const std::string& name) {
        std::string::size_type slash = name.rfind('\\');
        if (slash != std::string::npos) {
            CreateDirectoryA((dir / name.substr(0, slash)).c_str(), nullptr);
        }
        WriteBytes(dir / name, "content");
        return dir / name;
    }

    HWND Control(int id) { return GetDlgItem(main, id); }
    std::vector<std::string> ListLines() { return ListBoxLines(Control(kBackupListBox)); }
    bool Checked(int id) { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    std::string SettingsBytes() { return ReadBytes(SettingsFilePath()); }

    // Chooses `path` through the "バックアップ設定" button and its dialog.
    void AddThroughDialog(const std::string& path) {
        ClickButton(Control(kAddFileButton));
        HWND dialog = WaitForWindow(sorel->pid(), "#32770", "ファイルを選択");
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(ChooseInOpenFileDialog(dialog, path));
    }

    // Expects a message box with exactly these words and answers OK.
    void ExpectShown(const Shown& shown) {
        MessageBoxSeen box = WaitForMessageBox(sorel->pid());
        ASSERT_TRUE(box) << "no message box";
        EXPECT_EQ(box.text, shown.text);
        EXPECT_EQ(box.caption, shown.caption);
        EXPECT_TRUE(PressDialogButton(box.window, IDOK));
    }

    void ExpectNothingShown() { EXPECT_FALSE(WaitForMessageBox(sorel->pid(), 700)); }

    TempFolder dir;
    std::unique_ptr<Program> sorel;
    HWND main = nullptr;
};

TEST_F(SorelGuiTest, AddingThroughTheOpenFileDialog) {
    Start();
    // The first start leaves a file of 0 bytes.
    EXPECT_EQ(SettingsBytes(), "");
    EXPECT_TRUE(Checked(kHour04Radio));
    // The second bytes of 表 and ソ have a backslash's value.
    std::string book = MakeFile("表\\ソレル帳.xls");
    AddThroughDialog(book);
    ExpectShown(kAdded);
    EXPECT_EQ(ListLines(), Lines{"ソレル帳.xls"});
    EXPECT_EQ(WindowText(Control(kBackupCountEdit)), "1");
    EXPECT_EQ(WindowText(Control(kBackupTimeEdit)), "１秒以下");
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("041"), TodayText(), book}));
}

TEST_F(SorelGuiTest, SameNameFromAnotherFolderIsADuplicate) {
    std::string listed = MakeFile("a\\data.txt");
    StartWith({listed});
    const std::string before = SettingsBytes();
    AddThroughDialog(MakeFile("b\\DATA.TXT"));
    ExpectShown(kDuplicate);
    EXPECT_EQ(ListLines(), Lines{"data.txt"});
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(SorelGuiTest, TwentyFilesAreTheLimit) {
    Lines paths;
    for (int i = 0; i < 20; ++i) {
        paths.push_back(MakeFile("file" + std::to_string(i) + ".txt"));
    }
    StartWith(paths);
    EXPECT_EQ(WindowText(Control(kBackupCountEdit)), "20");
    const std::string before = SettingsBytes();
    AddThroughDialog(MakeFile("one-more.txt"));
    ExpectShown(kLimit);
    EXPECT_EQ(ListLines().size(), 20u);
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(SorelGuiTest, RemovingTheSelectedLine) {
    std::string b = MakeFile("b.txt");
    std::string ab = MakeFile("ab.txt");
    StartWith({b, ab});
    ClickButton(Control(kRemoveButton));
    ExpectShown(kSelect);

    HWND list = Control(kBackupListBox);
    LRESULT line = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>("b.txt"));
    ASSERT_NE(line, LB_ERR);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    ClickButton(Control(kRemoveButton));
    EXPECT_TRUE(WaitUntil([&] { return ListLines() == Lines{"ab.txt"}; }, 5000));
    ExpectNothingShown();
    EXPECT_EQ(SettingsBytes(), JoinLines({Header("221"), TodayText(), ab}));
    EXPECT_EQ(WindowText(Control(kBackupCountEdit)), "1");
}

TEST_F(SorelGuiTest, HourButtonsRewriteOnlyLineOne) {
    const Lines example = {"C:\\Tools\\Sorel\\=221", kOldDate, "D:\\data\\accounts.xls",
                           "D:\\data\\diary.txt"};
    WriteBytes(SettingsFilePath(), JoinLines(example));
    Start();
    EXPECT_TRUE(Checked(kHour22Radio));
    Lines expected = example;

    ClickButton(Control(kHour06Radio));
    expected[0] = Header("061");
    EXPECT_TRUE(WaitUntil([&] { return SettingsBytes() == JoinLines(expected); }, 5000))
        << SettingsBytes();
    EXPECT_FALSE(Checked(kHour04Radio));
    EXPECT_TRUE(Checked(kHour06Radio));
    EXPECT_FALSE(Checked(kHour22Radio));

    ClickButton(Control(kHour04Radio));
    expected[0] = Header("041");
    EXPECT_TRUE(WaitUntil([&] { return SettingsBytes() == JoinLines(expected); }, 5000))
        << SettingsBytes();
    EXPECT_TRUE(Checked(kHour04Radio));
    EXPECT_FALSE(Checked(kHour06Radio));
    EXPECT_FALSE(Checked(kHour22Radio));
    ExpectNothingShown();
}

TEST_F(SorelGuiTest, EveryWayOutEndsTheProgram) {
    StartWith({});
    ClickButton(Control(kExitButton));
    EXPECT_EQ(sorel->WaitForExit(), 0u);

    Start();
    // The menu item acts whatever the notification code says.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(kMenuExit, 1), 0);
    EXPECT_EQ(sorel->WaitForExit(), 0u);

    Start();
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(sorel->WaitForExit(), 0u);
}

}  // namespace
