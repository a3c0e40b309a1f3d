#include "notice.h"

#include "resource.h"
#include "unique_handle.h"

namespace sorel {

namespace {

FontHandle NoticeFont;
BrushHandle NoticeBrush;
BitmapHandle CarBitmap;
BitmapHandle BannerBitmap;

struct NoticeControl {
    int id;
    DWORD style;
    int x, y, width, height;
    const char* text;
    int bitmap;  // 0 for none
};

// Positions in pixels of the client area; the controls keep their places
// when the window is resized.
constexpr NoticeControl kNoticeControls[] = {
    {IDC_CAR_PICTURE, 0x5000000E, 6, 20, 133, 85, "", IDB_NOTICE_CAR},
    {IDC_BANNER_PICTURE, 0x5000000E, 13, 110, 355, 58, "", IDB_NOTICE_BANNER},
    {IDC_WAIT_LABEL, 0x50000000, 154, 35, 224, 52, "大きなデータなら　 シバラク　待ってや！", 0},
};

}  // namespace

bool CreateNoticeLookAndRegisterClass(HINSTANCE instance, WNDPROC windowProc) {
    // Where the face is missing, the system picks another Shift-JIS font.
    NoticeFont.reset(CreateFontA(-21, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                 OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                                 VARIABLE_PITCH | FF_DECORATIVE, "HGS創英角ﾎﾟｯﾌﾟ体"));
    NoticeBrush.reset(CreateSolidBrush(kNoticeBackground));
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_AGENT));

    WNDCLASSEXA unused = {};
    unused.cbSize = sizeof unused;
    unused.lpfnWndProc = DefWindowProcA;
    unused.hInstance = instance;
    unused.lpszClassName = "NORMALDLG";
    RegisterClassExA(&unused);

    WNDCLASSEXA notice = {};
    notice.cbSize = sizeof notice;
    notice.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    notice.lpfnWndProc = windowProc;
    notice.hInstance = instance;
    notice.hIcon = icon;
    notice.hIconSm = icon;
    notice.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    notice.hbrBackground = NoticeBrush.get();
    notice.lpszClassName = "NORMAL0";
    return RegisterClassExA(&notice) != 0;
}

void CreateNoticeControls(HWND window, HINSTANCE instance) {
    for (const NoticeControl& c : kNoticeControls) {
        HWND control =
            CreateWindowExA(0, "STATIC", c.text, c.style, c.x, c.y, c.width, c.height, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(NoticeFont.get()), FALSE);
        if (c.bitmap == 0) {
            continue;
        }
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(instance, MAKEINTRESOURCEA(c.bitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
        (c.bitmap == IDB_NOTICE_CAR ? CarBitmap : BannerBitmap).reset(bitmap);
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
}

// Never activated: a check at the chosen hour must not take the keyboard
// from whatever the user is typing in. Raised above other topmost windows
// all the same.
void ShowNotice(HWND window) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(window);
}

void HideNotice(HWND window) {
    ShowWindow(window, SW_HIDE);
}

void ReleaseNoticeFontAndBrush() {
    NoticeFont.reset();
    NoticeBrush.reset();
}

void ReleaseNoticePictures() {
    CarBitmap.reset();
    BannerBitmap.reset();
}

}  // namespace sorel
