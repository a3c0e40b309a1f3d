// The settings window: start-up, the main window with its menu bar and 22
// controls, and the routing of every command, drop and close to its handler.
#pragma once

#include <windows.h>

namespace sorel::app {

struct ControlRow {
    int id;
    const char* className;
    const char* text;
    int x;
    int y;
    int width;
    int height;
    DWORD style;
    DWORD exStyle;
};

// The controls in the order they are created, ascending by ID.
extern const ControlRow kControls[22];

constexpr char kMainClassName[] = "NORMAL0";
constexpr char kUnusedClassName[] = "NORMALDLG";
constexpr char kMainTitle[] = "ソ レ ル";

// Start-up up to the message loop: the font, brush and menu, both window
// classes, the main window with its controls, the hidden check box, the
// program's folder, the settings file and the estimate. False when the main
// window could not be made.
bool StartSettingsApp(HINSTANCE instance);

// Runs the message loop until a quit message; the exit code.
int RunMessageLoop();

// The procedure of MainWindow: one handler per message.
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A control of MainWindow by its ID.
HWND Control(int id);

// The state of a check box or radio button of MainWindow.
bool IsChecked(int controlId);
void SetChecked(int controlId, bool checked);

// Puts the Tab stop of the hour options on the checked one only, as Windows
// dialogs do: on Windows an automatic radio button that gets the focus
// unchecked clicks itself, so Tab would otherwise pick every hour in turn.
// With none checked (an hour the options do not offer) none is a Tab stop.
void ShowHourTabStop();

// While the settings file could not be read at start, the window tries again
// on this timer, and tells the user once its message loop runs.
constexpr UINT_PTR kSettingsRetryTimer = 1;
constexpr UINT kSettingsRetryMs = 1000;
constexpr UINT kTellSettingsUnread = WM_APP + 1;
// Once the message loop runs, the window asks about content the agent held
// back; on coming back to it (kAskHeldBackAgain, common/win/window_front.h,
// which activation posts too), about such content not turned down since.
constexpr UINT kAskHeldBack = WM_APP + 2;

// Loads the settings file if it was busy so far; stops the retry once it is
// read. True when the window shows the file.
bool RetryUnreadSettings();

// The list is wider than its box, so that long names can be scrolled into view.
constexpr WPARAM kListExtentPixels = 600;

}  // namespace sorel::app
