// Both programs writing the settings file at once, for a minute: the settings
// window adding and removing files while the agent starts over and over,
// backs up and records its date. No line may be lost or doubled, and a reader
// must never see a part of the file.
#include <atomic>
#include <random>
#include <set>
#include <thread>

#include "app_state.h"
#include "gui_driver.h"
#include "list_editing.h"
#include "messages.h"
#include "settings_file.h"
#include "settings_text.h"
#include "settings_window_fixture.h"

namespace {

using namespace sorel;
using namespace sorel::test;

class ConcurrencyTest : public SettingsWindowTest {
  protected:
    static void SetUpTestSuite() { WaitForDesktop(); }
};

// Whether `bytes` is a whole settings file: every line ended, a header and a
// date, and path lines that are known files, each at most once.
bool Whole(const std::string& bytes, const std::set<std::string>& known) {
    if (bytes.empty()) {
        return true;
    }
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) {
        return false;
    }
    std::vector<std::string> lines = ReadAllLines(bytes);
    if (lines.size() < 2) {
        return false;
    }
    std::set<std::string> seen;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        if (!known.count(lines[i]) || !seen.insert(lines[i]).second) {
            return false;
        }
    }
    return true;
}

TEST_F(ConcurrencyTest, BothProgramsWritingForAMinuteLoseNothing) {
    const char* seconds = getenv("SOREL_CONCURRENCY_SECONDS");
    const DWORD durationMs = (seconds ? atoi(seconds) : 60) * 1000;
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) {
        files.push_back(MakeFile("file" + std::to_string(i) + ".txt", "content"));
    }
    const std::set<std::string> known(files.begin(), files.end());
    WriteSettings({Header("221"), "2009年4月19日"});
    Start();

    std::atomic<bool> stop{false};
    std::atomic<int> agentRuns{0}, reads{0}, partial{0};
    // The agent, started again and again; every start is a new day for the
    // listed files, so each start-up run copies and records its date.
    std::thread agents([&] {
        for (int day = 1; !stop; ++day) {
            for (const auto& f : files) {
                SetLastWriteUtc(f, 2010 + day / 300, 1 + day / 28 % 12, 1 + day % 28);
            }
            Program agent(BesideTestProgram("Sorel2.exe"), "", "", false);
            HWND window = WaitForWindow(agent.pid(), "NORMAL0", nullptr, 10000);
            DWORD_PTR ignored;
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
            WaitWhileAgentRuns(window, 10000);
            // Closed, not killed, so that no dead icon is left in the tray;
            // under Wine the icon's removal takes about two seconds.
            PostMessageA(window, WM_CLOSE, 0, 0);
            if (agent.WaitForExit(5000) == STILL_ACTIVE) {
                agent.Kill();
            }
            ++agentRuns;
        }
    });
    // A reader that never takes the file away from the programs.
    std::thread reader([&] {
        while (!stop) {
            std::string bytes = ReadBytes(SettingsFilePath());
            if (bytes != "<missing>") {
                ++reads;
                if (!Whole(bytes, known)) {
                    ++partial;
                }
            }
            Sleep(3);
        }
    });

    // The user, adding and removing files; `expected` follows every change
    // the window reports as made.
    std::mt19937 random(7);
    std::vector<std::string> expected;
    int adds = 0, removes = 0, refused = 0;
    const DWORD start = GetTickCount();
    int drift = 0;
    auto settingsBytes = [] { return ReadSettingsBytes(); };
    auto listedInFile = [&] {
        std::vector<std::string> lines = ReadAllLines(settingsBytes());
        std::vector<std::string> paths(lines.size() > 2 ? lines.begin() + 2 : lines.end(),
                                       lines.end());
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    while (GetTickCount() - start < durationMs) {
        // Between two changes of the list only the date may change: a write
        // of the agent that put back an older list would show here.
        std::vector<std::string> sortedExpected = expected;
        std::sort(sortedExpected.begin(), sortedExpected.end());
        if (listedInFile() != sortedExpected) {
            ++drift;
            expected = TablePaths(app::BackupTable);
        }
        const std::string& f = files[random() % files.size()];
        bool listed = std::find(expected.begin(), expected.end(), f) != expected.end();
        asker.said.clear();
        if (!listed) {
            Drop({f});
            if (!asker.said.empty() && asker.said.back().text == app::kAddedMessage.text) {
                expected.push_back(f);
                ++adds;
            } else {
                ++refused;
            }
        } else {
            Select(f.substr(f.rfind('\\') + 1));
            asker.answers = {IDOK};
            app::RemoveSelectedEntry();
            bool busy = false;
            for (const auto& said : asker.said) {
                busy = busy || said.text == app::kSettingsBusyMessage.text;
            }
            if (busy) {
                ++refused;
            } else {
                expected.erase(std::find(expected.begin(), expected.end(), f));
                ++removes;
            }
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(20);
    }
    stop = true;
    agents.join();
    reader.join();

    std::vector<std::string> lines = ReadAllLines(settingsBytes());
    ASSERT_GE(lines.size(), 2u);
    std::vector<std::string> paths(lines.begin() + 2, lines.end());
    std::sort(paths.begin(), paths.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(partial, 0);
    EXPECT_EQ(drift, 0);
    printf(
        "concurrency: %d adds, %d removes, %d refused as busy, %d agent runs, %d reads, "
        "%d partial, %d lists undone, %s\n",
        adds, removes, refused, agentRuns.load(), reads.load(), partial.load(), drift,
        paths == expected ? "no line lost or doubled" : "LINES DIFFER");
    EXPECT_GE(agentRuns, static_cast<int>(durationMs / 5000));
    EXPECT_GT(adds + removes, 100);
}

}  // namespace
