// Every message box of the settings window goes through one small seam, so
// that tests can answer OK or Cancel and read what was said without a window
// of their own.
#pragma once

#include "messages.h"

namespace sorel::app {

class Asker {
  public:
    virtual ~Asker() = default;
    // Shows `text` with `caption` and the MessageBoxA `style`; returns the
    // button pressed (IDOK, IDCANCEL).
    virtual int Ask(const char* text, const char* caption, unsigned style) = 0;
};

// Puts `asker` in place of the message boxes; null puts them back.
void UseAsker(Asker* asker);

// Asks through the asker in place: by default a modal message box owned by
// MainWindow.
int Ask(const char* text, const char* caption, unsigned style);
int Ask(const Message& message);

}  // namespace sorel::app
