#include "main_window.h"

#include <shellapi.h>

#include <string>

#include "../common/upkeep_rules.h"
#include "../common/win/files.h"
#include "../common/win/window_front.h"
#include "agent_setup.h"
#include "app_state.h"
#include "ask.h"
#include "held_back.h"
#include "keyboard.h"
#include "list_editing.h"
#include "history_dialog.h"
#include "place_dialog.h"
#include "restore.h"
#include "resource.h"
#include "schedule_options.h"
#include "settings_upkeep.h"

namespace sorel::app {

// WS_CHILD | WS_VISIBLE: a push button for BUTTON, a left-aligned text for STATIC.
constexpr DWORD kPlain = 0x50000000;
// What the keyboard reaches with Tab: the buttons, the list and the checked
// hour.
constexpr DWORD kButton = kPlain | WS_TABSTOP;
constexpr DWORD kClientEdge = WS_EX_CLIENTEDGE;

const ControlRow kControls[22] = {
    {AddFileButton, "BUTTON", "バックアップ設定", 33, 55, 136, 32, kButton, 0},
    {ExitButton, "BUTTON", "終　　了", 99, 361, 119, 28, kButton, 0},
    {RestoreGroup, "BUTTON", "デ ー タ 復 元", 270, 251, 164, 136, 0x50000007, 0},
    {Restore1Button, "BUTTON", "前使用日", 291, 278, 119, 25, kButton, 0},
    {Restore2Button, "BUTTON", "前々使用日", 292, 315, 117, 26, kButton, 0},
    {Restore3Button, "BUTTON", "前々前使用日", 292, 355, 118, 24, kButton, 0},
    {CreditLabel, "STATIC", "(C) ソレル工房", 316, 3, 127, 17, kPlain, 0},
    {BackupListBox, "LISTBOX", "", 31, 118, 379, 102, 0x50301003 | WS_TABSTOP, kClientEdge},
    {RemoveButton, "BUTTON", "ﾊﾞｯｸｱｯﾌﾟ解除", 33, 234, 132, 31, kButton, 0},
    {ListCaptionLabel, "STATIC", "BU指定済ﾌｧｲﾙ", 36, 99, 157, 17, kPlain, 0},
    {BackupTimeEdit, "EDIT", "0", 314, 76, 77, 21, 0x50000802, kClientEdge},
    {BackupTimeLabel, "STATIC", "BU時間", 246, 79, 63, 15, kPlain, 0},
    {SecondsLabel, "STATIC", "秒", 408, 80, 22, 15, kPlain, 0},
    {BackupCountLabel, "STATIC", "BU総数", 246, 54, 62, 15, kPlain, 0},
    {BackupCountEdit, "EDIT", "0", 312, 50, 78, 22, 0x50000802, kClientEdge},
    {CountUnitLabel, "STATIC", "件", 408, 54, 22, 15, kPlain, 0},
    {BannerImage, "STATIC", "", 86, 0, 200, 30, 0x5000000E, 0},
    {TimedStartGroup, "BUTTON", "時間起動  (常時ＯＮのＰＣ)", 27, 280, 220, 68, 0x50004007, 0},
    // One group, as in Windows dialogs: the arrows move among the options,
    // and only the checked one is a Tab stop (see ShowHourTabStop).
    {Hour04Radio, "BUTTON", "4時", 41, 311, 53, 16, 0x50020009, 0},
    {Hour06Radio, "BUTTON", "6時", 110, 312, 54, 19, 0x50000009, 0},
    {Hour22Radio, "BUTTON", "22時", 177, 312, 55, 18, 0x50000009, 0},
    // Never visible: its checked state is the flag that every save writes.
    {SaveFlagCheckBox, "BUTTON", "", 406, 230, 32, 21, 0x40000003, 0},
};

namespace {

constexpr DWORD kMainStyle = 0x30CA0000;  // minimized, visible, caption, system menu, minimize box
// The client area that the controls need: what the designed outer size of
// 454 x 446 leaves with a classic caption and a one-line menu bar. The
// outer size follows from it, so that a taller caption or menu bar (a
// larger DPI, the Windows 10 and 11 frames) never eats into the controls.
constexpr int kClientWidth = 448;
constexpr int kClientHeight = 402;
constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;

struct MenuItem {
    int id;
    const char* text;
};

// Each item goes in front of the ones before it, so the bar reads in the
// opposite order: "終 了", "初期設定", "控え", "履歴", "ｱﾝｲﾝｽﾄｰﾙ", "ヘ ル プ".
constexpr MenuItem kMenuItems[] = {
    {MenuHelp, "ヘ ル プ"},       //
    {MenuUninstall, "ｱﾝｲﾝｽﾄｰﾙ"},  //
    {MenuHistory, "履歴"},        //
    {MenuPlace, "控え"},          //
    {MenuSetup, "初期設定"},      //
    {MenuExit, "終 了"},
};

HMENU MakeMainMenu() {
    HMENU menu = CreateMenu();
    for (const MenuItem& item : kMenuItems) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE | MIIM_STATE | MIIM_ID;
        info.fType = MFT_STRING;
        info.fState = 0;
        info.wID = static_cast<UINT>(item.id);
        info.dwTypeData = const_cast<char*>(item.text);
        InsertMenuItemA(menu, 0, TRUE, &info);
    }
    return menu;
}

// Passes the message on and keeps any exception from unwinding through the
// system's code: a handler that fails leaves its work undone.
LRESULT CALLBACK MainWindowThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return MainWindowProc(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void RegisterWindowClasses(HINSTANCE instance) {
    WNDCLASSEXA unused = {};
    unused.cbSize = sizeof unused;
    unused.style = kClassStyle;
    unused.lpfnWndProc = DefWindowProcA;
    unused.hInstance = instance;
    unused.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    unused.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    unused.hbrBackground = FaceBrush.get();
    unused.lpszClassName = kUnusedClassName;
    unused.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
    RegisterClassExA(&unused);

    HICON appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    WNDCLASSEXA main = unused;
    main.lpfnWndProc = MainWindowThunk;
    main.hIcon = appIcon;
    main.hIconSm = appIcon;
    main.lpszClassName = kMainClassName;
    RegisterClassExA(&main);
}

std::string ModulePath() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length < sizeof path ? length : 0);
}

void OnCreate(HWND window) {
    MainWindow = window;
    SetMenu(window, MainMenu.get());
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    for (const ControlRow& row : kControls) {
        HWND control = CreateWindowExA(
            row.exStyle, row.className, row.text, row.style, row.x, row.y, row.width, row.height,
            window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont.get()), 0);
        if (row.id == BackupListBox) {
            // Sized again now that it has its font and its scroll bars, so that
            // it shortens itself to whole lines above a scroll bar of any
            // height: a line half under the bar cannot be read.
            SetWindowPos(control, nullptr, 0, 0, row.width, row.height,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (row.id == BannerImage) {
            BannerBitmap.reset(static_cast<HBITMAP>(LoadImageA(
                instance, MAKEINTRESOURCEA(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE)));
            SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(BannerBitmap.get()));
        }
    }
}

void OnCommand(int id, int notification) {
    // Menu items act whatever the notification code says.
    switch (id) {
        case MenuHelp:
            OpenHelp();
            return;
        case MenuSetup:
            SetUpAgent();
            return;
        case MenuUninstall:
            ConfirmUninstall();
            return;
        case MenuExit:
            ExitSettingsApp();
            return;
        case MenuPlace:
            ShowPlaceDialog();
            return;
        case MenuHistory:
            ShowHistoryDialog();
            return;
    }
    // Controls act on a click only; their other notifications do nothing.
    if (notification != BN_CLICKED) {
        return;
    }
    switch (id) {
        case AddFileButton:
            ChooseFileToAdd();
            return;
        case RemoveButton:
            RemoveSelectedEntry();
            return;
        case Restore1Button:
            RestoreGenerationCommand(1);
            return;
        case Restore2Button:
            RestoreGenerationCommand(2);
            return;
        case Restore3Button:
            RestoreGenerationCommand(3);
            return;
        case ExitButton:
            ExitSettingsApp();
            return;
        case Hour04Radio:
            OnHour04Radio();
            return;
        case Hour06Radio:
            OnHour06Radio();
            return;
        case Hour22Radio:
            OnHour22Radio();
            return;
    }
}

void OnDropFiles(HDROP drop) {
    AcceptDroppedFile(drop);
}

void OnTimer(UINT_PTR id) {
    if (id == kSettingsRetryTimer) {
        RetryUnreadSettings();
    }
}

void OnTellSettingsUnread() {
    // Said only if it still holds once the window is up.
    if (!RetryUnreadSettings()) {
        Ask(kSettingsUnreadMessage);
    }
}

void OnAskHeldBack() {
    AskAboutHeldBackFiles(HeldBackRound::kAll);
}

void OnAskHeldBackAgain() {
    // Not in the middle of another question or dialog: their modal loops
    // hand on posted messages too. The next activation asks instead.
    if (IsWindowEnabled(MainWindow)) {
        AskAboutHeldBackFiles(HeldBackRound::kNotDeclined);
    }
}

// Coming back to the window may find content held back meanwhile. Asked once
// the activation is through: a box shown in the middle of it would take the
// activation straight away again. Not while minimized: the window starts so,
// active, and its start asks anyway.
bool OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && !IsIconic(MainWindow)) {
        PostMessageA(MainWindow, kAskHeldBackAgain, 0, 0);
    }
    // After a message box the keyboard goes back to where it was.
    return OnActivateKeyboard(wParam);
}

void OnClose() {
    if (!ExitSettingsApp()) {
        DestroyWindow(MainWindow);
    }
}

void OnDestroy() {
    // The menu is detached first, so that it is destroyed once, here, and
    // not a second time with the window.
    SetMenu(MainWindow, nullptr);
    MainMenu.reset();
    UiFont.reset();
    FaceBrush.reset();
    BannerBitmap.reset();
    PostQuitMessage(0);
}

}  // namespace

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate(window);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_TIMER:
            OnTimer(static_cast<UINT_PTR>(wParam));
            return 0;
        case kTellSettingsUnread:
            OnTellSettingsUnread();
            return 0;
        case kAskHeldBack:
            OnAskHeldBack();
            return 0;
        case kAskHeldBackAgain:
            OnAskHeldBackAgain();
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ACTIVATE:
            if (OnActivate(wParam)) {
                return 0;
            }
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND Control(int id) {
    return GetDlgItem(MainWindow, id);
}

bool IsChecked(int controlId) {
    return SendMessageA(Control(controlId), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(int controlId, bool checked) {
    SendMessageA(Control(controlId), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (controlId == Hour04Radio || controlId == Hour06Radio || controlId == Hour22Radio) {
        ShowHourTabStop();
    }
}

void ShowHourTabStop() {
    for (int id : {Hour04Radio, Hour06Radio, Hour22Radio}) {
        HWND radio = Control(id);
        const LONG_PTR style = GetWindowLongPtrA(radio, GWL_STYLE);
        const LONG_PTR wanted = IsChecked(id) ? style | WS_TABSTOP : style & ~WS_TABSTOP;
        if (wanted != style) {
            SetWindowLongPtrA(radio, GWL_STYLE, wanted);
        }
    }
}

bool StartSettingsApp(HINSTANCE instance) {
    MainWindow = nullptr;
    AppFolder.clear();
    ScheduleHour.clear();
    SettingsUnread = false;
    ClearBackupTable(BackupTable);

    UiFont.reset(CreateFontA(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                             FF_MODERN | VARIABLE_PITCH, "ＭＳ Ｐゴシック"));
    FaceBrush.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    MainMenu.reset(MakeMainMenu());
    RegisterWindowClasses(instance);

    RECT outer = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kMainStyle, TRUE, WS_EX_ACCEPTFILES);
    CreateWindowExA(WS_EX_ACCEPTFILES, kMainClassName, kMainTitle, kMainStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                    nullptr, instance, nullptr);
    if (!MainWindow) {
        return false;
    }
    SetChecked(SaveFlagCheckBox, true);
    AppFolder = FolderOfModule(ModulePath(), IsSystemLeadByte);
    LoadSettings(true);
    RefreshEstimate();
    if (SettingsUnread) {
        // Nothing is saved from the unread state; the file is loaded as soon
        // as it is free, and at the latest before the next change.
        SetTimer(MainWindow, kSettingsRetryTimer, kSettingsRetryMs, nullptr);
        PostMessageA(MainWindow, kTellSettingsUnread, 0, 0);
    }
    PostMessageA(MainWindow, kAskHeldBack, 0, 0);
    return true;
}

bool RetryUnreadSettings() {
    // A short read only: the timer must not hold up the window.
    if (SettingsUnread && !ReloadSettings(false)) {
        return false;
    }
    KillTimer(MainWindow, kSettingsRetryTimer);
    return true;
}

int RunMessageLoop() {
    MSG message;
    // GetMessageA gives -1 on failure; that ends the loop as well.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        ProcessMessage(message);
    }
    return 0;
}

}  // namespace sorel::app
