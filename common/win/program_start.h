// What both programs do first in WinMain, before any window.
#pragma once

namespace sorel {

// Shows a message to the user; the system's MessageBoxW in the programs.
using WideMessageShow = void (*)(const wchar_t* text, const wchar_t* caption);

// Tells the user once, with `show`, when the system's ANSI code page
// `ansiCodePage` is not Japanese (932): names, settings and messages are
// Shift-JIS throughout, so under another code page (UTF-8 among them)
// Japanese names are misread. The program goes on, because files with plain
// names still back up, and a program that ended would protect nothing. True
// when the user was told.
bool TellUnlessJapaneseCodePage(unsigned ansiCodePage, WideMessageShow show);

// Initialises COM for the thread, as the shell's ShellExecute asks, and
// tells the user about a code page other than Japanese.
void PrepareProgramStart();

}  // namespace sorel
