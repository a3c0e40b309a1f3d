// The notice: what the user sees of a backup check. It is the agent's window
// itself, hidden except while a check runs.
#pragma once

#include <windows.h>

namespace sorel {

// The window's background colour (red 234, green 238, blue 147).
constexpr COLORREF kNoticeBackground = 0x0093EEEA;

// Creates NoticeFont and the background brush, and registers the window
// class NORMAL0 with `windowProc`. False if the class cannot be registered.
bool CreateNoticeLookAndRegisterClass(HINSTANCE instance, WNDPROC windowProc);

// Creates the car picture, the banner and the waiting text in `window`.
void CreateNoticeControls(HWND window, HINSTANCE instance);

// Shows the notice on top without taking the focus, and paints it at once.
void ShowNotice(HWND window);
void HideNotice(HWND window);

// Releases NoticeFont and the brush; then the two pictures.
void ReleaseNoticeFontAndBrush();
void ReleaseNoticePictures();

}  // namespace sorel
