// The forms in which a settings file can reach the programs. Both programs
// write it as ANSI text with CR LF, but a user who opened it in an editor
// may have saved it as UTF-8 with a byte-order mark or as UTF-16 ("Unicode"
// in Notepad). Such a file is read as the text it holds, turned into the
// ANSI code page, so that no path is lost because of the form it was saved
// in. Bytes in, bytes out; the conversion to the code page is handed in.
#pragma once

#include <string>
#include <string_view>

namespace sorel {

enum class SettingsForm {
    kAnsi,     // the programs' own form
    kUtf8,     // with its byte-order mark
    kUtf16Le,  // with or without its byte-order mark
    kUtf16Be,
};

// Turns UTF-16 text into the ANSI code page. Returns false when a character
// has no exact counterpart there; `ansi` then holds the text with a stand-in
// for each such character.
using WideToAnsi = bool (*)(std::u16string_view wide, std::string& ansi);

struct SettingsText {
    std::string bytes;  // the text in the ANSI code page, for the line reader
    SettingsForm form = SettingsForm::kAnsi;
    // False when some bytes could not be read as text: a NUL byte, a
    // character the code page lacks, a broken UTF-8 or UTF-16 sequence.
    bool exact = true;
};

// The form of a file's bytes: a byte-order mark decides; without one, NUL
// bytes in every other position of a text mostly made of them mark UTF-16.
SettingsForm DetectSettingsForm(std::string_view bytes);

// The file's text in the ANSI code page.
SettingsText SettingsTextOf(std::string_view bytes, WideToAnsi convert);

// Whether rewriting the file from what was read could lose something that
// is in it: the old file is then kept beside it before it is replaced.
bool KeepBeforeRewrite(const SettingsText& text);

}  // namespace sorel
