#include "settings_window_fixture.h"

#include <shlobj.h>

#include <cstring>

#include "app_state.h"
#include "gui_driver.h"
#include "main_window.h"
#include "resource.h"
#include "settings_file.h"
#include "settings_text.h"

namespace sorel::test {

int ScriptedAsker::Ask(const char* text, const char* caption, unsigned style) {
    said.push_back({text, caption, style});
    if (answers.empty()) {
        return IDOK;
    }
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

::testing::AssertionResult SaidOnly(ScriptedAsker& asker, const app::Message& message) {
    std::vector<ScriptedAsker::Said> said = std::move(asker.said);
    asker.said.clear();
    if (said.size() != 1) {
        return ::testing::AssertionFailure() << said.size() << " messages instead of one";
    }
    if (said[0].text != message.text || said[0].caption != message.caption ||
        said[0].style != message.style) {
        return ::testing::AssertionFailure() << "another message: " << said[0].caption;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SaidNothing(ScriptedAsker& asker) {
    std::vector<ScriptedAsker::Said> said = std::move(asker.said);
    asker.said.clear();
    if (!said.empty()) {
        return ::testing::AssertionFailure()
               << said.size() << " messages, the first under the caption " << said[0].caption;
    }
    return ::testing::AssertionSuccess();
}

std::string RecordingShell::StartupFolder() {
    return startupUnknown ? std::string() : app::Shell::StartupFolder();
}

void RecordingShell::Execute(const char* verb, const std::string& file, const std::string& folder,
                             int show) {
    opened.push_back({verb ? verb : "(none)", file, folder, show});
    if (reallyOpen) {
        app::Shell::Execute(verb, file, folder, show);
    }
}

bool RecordingShell::RemoveStream(const std::string& stream) {
    removedStreams.push_back(stream);
    return app::Shell::RemoveStream(stream);
}

void SettingsWindowTest::SetUp() {
    RemoveSettingsFile();
    app::UseAsker(&asker);
    app::UseShell(&shell);
}

void SettingsWindowTest::TearDown() {
    if (app::MainWindow && IsWindow(app::MainWindow)) {
        DestroyWindow(app::MainWindow);
    }
    app::MainWindow = nullptr;
    // The quit message the window posted, and anything else left over.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    UnregisterClassA(app::kMainClassName, instance);
    UnregisterClassA(app::kUnusedClassName, instance);
    app::UseAsker(nullptr);
    app::UseShell(nullptr);
    RemoveSettingsFile();
}

void SettingsWindowTest::Start() {
    ASSERT_TRUE(app::StartSettingsApp(GetModuleHandleA(nullptr)));
}

void SettingsWindowTest::WriteSettings(const std::vector<std::string>& lines) {
    WriteBytes(SettingsFilePath(), JoinLines(lines));
}

std::string SettingsWindowTest::SettingsBytes() {
    return ReadBytes(SettingsFilePath());
}

std::vector<std::string> SettingsWindowTest::SettingsLines() {
    return ReadAllLines(SettingsBytes());
}

std::string SettingsWindowTest::Header(const std::string& hourAndFlag) {
    return BesideTestProgram("") + "=" + hourAndFlag;
}

std::string SettingsWindowTest::MakeFile(const std::string& name, const std::string& content) {
    std::string path = dir / name;
    std::string::size_type slash = name.rfind('\\');
    if (slash != std::string::npos) {
        CreateDirectoryA((dir / name.substr(0, slash)).c_str(), nullptr);
    }
    WriteBytes(path, content);
    return path;
}

HWND SettingsWindowTest::Control(int id) {
    return GetDlgItem(app::MainWindow, id);
}

std::string SettingsWindowTest::ControlText(int id) {
    return WindowText(Control(id));
}

std::vector<std::string> SettingsWindowTest::ListLines() {
    return ListBoxLines(Control(app::BackupListBox));
}

bool SettingsWindowTest::Checked(int id) {
    return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string SettingsWindowTest::HourChecks() {
    std::string checks;
    for (int id : {app::Hour04Radio, app::Hour06Radio, app::Hour22Radio}) {
        checks += Checked(id) ? '1' : '0';
    }
    return checks;
}

void SettingsWindowTest::Click(int id) {
    // Sent, not posted: the test has no message loop, and the click's
    // command reaches the window before this returns.
    SendMessageA(Control(id), BM_CLICK, 0, 0);
}

void SettingsWindowTest::Select(const std::string& line) {
    HWND list = Control(app::BackupListBox);
    LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(line.c_str()));
    ASSERT_NE(index, LB_ERR) << line;
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SettingsWindowTest::Drop(const std::vector<std::string>& paths) {
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) {
        size += path.size() + 1;
    }
    HGLOBAL memory = GlobalAlloc(GHND, size);
    ASSERT_NE(memory, nullptr);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* names = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        std::memcpy(names, path.c_str(), path.size() + 1);
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    // The window releases the drop, as it must for Explorer's.
    SendMessageA(app::MainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

void SettingsWindowTest::DropWide(const std::vector<std::wstring>& paths) {
    std::size_t size = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const std::wstring& path : paths) {
        size += (path.size() + 1) * sizeof(wchar_t);
    }
    HGLOBAL memory = GlobalAlloc(GHND, size);
    ASSERT_NE(memory, nullptr);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
    for (const std::wstring& path : paths) {
        std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    SendMessageA(app::MainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

void SettingsWindowTest::PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, app::MainWindow, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

bool SettingsWindowTest::PumpUntil(const std::function<bool()>& done, unsigned timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(GetActiveWindow(), &message)) {
                DispatchMessageA(&message);
            }
        }
    }
    return true;
}

}  // namespace sorel::test
