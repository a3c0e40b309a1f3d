// The agent's icon in the notification area: added once with the oldest
// record layout, which every Windows takes, and changed afterwards (tip,
// balloon) with the newer layout that knows balloons.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace sorel {

// The shell's side of the icon. The agent uses the system's; tests put a
// recorder in its place to see every call and to make the shell refuse.
class TrayShell {
  public:
    virtual ~TrayShell() = default;
    virtual bool Notify(DWORD message, NOTIFYICONDATAA& record);
    virtual void Pause(DWORD milliseconds);
};

TrayShell& SystemTrayShell();

constexpr UINT kTrayCallbackMessage = 0x1000;
constexpr UINT kTrayIconId = 1;

class TrayIcon {
  public:
    explicit TrayIcon(TrayShell& shell = SystemTrayShell()) : shell_(&shell) {}

    // Adds the icon with the tip "Ｓｏｒｅｌ２". At log-on the taskbar may not
    // take icons yet, so a refusal is tried again for a few seconds. The
    // shell can also report a failure after a timeout although the icon was
    // added; every retry then fails as a duplicate, so after each refusal a
    // change of the icon tells whether it is there. False when it is not.
    bool Add(HWND window, HICON icon);

    // After Explorer has (re)created the taskbar: add the icon once more and
    // put back the tip it had. False when the icon is not there.
    bool AddAgain();

    // Removes the icon once, whether or not its addition was reported as a
    // success: a timed-out addition may have left it there.
    void Remove();

    // The tip, and the tip with a warning balloon. False when the shell refuses.
    bool SetTip(const std::string& tip);
    bool ShowBalloon(const std::string& tip, const std::string& title, const std::string& text);

  private:
    bool IconThere();
    NOTIFYICONDATAA NewerRecord(UINT flags, const std::string& tip) const;

    TrayShell* shell_;
    NOTIFYICONDATAA record_ = {};  // the record of the addition, oldest layout
    std::string tip_;              // the tip set last, put back after AddAgain
    bool filled_ = false;
    bool removed_ = false;
};

}  // namespace sorel
