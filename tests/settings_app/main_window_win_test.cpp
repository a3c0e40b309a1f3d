// The main window as the program builds it: its frame, menu bar, controls,
// resources and command routing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app_state.h"
#include "gui_driver.h"
#include "keyboard.h"
#include "main_window.h"
#include "files.h"
#include "health.h"
#include "health_folder.h"
#include "messages.h"
#include "place/place_files.h"
#include "place_dialog.h"
#include "place_disk.h"
#include "resource.h"
#include "settings_window_fixture.h"
#include "settings_file.h"
#include "temp_folder.h"

using namespace sorel;
using namespace sorel::test;

namespace {

// The window's controls as the design gives them, written out separately
// from the program's own table so that a slip in either shows. The buttons,
// the list and the checked hour option add WS_TABSTOP (0x00010000) for the
// keyboard; the hour options are one group, begun by WS_GROUP on "4時".
struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
    DWORD style;
    DWORD exStyle;
};

const ExpectedControl kExpected[] = {
    {1000, "Button", "バックアップ設定", 33, 55, 136, 32, 0x50010000, 0},
    {1001, "Button", "終　　了", 99, 361, 119, 28, 0x50010000, 0},
    {1002, "Button", "デ ー タ 復 元", 270, 251, 164, 136, 0x50000007, 0},
    {1003, "Button", "前使用日", 291, 278, 119, 25, 0x50010000, 0},
    {1004, "Button", "前々使用日", 292, 315, 117, 26, 0x50010000, 0},
    {1005, "Button", "前々前使用日", 292, 355, 118, 24, 0x50010000, 0},
    {1006, "Static", nullptr, 316, 3, 127, 17, 0x50000000, 0},
    {1007, "ListBox", "", 31, 118, 379, 102, 0x50311003, 0x200},
    {1008, "Button", "ﾊﾞｯｸｱｯﾌﾟ解除", 33, 234, 132, 31, 0x50010000, 0},
    {1009, "Static", "BU指定済ﾌｧｲﾙ", 36, 99, 157, 17, 0x50000000, 0},
    {1010, "Edit", "0", 314, 76, 77, 21, 0x50000802, 0x200},
    {1011, "Static", "BU時間", 246, 79, 63, 15, 0x50000000, 0},
    {1012, "Static", "秒", 408, 80, 22, 15, 0x50000000, 0},
    {1013, "Static", "BU総数", 246, 54, 62, 15, 0x50000000, 0},
    {1014, "Edit", "0", 312, 50, 78, 22, 0x50000802, 0x200},
    {1015, "Static", "件", 408, 54, 22, 15, 0x50000000, 0},
    {1016, "Static", "", 86, 0, 200, 30, 0x5000000E, 0},
    {1017, "Button", "時間起動  (常時ＯＮのＰＣ)", 27, 280, 220, 68, 0x50004007, 0},
    {1018, "Button", "4時", 41, 311, 53, 16, 0x50030009, 0},
    {1019, "Button", "6時", 110, 312, 54, 19, 0x50000009, 0},
    {1020, "Button", "22時", 177, 312, 55, 18, 0x50000009, 0},
    {1021, "Button", "", 406, 230, 32, 21, 0x40000003, 0},
};

using MainWindowTest = SettingsWindowTest;

// Plays Windows' automatic radio button, which (unlike Wine's) checks itself
// and sends BN_CLICKED when it gets the focus unchecked, not by the mouse.
WNDPROC ButtonProc = nullptr;

LRESULT CALLBACK ClickingOnFocus(HWND radio, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(ButtonProc, radio, message, wParam, lParam);
    if (message == WM_SETFOCUS && GetCapture() != radio &&
        !SendMessageA(radio, BM_GETCHECK, 0, 0)) {
        SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(GetParent(radio), WM_COMMAND, GetDlgCtrlID(radio), (LPARAM)radio);
    }
    return result;
}

TEST_F(MainWindowTest, FrameTitleAndStyle) {
    Start();
    char className[64] = {};
    GetClassNameA(app::MainWindow, className, sizeof className);
    EXPECT_STREQ(className, "NORMAL0");
    EXPECT_EQ(WindowText(app::MainWindow), "ソ レ ル");
    auto style = static_cast<DWORD>(GetWindowLongPtrA(app::MainWindow, GWL_STYLE));
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(style & ~WS_CLIPSIBLINGS, 0x30CA0000u);
    auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(app::MainWindow, GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_ACCEPTFILES);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(app::MainWindow, &placement));
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 454);
    EXPECT_EQ(placement.rcNormalPosition.bottom - placement.rcNormalPosition.top, 446);
    // The client area is what the controls need, and the list shows whole
    // lines, whatever the height of the caption and the scroll bars.
    NONCLIENTMETRICSA usual = {};
    usual.cbSize = sizeof usual;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof usual, &usual, 0));
    NONCLIENTMETRICSA tall = usual;
    tall.iCaptionHeight *= 2;
    tall.iScrollHeight += 8;
    for (const NONCLIENTMETRICSA* metrics : {&usual, &tall}) {
        SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof *metrics,
                              const_cast<NONCLIENTMETRICSA*>(metrics), 0);
        DestroyWindow(app::MainWindow);
        Start();
        ShowWindow(app::MainWindow, SW_RESTORE);
        RECT client;
        GetClientRect(app::MainWindow, &client);
        EXPECT_EQ(client.right, 448);
        EXPECT_EQ(client.bottom, 402);
        GetClientRect(Control(app::BackupListBox), &client);
        EXPECT_EQ(client.bottom % SendMessageA(Control(app::BackupListBox), LB_GETITEMHEIGHT, 0, 0),
                  0);
    }
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof usual, &usual, 0);
    // The class that is registered but never used.
    WNDCLASSEXA unused = {};
    unused.cbSize = sizeof unused;
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "NORMALDLG", &unused));
    EXPECT_TRUE(TopWindows(GetCurrentProcessId(), "NORMALDLG").empty());
}

TEST_F(MainWindowTest, MenuBarReadsLeftToRight) {
    Start();
    HMENU menu = GetMenu(app::MainWindow);
    ASSERT_NE(menu, nullptr);
    const struct {
        int id;
        const char* text;
    } items[] = {{1022, "終 了"}, {1023, "初期設定"}, {1026, "控え"},
                 {1027, "履歴"},  {1024, "ｱﾝｲﾝｽﾄｰﾙ"}, {1025, "ヘ ル プ"}};
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    for (int position = 0; position < 6; ++position) {
        char text[64] = {};
        GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[position].text);
        EXPECT_EQ(GetMenuItemID(menu, position), static_cast<UINT>(items[position].id));
        EXPECT_EQ(GetSubMenu(menu, position), nullptr);
        EXPECT_EQ(GetMenuState(menu, position, MF_BYPOSITION), 0u);
    }
}

TEST_F(MainWindowTest, TwentyTwoControlsAsDesigned) {
    Start();
    ShowWindow(app::MainWindow, SW_RESTORE);
    HFONT font = app::UiFont.get();
    LOGFONTA face = {};
    ASSERT_TRUE(GetObjectA(font, sizeof face, &face));
    EXPECT_EQ(face.lfHeight, -15);
    EXPECT_EQ(face.lfWeight, 700);
    EXPECT_EQ(face.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_STREQ(face.lfFaceName, "ＭＳ Ｐゴシック");
    int count = 0;
    for (HWND child = GetWindow(app::MainWindow, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        ++count;
    }
    EXPECT_EQ(count, 22);
    for (const ExpectedControl& want : kExpected) {
        SCOPED_TRACE(want.id);
        HWND control = Control(want.id);
        ASSERT_NE(control, nullptr);
        char className[64] = {};
        GetClassNameA(control, className, sizeof className);
        EXPECT_STREQ(className, want.className);
        if (want.text) {
            EXPECT_EQ(WindowText(control), want.text);
        }
        RECT rect;
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, app::MainWindow, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, want.x);
        EXPECT_EQ(rect.top, want.y);
        EXPECT_EQ(rect.right - rect.left, want.width);
        if (want.id == app::BackupListBox) {
            // The list box shortens itself to whole lines.
            EXPECT_LE(rect.bottom - rect.top, want.height);
            EXPECT_GT(rect.bottom - rect.top, want.height / 2);
        } else {
            EXPECT_EQ(rect.bottom - rect.top, want.height);
        }
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE)), want.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(control, GWL_EXSTYLE)), want.exStyle);
        // A picture has no text, and its static keeps no font.
        if (want.id != app::BannerImage) {
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), font);
        }
    }
    EXPECT_FALSE(WindowText(Control(app::CreditLabel)).empty());
    EXPECT_FALSE(IsWindowVisible(Control(app::SaveFlagCheckBox)));
    EXPECT_TRUE(Checked(app::SaveFlagCheckBox));
}

TEST_F(MainWindowTest, BannerAndIconComeFromTheResources) {
    Start();
    auto banner = reinterpret_cast<HBITMAP>(
        SendMessageA(Control(app::BannerImage), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner, app::BannerBitmap.get());
    BITMAP bitmap = {};
    ASSERT_TRUE(GetObjectA(banner, sizeof bitmap, &bitmap));
    EXPECT_EQ(bitmap.bmWidth, 200);
    EXPECT_EQ(bitmap.bmHeight, 30);
    EXPECT_NE(GetClassLongPtrA(app::MainWindow, GCLP_HICON), 0u);
    EXPECT_NE(GetClassLongPtrA(app::MainWindow, GCLP_HICONSM), 0u);
}

TEST_F(MainWindowTest, ButtonsActOnClicksOnlyAndMenuItemsOnAnything) {
    Start();
    auto command = [](int id, int notification) {
        SendMessageA(app::MainWindow, WM_COMMAND, MAKEWPARAM(id, notification), 0);
    };
    // A notification other than BN_CLICKED does nothing for a button.
    command(app::RemoveButton, BN_DOUBLECLICKED);
    command(app::Restore1Button, 1);
    command(app::Hour06Radio, BN_SETFOCUS);
    EXPECT_TRUE(SaidNothing(asker));
    EXPECT_EQ(HourChecks(), "100");
    // Nor does anything from the list, the frame or the hidden check box.
    command(app::BackupListBox, LBN_SELCHANGE);
    command(app::TimedStartGroup, BN_CLICKED);
    command(app::SaveFlagCheckBox, BN_CLICKED);
    EXPECT_TRUE(SaidNothing(asker));
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

    command(app::RemoveButton, BN_CLICKED);
    EXPECT_TRUE(SaidOnly(asker, app::kSelectMessage));
    // A restore looks the selected line up first, and finds none.
    command(app::Restore2Button, BN_CLICKED);
    EXPECT_TRUE(SaidOnly(asker, app::kSelectMessage));
    // The exit item leaves whatever the notification code.
    command(app::MenuExit, 1);
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_TRUE(IsWindow(app::MainWindow));
}

TEST_F(MainWindowTest, KeyboardTabsEntersAndArrowsAsTheUserExpects) {
    const std::string a = MakeFile("a.txt");
    const std::string b = MakeFile("b.txt");
    WriteSettings({Header("061"), "2009年5月21日", a, b});
    Start();
    ShowWindow(app::MainWindow, SW_RESTORE);
    SetForegroundWindow(app::MainWindow);
    SetFocus(app::MainWindow);
    // Each key goes through the program's own loop step, as typed.
    auto press = [](WPARAM key) {
        MSG message = {GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
        app::ProcessMessage(message);
    };
    auto focused = [] { return GetDlgCtrlID(GetFocus()); };

    for (int id : {app::Hour04Radio, app::Hour06Radio, app::Hour22Radio}) {
        ButtonProc =
            (WNDPROC)SetWindowLongPtrA(Control(id), GWLP_WNDPROC, (LONG_PTR)ClickingOnFocus);
    }
    // Tab reaches every button, the list and the checked hour, in the order
    // they were made, and then starts again; it never picks an hour.
    const int order[] = {app::AddFileButton,  app::ExitButton,     app::Restore1Button,
                         app::Restore2Button, app::Restore3Button, app::BackupListBox,
                         app::RemoveButton,   app::Hour06Radio,    app::AddFileButton};
    for (int id : order) {
        press(VK_TAB);
        EXPECT_EQ(focused(), id);
    }
    EXPECT_EQ(HourChecks(), "010");
    EXPECT_EQ(SettingsLines().at(0), Header("061"));

    // The arrows move in the list.
    SetFocus(Control(app::BackupListBox));
    SendMessageA(Control(app::BackupListBox), LB_SETCURSEL, 0, 0);
    press(VK_DOWN);
    EXPECT_EQ(SendMessageA(Control(app::BackupListBox), LB_GETCURSEL, 0, 0), 1);
    press(VK_UP);
    EXPECT_EQ(SendMessageA(Control(app::BackupListBox), LB_GETCURSEL, 0, 0), 0);

    // Enter presses the focused button: the restore looks the line up.
    SendMessageA(Control(app::BackupListBox), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetFocus(Control(app::Restore1Button));
    press(VK_RETURN);
    EXPECT_TRUE(SaidOnly(asker, app::kSelectMessage));
    EXPECT_EQ(focused(), app::Restore1Button);
    // A message box takes the window's activation and gives it back; the
    // keyboard goes back to the button rather than to the window.
    SendMessageA(app::MainWindow, WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(app::MainWindow);
    SendMessageA(app::MainWindow, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(focused(), app::Restore1Button);

    // An arrow on an hour moves to the next and picks it, as a click does:
    // the other two are cleared and the settings file holds the hour.
    SetFocus(Control(app::Hour06Radio));
    struct Step {
        WPARAM key;
        int focus;
        const char* checks;
        const char* hour;
    };
    const Step steps[] = {
        {VK_RIGHT, app::Hour22Radio, "001", "22"},
        {VK_DOWN, app::Hour04Radio, "100", "04"},  // round from the last
        {VK_UP, app::Hour22Radio, "001", "22"},    // and back
        {VK_LEFT, app::Hour06Radio, "010", "06"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.hour);
        press(step.key);
        EXPECT_EQ(focused(), step.focus);
        EXPECT_EQ(HourChecks(), step.checks);
        EXPECT_EQ(SettingsLines().at(0), Header(std::string(step.hour) + "1"));
        // The Tab stop moves with the check.
        EXPECT_TRUE(GetWindowLongPtrA(Control(step.focus), GWL_STYLE) & WS_TABSTOP);
    }
    EXPECT_TRUE(SaidNothing(asker));

    // A refused pick is said once; the keyboard never goes to the unchecked option.
    ExclusiveHold hold(SettingsFilePath());
    const std::function<void()> picks[] = {[&] { press(VK_RIGHT); },
                                           [&] { Click(app::Hour04Radio); }};
    for (const auto& pick : picks) {
        pick();
        SendMessageA(app::MainWindow, WM_ACTIVATE, WA_INACTIVE, 0);
        SetFocus(app::MainWindow);
        SendMessageA(app::MainWindow, WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_TRUE(SaidOnly(asker, app::kSettingsBusyMessage));
        EXPECT_EQ(focused(), app::Hour06Radio);
        EXPECT_EQ(HourChecks(), "010");
    }
}

// What the menu item's dialog showed while it was up, read from inside its
// modal loop: the dialog itself, then each control by ID.
HWND SeenDialog = nullptr;
std::vector<std::string> Seen;
std::vector<int> SeenIds = {1101, 1102, 1103, 1104, IDOK, IDCANCEL};

void CALLBACK LookAtPlaceDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = GetLastActivePopup(app::MainWindow);
    if (dialog == app::MainWindow) {
        return;
    }
    KillTimer(nullptr, timer);
    SeenDialog = dialog;
    auto line = [](HWND window, const std::string& tail) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        return std::string(name) + " " + WindowText(window) + tail;
    };
    Seen.push_back(line(dialog, GetWindow(dialog, GW_OWNER) == app::MainWindow ? " owned" : "") +
                   " default " + std::to_string(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0))) +
                   " focus " + std::to_string(GetDlgCtrlID(GetFocus())));
    for (int id : SeenIds) {
        HWND control = GetDlgItem(dialog, id);
        Seen.push_back(
            line(control, GetWindowLongPtrA(control, GWL_STYLE) & WS_TABSTOP ? " tab" : ""));
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(MainWindowTest, PlaceDialogIsModalOwnedAndKeyboardReady) {
    DeleteFileA(app::PlaceChoicePath().c_str());
    Start();
    SetTimer(nullptr, 0, 50, LookAtPlaceDialog);
    SendMessageA(app::MainWindow, WM_COMMAND, MAKEWPARAM(app::MenuPlace, 0), 0);
    EXPECT_FALSE(IsWindow(SeenDialog));  // gone once the command returns
    const std::vector<std::string> seen = {"#32770 控え owned default 1 focus 1101",
                                           "Edit  tab",
                                           "Button 参照… tab",
                                           "Button 控えをやめる tab",
                                           std::string("Static ") + app::kPlaceStateNone,
                                           "Button OK tab",
                                           "Button キャンセル tab"};
    EXPECT_EQ(Seen, seen);
    EXPECT_TRUE(SaidNothing(asker));
}

// The history of the selected file, the list first; Esc closes it.
TEST_F(MainWindowTest, HistoryDialogIsModalOwnedAndKeyboardReady) {
    const std::string listed = MakeFile("家計簿.xls");
    WriteSettings({Header("221"), "2009年5月21日", listed});
    Start();
    Select("家計簿.xls");
    Seen.clear();
    SeenIds = {1201, 1202, 1203, IDCANCEL};
    SetTimer(nullptr, 0, 50, LookAtPlaceDialog);
    SendMessageA(app::MainWindow, WM_COMMAND, MAKEWPARAM(app::MenuHistory, 0), 0);
    EXPECT_FALSE(IsWindow(SeenDialog));
    EXPECT_EQ(Seen, (std::vector<std::string>{"#32770 履歴 owned default 1202 focus 1201",
                                              "ListBox  tab", "Button この時のに戻す tab",
                                              "Button フォルダーを開く tab", "Button 閉じる tab"}));
    EXPECT_TRUE(SaidNothing(asker));
    SeenIds = {1101, 1102, 1103, 1104, IDOK, IDCANCEL};
}

// Wine cannot make two partitions of one disk: this says every volume is one.
std::vector<DWORD> OnDiskZero(const std::string&) {
    return {0};
}

// OK keeps only an existing folder, one on the disk of a listed file only
// when the user says so, marks it, and reuses a marker already there; 控えをやめる forgets the
// choice and leaves the copies.
TEST_F(MainWindowTest, PlaceDialogKeepsOnlyAnExistingFolderOnAnotherDisk) {
    const std::string choicePath = app::PlaceChoicePath();
    DeleteFileA(choicePath.c_str());
    const std::string listed = MakeFile("家計簿.xls");
    CreateDirectoryA((dir / "same").c_str(), nullptr);
    // X: is a second letter for a folder of C:, which holds a listed file.
    const bool letterOfC = IsFolder("X:\\");
    std::vector<std::string> settings = {Header("221"), "2009年5月21日", listed};
    if (letterOfC) {
        settings.push_back("C:\\sorel-x\\帳簿.xls");
        WriteBytes(settings.back(), "x");
    }
    WriteSettings(settings);
    Start();
    auto pressOk = [&](const std::string& typed) {
        HWND dialog = app::CreatePlaceDialog(app::MainWindow);
        ShowWindow(dialog, SW_SHOWNA);
        SetDlgItemTextA(dialog, app::PlaceFolderEdit, typed.c_str());
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        // The checks run on a worker; meanwhile only キャンセル answers.
        EXPECT_TRUE(PumpUntil(
            [&] { return !IsWindowVisible(dialog) || IsWindowEnabled(GetDlgItem(dialog, IDOK)); }));
        const bool closed = !IsWindowVisible(dialog);
        DestroyWindow(dialog);
        return closed;
    };
    const std::string kept = "{0123ABCD-4567-89AB-CDEF-0123456789AB}";
    const bool ramDisk = IsFolder("T:\\");
    const bool share = IsFolder("\\\\server\\share\\");
    if (share) {
        CreateDirectoryA("\\\\server\\share\\控え", nullptr);
        CreateDirectoryA("\\\\server\\share\\控え\\Sorel", nullptr);
        WriteBytes("\\\\server\\share\\控え\\Sorel\\Sorel.id",
                   FormatPlaceMarker({kept, "PC-01", "花子"}));
    }
    // A marker already there that is held by another program or is not a
    // marker is never written over.
    const std::string held = "\\\\server\\share\\held";
    const std::string same = dir / "same";
    const struct {
        bool runs;
        std::string typed;
        const app::Message* said;
        const char* folder;            // null: nothing kept
        const char* identity;          // null: a new one
        const char* marker = nullptr;  // what Sorel\Sorel.id holds before, if anything
        bool markerHeld = false;       // open with no sharing meanwhile
        int answer = IDOK;             // to the question whether to keep it on the same disk
        bool oneDisk = false;          // every volume lies on one physical disk
    } rows[] = {
        {true, "", nullptr, nullptr, nullptr},  // closes, keeps nothing
        {true, "backup", &app::kPlaceNotFolderMessage, nullptr, nullptr},
        {true, dir / "無い", &app::kPlaceMissingMessage, nullptr, nullptr},
        {true, (dir / "same") + "\\", &app::kPlaceSameDiskQuestion, nullptr, nullptr, nullptr,
         false, IDCANCEL},
        {true, same, &app::kPlaceSameDiskQuestion, same.c_str(), nullptr},
        {letterOfC, "X:\\", &app::kPlaceSameDiskQuestion, nullptr, nullptr, nullptr, false,
         IDCANCEL},
        {ramDisk, "T:\\", nullptr, "T:", nullptr},
        {share, " \\\\server\\share\\控え\\ ", nullptr, "\\\\server\\share\\控え", kept.c_str()},
        {share, held, &app::kPlaceMarkerBusyMessage, nullptr, nullptr, "Sorel marker 1\r\n", true},
        {share, held, &app::kPlaceMarkerForeignMessage, nullptr, nullptr, "not ours\r\n", false},
        {share, "\\\\server\\share\\控え", &app::kPlaceSameDiskQuestion, "\\\\server\\share\\控え",
         nullptr, nullptr, false, IDOK, true},
    };
    for (const auto& row : rows) {
        if (!row.runs) {
            std::printf("no %s here: not tried\n", row.typed.c_str());
            continue;
        }
        SCOPED_TRACE(row.typed);
        DeleteFileA(choicePath.c_str());
        asker.answers = {row.answer};
        app::UseDiskNumbers(row.oneDisk ? OnDiskZero : nullptr);
        if (row.marker) {
            CreateDirectoryA(held.c_str(), nullptr);
            CreateDirectoryA((held + "\\Sorel").c_str(), nullptr);
            WriteBytes(held + "\\Sorel\\Sorel.id", row.marker);
        }
        if (!row.folder) {
            HANDLE hold = row.markerHeld
                              ? CreateFileA((held + "\\Sorel\\Sorel.id").c_str(), GENERIC_READ, 0,
                                            nullptr, OPEN_EXISTING, 0, nullptr)
                              : INVALID_HANDLE_VALUE;
            EXPECT_EQ(pressOk(row.typed), !row.said);
            if (hold != INVALID_HANDLE_VALUE) {
                CloseHandle(hold);
            }
            if (row.marker) {
                EXPECT_EQ(ReadBytes(held + "\\Sorel\\Sorel.id"), row.marker);
            }
            EXPECT_TRUE(row.said ? SaidOnly(asker, *row.said) : SaidNothing(asker));
            EXPECT_FALSE(Exists(choicePath));
            EXPECT_FALSE(Exists(dir / "無い"));  // never made
            EXPECT_FALSE(Exists(dir / "same\\Sorel"));
            continue;
        }
        EXPECT_TRUE(pressOk(row.typed));
        EXPECT_TRUE(row.said ? SaidOnly(asker, *row.said) : SaidNothing(asker));
        const PlaceChoice choice = ParsePlaceChoice(ReadBytes(choicePath));
        EXPECT_EQ(choice.folder, row.folder);
        EXPECT_FALSE(choice.disk.empty());  // kept for adding files later
        const PlaceMarker marker =
            ParsePlaceMarker(ReadBytes(std::string(row.folder) + "\\Sorel\\Sorel.id"));
        EXPECT_EQ(marker.identity, choice.identity);
        EXPECT_EQ(marker.identity, row.identity ? row.identity : marker.identity);
        EXPECT_FALSE(marker.computer.empty());
        EXPECT_FALSE(marker.user.empty());
        // Chosen again, the place keeps its identity.
        EXPECT_TRUE(pressOk(row.folder));
        EXPECT_EQ(ParsePlaceChoice(ReadBytes(choicePath)).identity, choice.identity);

        // The dialog shows the place, that it is there, and the oldest copy.
        HealthRecord record;
        record.place.files = {{listed, "2026-12-01", "", 0, ""},
                              {"C:\\gone.txt", "2026-11-01", "", 0, ""}};
        WriteBytes(HealthFolderPath() + "health.txt", FormatHealthRecord(record));
        HWND dialog = app::CreatePlaceDialog(app::MainWindow);
        ShowWindow(dialog, SW_SHOWNA);
        char text[512] = {};
        GetDlgItemTextA(dialog, app::PlaceFolderEdit, text, sizeof text);
        EXPECT_STREQ(text, row.folder);
        EXPECT_TRUE(PumpUntil([&] {
            GetDlgItemTextA(dialog, app::PlaceStateText, text, sizeof text);
            return std::string(text) != app::kPlaceStateChecking;
        }));
        EXPECT_EQ(std::string(text), app::kPlaceStateHead + std::string(row.folder) +
                                         app::kPlaceStatePresent + app::kPlaceStateOldest +
                                         "2026-12-01");
        // Cancel on the question keeps the choice; OK forgets it, copies stay.
        asker.answers = {IDCANCEL, IDOK};
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(app::PlaceForgetButton, BN_CLICKED), 0);
        EXPECT_TRUE(Exists(choicePath));
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(app::PlaceForgetButton, BN_CLICKED), 0);
        EXPECT_FALSE(Exists(choicePath));
        EXPECT_FALSE(IsWindowVisible(dialog));
        asker.said.clear();
        DestroyWindow(dialog);
        DeleteFileA((HealthFolderPath() + "health.txt").c_str());
        EXPECT_TRUE(Exists(std::string(row.folder) + "\\Sorel\\Sorel.id"));
        DeleteFileA((std::string(row.folder) + "\\Sorel\\Sorel.id").c_str());
        RemoveDirectoryA((std::string(row.folder) + "\\Sorel").c_str());
    }
    app::UseDiskNumbers(nullptr);
}

// A place whose disk takes 20 s to answer (tools/placefs.py mounted as P:,
// its control file named by SOREL_PLACEFS_CONTROL) never stalls the window:
// the dialog shows that it checks, キャンセル closes it, and a file is added,
// all within a second.
TEST_F(MainWindowTest, PlaceDialogAndAddAnswerWhileThePlaceStalls) {
    const char* control = getenv("SOREL_PLACEFS_CONTROL");
    if (!control || !IsFolder("P:\\")) {
        std::printf("no stalling place here: not tried\n");
        return;
    }
    std::string controlPath = std::string("Z:") + control;  // Z: shows the whole Unix tree
    std::replace(controlPath.begin(), controlPath.end(), '/', '\\');
    const std::string id = "{0123ABCD-4567-89AB-CDEF-0123456789AB}";
    CreateDirectoryA("P:\\place", nullptr);
    CreateDirectoryA("P:\\place\\Sorel", nullptr);
    WriteBytes("P:\\place\\Sorel\\Sorel.id", FormatPlaceMarker({id, "PC", "user"}));
    CreateDirectoryA(HealthFolderPath().c_str(), nullptr);
    WriteBytes(app::PlaceChoicePath(), FormatPlaceChoice({"P:\\place", id, app::DiskKey("P:\\")}));
    WriteSettings({Header("221"), "2009年5月21日", MakeFile("家計簿.xls")});
    Start();
    WriteBytes(controlPath, "{\"delay\": {\"getattr\": 20, \"readdir\": 20}}");
    const ULONGLONG start = GetTickCount64();
    HWND dialog = app::CreatePlaceDialog(app::MainWindow);
    char text[512] = {};
    GetDlgItemTextA(dialog, app::PlaceStateText, text, sizeof text);
    EXPECT_STREQ(text, app::kPlaceStateChecking);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
    const ULONGLONG dialogMs = GetTickCount64() - start;
    Drop({MakeFile("other.txt")});
    const ULONGLONG allMs = GetTickCount64() - start;
    EXPECT_TRUE(SaidOnly(asker, app::kAddedMessage));
    std::printf("dialog %llu ms, dialog and add %llu ms\n", dialogMs, allMs);
    EXPECT_LT(allMs, 1000u);
    WriteBytes(controlPath, "{}");
    DeleteFileA(app::PlaceChoicePath().c_str());
}

TEST_F(MainWindowTest, ClosingDestroysTheWindowAndReleasesEverything) {
    Start();
    HWND window = app::MainWindow;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(app::UiFont);
    EXPECT_FALSE(app::FaceBrush);
    EXPECT_FALSE(app::MainMenu);
    EXPECT_FALSE(app::BannerBitmap);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
