#include "gui_driver.h"

#include <iterator>

#include "../../agent/agent_messages.h"

namespace sorel::test {

std::string BesideTestProgram(const std::string& fileName) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.rfind('\\') + 1) + fileName;
}

bool WaitWhileAgentRuns(HWND agentWindow, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            DWORD_PTR running = 1;
            return SendMessageTimeoutA(agentWindow, kRunInProgressQuery, 0, 0, SMTO_NORMAL,
                                       timeoutMs, &running) &&
                   running == 0;
        },
        timeoutMs);
}

void WaitForDesktop() {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    // The first use of a Japanese font in a fresh prefix builds Wine's font
    // cache, which takes seconds; better here than inside a timed start.
    HDC dc = GetDC(probe);
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0,
                             0, 0, "MS UI Gothic");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent;
    GetTextExtentPoint32A(dc, "日本語", 6, &extent);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(probe, dc);
    WaitUntil([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }, 30000);
    if (probe) {
        DestroyWindow(probe);
    }
}

Program::Program(const std::string& exe, const std::string& arguments, const std::string& folder,
                 bool waitUntilIdle) {
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        process_.reset(info.hProcess);
        KernelHandle thread(info.hThread);
        pid_ = info.dwProcessId;
        if (waitUntilIdle) {
            WaitForInputIdle(info.hProcess, 5000);
        }
    }
}

Program::~Program() {
    if (Running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

DWORD Program::WaitForExit(DWORD timeoutMs) {
    if (!process_) {
        return STILL_ACTIVE;
    }
    WaitForSingleObject(process_.get(), timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void Program::Kill() {
    if (Running()) {
        TerminateProcess(process_.get(), 9);
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool Program::Running() {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

namespace {

struct Search {
    DWORD pid;
    const char* className;
    const char* title;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid) {
        return TRUE;
    }
    char className[256] = {};
    GetClassNameA(window, className, sizeof className);
    if (search->className && lstrcmpA(className, search->className) != 0) {
        return TRUE;
    }
    if (search->title && WindowText(window) != search->title) {
        return TRUE;
    }
    if (search->visibleOnly && !IsWindowVisible(window)) {
        return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> Find(DWORD pid, const char* className, const char* title, bool visibleOnly) {
    Search search{pid, className, title, visibleOnly, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const char* className, const char* title) {
    return Find(pid, className, title, false);
}

HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            auto windows = Find(pid, className, title, false);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

std::string WindowText(HWND window) {
    char text[2048] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &length);
    return text;
}

MessageBoxSeen WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    MessageBoxSeen seen;
    WaitUntil(
        [&] {
            auto boxes = Find(pid, "#32770", nullptr, true);
            if (boxes.empty()) {
                return false;
            }
            HWND label = GetDlgItem(boxes.front(), 0xFFFF);
            if (!label) {
                return false;
            }
            seen.window = boxes.front();
            seen.caption = WindowText(seen.window);
            seen.text = WindowText(label);
            return true;
        },
        timeoutMs);
    return seen;
}

bool PressDialogButton(HWND dialog, int buttonId, DWORD timeoutMs) {
    HWND button = GetDlgItem(dialog, buttonId);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return WaitUntil([&] { return !IsWindow(dialog); }, timeoutMs);
}

std::vector<std::string> ListBoxLines(HWND list) {
    // Asked in its wide form: Wine carries an ANSI LB_GETTEXT to another
    // process as UTF-16 without converting it back. The lines come back in
    // the ANSI code page, as the program holds them.
    std::vector<std::string> lines;
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[1024] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(std::size(wide))) {
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
        }
        char text[2048] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        lines.push_back(text);
    }
    return lines;
}

void ClickButton(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

namespace {

struct ChildSearch {
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    char className[256] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, search->className) == 0) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> ChildWindows(HWND parent, const char* className) {
    ChildSearch search{className, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ChooseInOpenFileDialog(HWND dialog, const std::string& path) {
    // The file name field is control cmb13 (0x47C), a combo box whose edit
    // takes the typing.
    constexpr int kFileNameField = 0x47C;
    HWND field = nullptr;
    for (HWND edit : ChildWindows(dialog, "Edit")) {
        if (GetDlgCtrlID(edit) == kFileNameField ||
            GetDlgCtrlID(GetParent(edit)) == kFileNameField) {
            field = edit;
            break;
        }
    }
    if (!field) {
        return false;
    }
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    return PressDialogButton(dialog, IDOK);
}

}  // namespace sorel::test
