#include "shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

namespace sorel::app {

namespace {

struct ItemListFree {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};

Shell TheShell;
Shell* CurrentShell = &TheShell;

}  // namespace

std::string Shell::StartupFolder() {
    ITEMIDLIST* found = nullptr;
    // A profile whose Startup folder was deleted gets it back, as Windows
    // itself would; without the flag the shell cannot name a missing folder.
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, &found)) ||
        !found) {
        return {};
    }
    std::unique_ptr<ITEMIDLIST, ItemListFree> list(found);
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(list.get(), path)) {
        return {};
    }
    return std::string(path);
}

void Shell::Execute(const char* verb, const std::string& file, const std::string& folder,
                    int show) {
    ShellExecuteA(nullptr, verb, file.c_str(), nullptr, folder.empty() ? nullptr : folder.c_str(),
                  show);
}

bool Shell::RemoveStream(const std::string& stream) {
    return DeleteFileA(stream.c_str()) != FALSE;
}

void UseShell(Shell* shell) {
    CurrentShell = shell ? shell : &TheShell;
}

std::string StartupFolderPath() {
    return CurrentShell->StartupFolder();
}

void ShellOpen(const char* verb, const std::string& file, int show, const std::string& folder) {
    CurrentShell->Execute(verb, file, folder, show);
}

void ForgetDownload(const std::string& file) {
    CurrentShell->RemoveStream(file + ":Zone.Identifier");
}

}  // namespace sorel::app
