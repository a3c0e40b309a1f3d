// The real Sorel2.exe, started as Windows starts it.
#include <gtest/gtest.h>

#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"
#include "unique_handle.h"

using namespace sorel;
using namespace sorel::test;

namespace {

// Sorel2.exe is built into the same folder as this test program.
std::string AgentExe() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.rfind('\\') + 1) + "Sorel2.exe";
}

DWORD RunAgent(const std::string& arguments) {
    std::string commandLine = "\"" + AgentExe() + "\"" + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 0xFFFFFFFF;
    }
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.get(), 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(processHandle.get(), &code);
    return code;
}

class AgentProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveSettingsFile();
        WriteBytes(book, "content");
        SetLastWriteUtc(book, 2009, 4, 20);
        WriteBytes(SettingsFilePath(), JoinLines({"C:\\Tools\\=221", "2009年4月19日", book}));
    }
    void TearDown() override { RemoveSettingsFile(); }
    TempFolder dir;
    std::string book = dir / "book.xls";
};

}  // namespace

TEST_F(AgentProcessTest, StartUpRunBacksUpAndRecordsToday) {
    EXPECT_EQ(RunAgent(""), 0u);
    EXPECT_EQ(ReadBytes(dir / "backUp\\11book.xls"), "content");
    EXPECT_EQ(ReadAllLines(ReadBytes(SettingsFilePath()))[1], TodayText());
}

TEST_F(AgentProcessTest, KeywordSuppressesTheStartUpRun) {
    EXPECT_EQ(RunAgent(" /kirum"), 0u);
    EXPECT_FALSE(Exists(dir / "backUp"));
    EXPECT_EQ(ReadAllLines(ReadBytes(SettingsFilePath()))[1], "2009年4月19日");
}
