#include "ask.h"

#include <windows.h>

#include "app_state.h"

namespace sorel::app {

namespace {

class MessageBoxAsker : public Asker {
  public:
    int Ask(const char* text, const char* caption, unsigned style) override {
        // Owned by what the user is looking at: the window, or a dialog of
        // it such as 控え, which would otherwise stay usable under the box.
        HWND owner = MainWindow ? GetLastActivePopup(MainWindow) : nullptr;
        return MessageBoxA(owner, text, caption, style);
    }
};

MessageBoxAsker TheMessageBoxes;
Asker* CurrentAsker = &TheMessageBoxes;

}  // namespace

void UseAsker(Asker* asker) {
    CurrentAsker = asker ? asker : &TheMessageBoxes;
}

int Ask(const char* text, const char* caption, unsigned style) {
    return CurrentAsker->Ask(text, caption, style);
}

int Ask(const Message& message) {
    return Ask(message.text, message.caption, message.style);
}

}  // namespace sorel::app
