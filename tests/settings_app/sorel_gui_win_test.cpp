// The real Sorel.exe, driven from this process as a user would drive it:
// its buttons clicked, its open-file dialog filled in, its message boxes
// read and answered.
#include <gtest/gtest.h>

#include <shlobj.h>

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
    kRestore1Button = 1003,
    kRemoveButton = 1008,
    kBackupTimeEdit = 1010,
    kBackupCountEdit = 1014,
    kHour04Radio = 1018,
    kHour06Radio = 1019,
    kHour22Radio = 1020,
    kMenuExit = 1022,
    kMenuSetup = 1023,
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
const Shown kExitQuestion = {"初期設定が　終わってまへん！　ホンマに「終了」で　エエの？？",
                             "はじめに　やること"};
const Shown kSetUpDone = {"ソレル　初期設定　完了！！", "はじめに　やること"};

// Per generation: the first question, and the notice after the restore.
const Shown kRestoreQuestion[3] = {
    {"前使用日データ　に入れ替わりまっせ！！\r\n\r\n復元するソフトは　終了しとかな　あかんで！！",
     "データ復元（ソレル　１）"},
    {"前々使用日データ　に入れ替わりまっせ！\r\n\r\nもう　前使用日には　戻れまへん！！\r\n\r\nＭＯ"
     "Ｒ"
     "ＯＫは　終了しとかな　あかんで！！",
     "データ復元（ソレル　２）"},
    {"前々前　使用日データ　に入れ替わりまっせ！\r\n\r\nもう　前使用日 や　前々　使用日には　戻れま"
     "へん！！ \r\n\r\nＭＯＲＯＫは　終了しとかな　あかんで！！",
     "データ復元（ソレル　３）"},
};
const Shown kRestored[3] = {
    {"前使用日データ　復元完了！", "データ復元"},
    {"前々使用日データ　復元完了！", "データ復元"},
    {"前々前　使用日データ　復元完了！", "データ復元"},
};

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

    // Expects a message box with exactly these words and presses `button`.
    void Answer(const Shown& shown, int button) {
        MessageBoxSeen box = WaitForMessageBox(sorel->pid());
        ASSERT_TRUE(box) << "no message box";
        EXPECT_EQ(box.text, shown.text);
        EXPECT_EQ(box.caption, shown.caption);
        EXPECT_TRUE(PressDialogButton(box.window, button));
    }

    void SelectLine(const std::string& text) {
        HWND list = Control(kBackupListBox);
        LRESULT line = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(text.c_str()));
        ASSERT_NE(line, LB_ERR) << text;
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    }

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

TEST_F(SorelGuiTest, EveryWayOutAsksWithoutTheAgentAndCancelStays) {
    StartWith({});
    // Nothing is set up in this prefix's Startup folder.
    ClickButton(Control(kExitButton));
    Answer(kExitQuestion, IDCANCEL);
    ClickButton(Control(kExitButton));
    Answer(kExitQuestion, IDOK);
    EXPECT_EQ(sorel->WaitForExit(), 0u);

    Start();
    // The menu item acts whatever the notification code says.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(kMenuExit, 1), 0);
    Answer(kExitQuestion, IDCANCEL);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(kMenuExit, 1), 0);
    Answer(kExitQuestion, IDOK);
    EXPECT_EQ(sorel->WaitForExit(), 0u);

    Start();
    PostMessageA(main, WM_CLOSE, 0, 0);
    Answer(kExitQuestion, IDCANCEL);
    EXPECT_TRUE(sorel->Running());
    EXPECT_TRUE(IsWindowVisible(main));
    PostMessageA(main, WM_CLOSE, 0, 0);
    Answer(kExitQuestion, IDOK);
    EXPECT_EQ(sorel->WaitForExit(), 0u);
}

TEST_F(SorelGuiTest, RestoringEachGeneration) {
    std::string book = MakeFile("Data\\book.xls");
    CreateDirectoryA((dir / "Data\\backUp").c_str(), nullptr);
    const std::string content[4] = {"today", "yesterday", "before that", "oldest"};
    std::string gen[4] = {book};
    const int day[4] = {21, 20, 19, 18};
    for (int n = 0; n <= 3; ++n) {
        if (n > 0) {
            gen[n] = dir / ("Data\\backUp\\" + std::to_string(n) + std::to_string(n) + "book.xls");
        }
        WriteBytes(gen[n], content[n]);
        SetLastWriteUtc(gen[n], 2009, 5, day[n]);
    }
    StartWith({book});
    SelectLine("book.xls");
    auto restore = [&](int n) {
        ClickButton(Control(kRestore1Button + n - 1));
        Answer(kRestoreQuestion[n - 1], IDOK);
        const std::string date = "2009/5/" + std::to_string(day[n]);
        const std::string question =
            "ホンマに　「" + date + "　」データで　復元しても　ＯＫでっか？";
        Answer({question.c_str(), "データ復元確認"}, IDOK);
        Answer(kRestored[n - 1], IDOK);
    };
    restore(1);
    EXPECT_EQ(ReadBytes(book), "yesterday");
    EXPECT_EQ(LastWrite(book), LastWrite(gen[1]));
    EXPECT_EQ(ReadBytes(gen[2]), "before that");

    restore(2);
    EXPECT_EQ(ReadBytes(book), "before that");
    EXPECT_EQ(ReadBytes(gen[1]), "before that");
    EXPECT_EQ(LastWrite(gen[1]), LastWrite(gen[2]));
    EXPECT_EQ(ReadBytes(gen[3]), "oldest");

    restore(3);
    for (int n = 0; n <= 3; ++n) {
        EXPECT_EQ(ReadBytes(gen[n]), "oldest") << n;
        EXPECT_EQ(LastWrite(gen[n]), LastWrite(gen[3])) << n;
    }
    ExpectNothingShown();
}

// The window of a running agent, if any.
HWND RunningAgentWindow() {
    return FindWindowExA(nullptr, nullptr, "NORMAL0", "Ｓｏｒｅｌ");
}

// Ends a running agent with WM_CLOSE and waits until it has gone.
bool EndAgent(HWND agent) {
    DWORD pid = 0;
    GetWindowThreadProcessId(agent, &pid);
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    PostMessageA(agent, WM_CLOSE, 0, 0);
    return process && WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
}

// The Startup folder of the prefix, which every test program of a run
// shares: whatever happens, the agent put there is ended and removed.
class AgentInStartupFolder {
  public:
    AgentInStartupFolder() {
        char folder[MAX_PATH] = {};
        SHGetSpecialFolderPathA(nullptr, folder, CSIDL_STARTUP, TRUE);
        path = std::string(folder) + "\\Sorel2.exe";
    }
    ~AgentInStartupFolder() {
        if (HWND agent = RunningAgentWindow()) {
            EndAgent(agent);
        }
        WaitUntil([&] { return DeleteFileA(path.c_str()) || !Exists(path); }, 5000);
    }
    std::string path;
};

TEST_F(SorelGuiTest, SetUpMovesTheAgentAndTheExitStartsIt) {
    ASSERT_EQ(RunningAgentWindow(), nullptr) << "an agent is already running";
    AgentInStartupFolder startup;
    const std::string& installed = startup.path;
    ASSERT_FALSE(Exists(installed)) << "an agent was left in the Startup folder";
    // A program folder of its own, so that the build's Sorel2.exe stays.
    ASSERT_TRUE(
        CopyFileA(BesideTestProgram("Sorel.exe").c_str(), (dir / "Sorel.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(BesideTestProgram("Sorel2.exe").c_str(), (dir / "Sorel2.exe").c_str(), FALSE));
    WriteBytes(SettingsFilePath(), JoinLines({Header("221"), kOldDate}));
    sorel = std::make_unique<Program>(dir / "Sorel.exe");
    main = WaitForWindow(sorel->pid(), "NORMAL0", "ソ レ ル");
    ASSERT_NE(main, nullptr);
    ShowWindow(main, SW_RESTORE);

    PostMessageA(main, WM_COMMAND, kMenuSetup, 0);
    Answer(kSetUpDone, IDOK);
    EXPECT_FALSE(Exists(dir / "Sorel2.exe"));
    EXPECT_TRUE(Exists(installed));

    // Set up now: no question, and the agent starts from the Startup folder.
    ClickButton(Control(kExitButton));
    EXPECT_EQ(sorel->WaitForExit(), 0u);
    HWND agent = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (agent = RunningAgentWindow()) != nullptr; }));
    EXPECT_TRUE(EndAgent(agent));
}

}  // namespace
