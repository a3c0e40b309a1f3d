#include "ansi_text.h"

#include <windows.h>

namespace sorel {

namespace {

std::wstring ToWide(std::string_view ansi) {
    if (ansi.empty()) {
        return {};
    }
    int length =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                            length);
    }
    return wide;
}

std::string ToAnsi(std::wstring_view wide, DWORD flags, BOOL* usedDefault) {
    if (wide.empty()) {
        return {};
    }
    int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, usedDefault);
    std::string ansi(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_ACP, flags, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                            length, nullptr, usedDefault);
    }
    return ansi;
}

}  // namespace

bool WideToAnsiExact(std::wstring_view wide, std::string& ansi) {
    BOOL usedDefault = FALSE;
    ansi = ToAnsi(wide, WC_NO_BEST_FIT_CHARS, &usedDefault);
    // The way back must give the same name: that also catches a best fit
    // that a system applies in spite of the flag.
    return !usedDefault && (wide.empty() || !ansi.empty()) && ToWide(ansi) == wide;
}

bool Utf16ToAnsiExact(std::u16string_view wide, std::string& ansi) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is UTF-16 on Windows");
    return WideToAnsiExact(
        std::wstring_view(reinterpret_cast<const wchar_t*>(wide.data()), wide.size()), ansi);
}

std::string AnsiAsShown(std::string_view ansi) {
    return ToAnsi(ToWide(ansi), 0, nullptr);
}

}  // namespace sorel
