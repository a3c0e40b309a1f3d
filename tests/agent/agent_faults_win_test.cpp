// The agent under faults: killed at random moments, and a disk that fills up.
// Nothing may cost a generation or leave a part of a file under a
// generation's name, and the settings file must stay whole.
#include <gtest/gtest.h>

#include <random>

#include "backup_run.h"
#include "gui_driver.h"
#include "settings_file.h"
#include "settings_text.h"
#include "temp_folder.h"

using namespace sorel;
using namespace sorel::test;

namespace {

constexpr int kFiles = 4;
constexpr std::size_t kStateSize = 12 * 1000 * 1000;

// A recognisable state of a file: its round number at both ends, and a size
// that tells a whole copy from a part of one.
std::string State(int round, std::size_t size = kStateSize) {
    std::string head = "state " + std::to_string(round) + "\n";
    std::string tail = "\nend " + std::to_string(round);
    return head +
           std::string(size - head.size() - tail.size(), static_cast<char>('a' + round % 26)) +
           tail;
}

// The round of a whole state, or -1 for anything else.
int RoundOf(const std::string& bytes, std::size_t size = kStateSize) {
    if (bytes.size() != size || bytes.compare(0, 6, "state ") != 0) {
        return -1;
    }
    int round = std::atoi(bytes.c_str() + 6);
    return bytes == State(round, size) ? round : -1;
}

// Waits until the agent's start-up run is over: a sent message is only
// handled once it waits in its message loop, and the run, on a thread of
// its own, is over when the agent tells it is idle.
HWND WaitForStartUpRun(Program& agent) {
    HWND window = WaitForWindow(agent.pid(), "NORMAL0", nullptr, 20000);
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored);
    WaitWhileAgentRuns(window, 20000);
    return window;
}

}  // namespace

TEST(AgentFaults, KilledAtRandomMomentsLosesNothing) {
    WaitForDesktop();
    RemoveSettingsFile();
    TempFolder dir;
    std::vector<std::string> files;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(dir / ("file" + std::to_string(i) + ".dat"));
    }
    std::vector<std::string> lines = {"C:\\Tools\\=221", "2009年4月1日"};
    lines.insert(lines.end(), files.begin(), files.end());
    const std::string settings = JoinLines(lines);

    // How long a whole start-up run takes here, to spread the kills over it.
    for (const auto& f : files) {
        WriteBytes(f, State(0));
        SetLastWriteUtc(f, 2009, 1, 1);
    }
    WriteBytes(SettingsFilePath(), settings);
    DWORD start = GetTickCount();
    DWORD runMs;
    {
        Program agent(BesideTestProgram("Sorel2.exe"), "", "", false);
        WaitForStartUpRun(agent);
        runMs = GetTickCount() - start;
        agent.Kill();
    }

    std::mt19937 random(20261207);
    std::uniform_int_distribution<DWORD> delay(0, 2 * runMs);
    int tried = 0, interrupted = 0, losses = 0;
    const int kRounds = 50;
    for (int round = 1; round <= kRounds; ++round) {
        for (const auto& f : files) {
            WriteBytes(f, State(round));
            // A new day for every round, so every round rotates every file.
            SetLastWriteUtc(f, 2009 + round / 12, 1 + round % 12, 2);
        }
        WriteBytes(SettingsFilePath(), settings);
        {
            Program agent(BesideTestProgram("Sorel2.exe"), "", "", false);
            ASSERT_TRUE(agent.started());
            Sleep(delay(random));
            agent.Kill();
        }
        ++tried;
        for (const auto& f : files) {
            if (RoundOf(ReadBytes(dir / ("backUp\\11" + f.substr(dir.path().size())))) != round) {
                ++interrupted;  // killed before this file's new generation was in place
                break;
            }
        }
        // Every generation name holds a whole earlier state, newest first.
        for (const auto& f : files) {
            int previous = round + 1;
            for (const char* prefix : {"11", "22", "33"}) {
                std::string g =
                    dir / ("backUp\\" + std::string(prefix) + f.substr(dir.path().size()));
                if (!Exists(g)) {
                    continue;
                }
                int r = RoundOf(ReadBytes(g));
                if (r < 0 || r >= previous) {
                    ++losses;
                    ADD_FAILURE() << "round " << round << ": " << g << " holds " << r;
                }
                previous = r;
            }
        }
        // The settings file is whole: its lines, with any date on line 2.
        std::vector<std::string> now = ReadAllLines(ReadBytes(SettingsFilePath()));
        if (now.size() != lines.size() || now[0] != lines[0] ||
            !std::equal(lines.begin() + 2, lines.end(), now.begin() + 2)) {
            ++losses;
            ADD_FAILURE() << "round " << round << ": settings file not whole";
        }
    }
    // A last run without a kill tidies what the kills left.
    {
        // Not polled meanwhile: a reader without delete sharing would stop a rename.
        Program agent(BesideTestProgram("Sorel2.exe"), "", "", false);
        WaitForStartUpRun(agent);
        MessageBoxSeen box = WaitForMessageBox(agent.pid(), 100);
        EXPECT_FALSE(box) << box.text;
        agent.Kill();
    }
    for (const auto& f : files) {
        EXPECT_EQ(RoundOf(ReadBytes(dir / ("backUp\\11" + f.substr(dir.path().size())))), kRounds);
        EXPECT_FALSE(Exists(dir / ("backUp\\~new~" + f.substr(dir.path().size()))));
    }
    printf(
        "kill test: %d runs killed at random moments (a run takes %lu ms), %d interrupted "
        "before all files were stored, %d losses\n",
        tried, static_cast<unsigned long>(runMs), interrupted, losses);
    EXPECT_EQ(losses, 0);
    RemoveSettingsFile();
}

// tools/wine-tests.sh maps drive T: to a small RAM disk when run as root.
TEST(AgentFaults, FullDiskCostsNoGenerationAndRecordsNoDate) {
    if (GetDriveTypeA("T:\\") == DRIVE_NO_ROOT_DIR) {
        GTEST_SKIP() << "drive T: (a small RAM disk) is not mapped";
    }
    ULARGE_INTEGER freeBytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA("T:\\", &freeBytes, nullptr, nullptr));
    RemoveSettingsFile();
    CreateDirectoryA("T:\\data", nullptr);
    const std::string file = "T:\\data\\big.bin";
    // Three states of a file that takes a little over a third of the disk:
    // the file and generation 1 fit, a second copy does not.
    const std::size_t size = static_cast<std::size_t>(freeBytes.QuadPart / 3 + 65536);
    WriteBytes(file, State(1, size));
    SetLastWriteUtc(file, 2009, 4, 20);
    const std::string settings = JoinLines({"C:\\Tools\\=221", "2009年4月19日", file});
    WriteBytes(SettingsFilePath(), settings);
    HeldSettings held;
    ReadBackupList(held);
    ASSERT_EQ(RunBackup(held).handled, 1);
    ASSERT_EQ(RoundOf(ReadBytes("T:\\data\\backUp\\11big.bin"), size), 1);

    WriteBytes(file, State(2, size));
    SetLastWriteUtc(file, 2009, 4, 21);
    WriteBytes(SettingsFilePath(), settings);
    ReadBackupList(held);
    RunReport report = RunBackup(held);
    EXPECT_EQ(report.handled, 0);
    EXPECT_EQ(report.failed, 1);
    ASSERT_EQ(report.files.size(), 1u);
    EXPECT_EQ(report.files[0].outcome, FileOutcome::kDiskFull);
    EXPECT_FALSE(report.dateRecorded);
    EXPECT_EQ(RoundOf(ReadBytes("T:\\data\\backUp\\11big.bin"), size), 1);
    EXPECT_FALSE(Exists("T:\\data\\backUp\\22big.bin"));
    EXPECT_FALSE(Exists("T:\\data\\backUp\\~new~big.bin"));
    EXPECT_EQ(ReadBytes(SettingsFilePath()), settings);

    for (const char* f : {"T:\\data\\backUp\\11big.bin", "T:\\data\\big.bin"}) {
        DeleteFileA(f);
    }
    RemoveDirectoryA("T:\\data\\backUp");
    RemoveDirectoryA("T:\\data");
    RemoveSettingsFile();
}
