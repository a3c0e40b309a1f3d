#include "program_start.h"

#include <windows.h>
#include <objbase.h>

namespace sorel {

namespace {

constexpr unsigned kJapaneseCodePage = 932;

void ShowSystemMessage(const wchar_t* text, const wchar_t* caption) {
    MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

bool TellUnlessJapaneseCodePage(unsigned ansiCodePage, WideMessageShow show) {
    if (ansiCodePage == kJapaneseCodePage) {
        return false;
    }
    // Wide text, so that it reads right whatever the code page.
    show(
        L"このプログラムは日本語のコード ページ (932) で動くように作られてるで。\r\n"
        L"今のコード ページやと、日本語の名前のファイルはうまくバックアップでけへん。\r\n"
        L"「設定」→「時刻と言語」→「言語」→「管理用の言語の設定」で、"
        L"「ベータ: ワールドワイド言語サポートで Unicode UTF-8 を使用」を外して、"
        L"システム ロケールを日本語にしといてな。",
        L"Ｓｏｒｅｌ");
    return true;
}

void PrepareProgramStart() {
    // The shell's ShellExecute may hand the work to COM objects; it wants
    // COM initialised, single-threaded, on the thread that calls it.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    TellUnlessJapaneseCodePage(GetACP(), ShowSystemMessage);
}

}  // namespace sorel
