// The real Sorel.exe driven from the test process as a user would drive it:
// its window and controls, its open-file dialog, its message boxes with the
// words they must show, and the agent that set-up puts in the Startup folder.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "gui_driver.h"
#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"

namespace sorel::test {

using Lines = std::vector<std::string>;

inline const char kOldDate[] = "2009年5月21日";

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
    kMenuUninstall = 1024,
};

struct Shown {
    const char* text;
    const char* caption;
};

inline const Shown kAdded = {
    "設定完了！何も起きまへんで！\r\n\r\n\r\n明日必ず「バックアップ」するさかい\r\n\r\n\r\n"
    "ソレルは　終了しても　かめへんで・・！！",
    "データ設定"};
inline const Shown kDuplicate = {"んな！　アホな！　そのファイルは　設定済でっせ！　　",
                                 "データ設定"};
inline const Shown kLimit = {"バックアップ設定は　最大　｢２０個」でっせ！　", "バックアップ設定"};
inline const Shown kSelect = {"実行したいファイルを　選択してから　ボタン押してんか！　",
                              "セレクトエラー"};
inline const Shown kExitQuestion = {"初期設定が　終わってまへん！　ホンマに「終了」で　エエの？？",
                                    "はじめに　やること"};
inline const Shown kSetUpDone = {"ソレル　初期設定　完了！！", "はじめに　やること"};

// Per generation: the first question, and the notice after the restore.
inline const Shown kRestoreQuestion[3] = {
    {"前使用日データ　に入れ替わりまっせ！！\r\n\r\n復元するソフトは　終了しとかな　あかんで！！",
     "データ復元（ソレル　１）"},
    {"前々使用日データ　に入れ替わりまっせ！\r\n\r\n今の　前使用日データは　「復元前」に　残すさか"
     "い　"
     "「履歴」から　戻せまっせ。\r\n\r\nＭＯＲＯＫは　終了しとかな　あかんで！！",
     "データ復元（ソレル　２）"},
    {"前々前　使用日データ　に入れ替わりまっせ！\r\n\r\n今の　前使用日 "
     "と　前々　使用日の　データは　"
     "「復元前」に　残すさかい　「履歴」から　戻せまっせ。\r\n\r\nＭＯＲＯＫは　終了しとかな　あか"
     "んで！！",
     "データ復元（ソレル　３）"},
};
inline const Shown kRestored[3] = {
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

// The window of a running agent, if any.
inline HWND RunningAgentWindow() {
    return FindWindowExA(nullptr, nullptr, "NORMAL0", "Ｓｏｒｅｌ");
}

// Ends a running agent with WM_CLOSE and waits until it has gone.
inline bool EndAgent(HWND agent) {
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

}  // namespace sorel::test
