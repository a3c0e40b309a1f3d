#include "tray.h"

namespace sorel {

namespace {

constexpr char kBaseTip[] = "Ｓｏｒｅｌ２";
constexpr int kAddAttempts = 12;
constexpr DWORD kAddPauseMs = 250;
constexpr UINT kBalloonTimeoutMs = 15000;

}  // namespace

bool TrayShell::Notify(DWORD message, NOTIFYICONDATAA& record) {
    return Shell_NotifyIconA(message, &record) != FALSE;
}

void TrayShell::Pause(DWORD milliseconds) {
    Sleep(milliseconds);
}

TrayShell& SystemTrayShell() {
    static TrayShell shell;
    return shell;
}

bool TrayIcon::Add(HWND window, HICON icon) {
    // The oldest layout of the record, which every Windows accepts.
    record_ = {};
    record_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record_.hWnd = window;
    record_.uID = kTrayIconId;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kTrayCallbackMessage;
    record_.hIcon = icon;
    lstrcpynA(record_.szTip, kBaseTip, sizeof record_.szTip);
    filled_ = true;
    removed_ = false;
    tip_ = kBaseTip;
    for (int attempt = 0; attempt < kAddAttempts; ++attempt) {
        if (shell_->Notify(NIM_ADD, record_) || IconThere()) {
            return true;
        }
        shell_->Pause(kAddPauseMs);
    }
    return false;
}

bool TrayIcon::AddAgain() {
    if (!filled_ || removed_) {
        return false;
    }
    const bool there = shell_->Notify(NIM_ADD, record_) || IconThere();
    if (there && tip_ != kBaseTip) {
        SetTip(tip_);
    }
    return there;
}

void TrayIcon::Remove() {
    if (!filled_ || removed_) {
        return;
    }
    shell_->Notify(NIM_DELETE, record_);
    removed_ = true;
}

bool TrayIcon::IconThere() {
    // A change with the record of the addition: the shell takes it only for
    // an icon it has.
    NOTIFYICONDATAA probe = record_;
    probe.uFlags = NIF_TIP;
    return shell_->Notify(NIM_MODIFY, probe);
}

NOTIFYICONDATAA TrayIcon::NewerRecord(UINT flags, const std::string& tip) const {
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.hWnd = record_.hWnd;
    record.uID = kTrayIconId;
    record.uFlags = flags;
    lstrcpynA(record.szTip, tip.c_str(), sizeof record.szTip);
    return record;
}

bool TrayIcon::SetTip(const std::string& tip) {
    if (!filled_ || removed_) {
        return false;
    }
    tip_ = tip;
    NOTIFYICONDATAA record = NewerRecord(NIF_TIP, tip);
    return shell_->Notify(NIM_MODIFY, record);
}

bool TrayIcon::ShowBalloon(const std::string& tip, const std::string& title,
                           const std::string& text) {
    if (!filled_ || removed_) {
        return false;
    }
    tip_ = tip;
    NOTIFYICONDATAA record = NewerRecord(NIF_TIP | NIF_INFO, tip);
    lstrcpynA(record.szInfo, text.c_str(), sizeof record.szInfo);
    lstrcpynA(record.szInfoTitle, title.c_str(), sizeof record.szInfoTitle);
    record.uTimeout = kBalloonTimeoutMs;
    record.dwInfoFlags = NIIF_WARNING;
    return shell_->Notify(NIM_MODIFY, record);
}

}  // namespace sorel
