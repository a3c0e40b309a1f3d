// Malformed settings files met by both programs: neither may crash, and
// neither may rewrite the file into one that lacks a listed path it could read.
#include <algorithm>

#include "app_state.h"
#include "backup_run.h"
#include "messages.h"
#include "resource.h"
#include "settings_file.h"
#include "settings_text.h"
#include "settings_window_fixture.h"

namespace {

using namespace sorel;
using namespace sorel::test;

struct Malformed {
    const char* name;
    std::string bytes;
};

class MalformedSettingsTest : public SettingsWindowTest {
  protected:
    // The cases, built around real files in the temporary folder so that the
    // agent has something to back up.
    std::vector<Malformed> Cases() {
        const std::string a = MakeFile("a.txt", "a");
        const std::string b = MakeFile("b,c.txt", "b");
        std::string thirty;
        for (int i = 0; i < 30; ++i) {
            thirty += MakeFile("f" + std::to_string(i) + ".txt", "f") + "\r\n";
        }
        return {
            {"empty", ""},
            {"no line end", "C:\\X\\=221"},
            {"line 1 only, CR LF", "C:\\X\\=221\r\n"},
            {"LF only", "C:\\X\\=061\nday\n" + a + "\n" + b + "\n"},
            {"binary garbage", std::string("\x81\xff\x00\x5c\x95\r\r\n\x01\x02", 10) + a + "\r\n"},
            {"NUL bytes", std::string("C:\\X\\=041\r\nday\r\n", 17) + a +
                              std::string("\0junk\r\n", 7) + b + "\r\n"},
            {"thirty path lines", "C:\\X\\=221\r\nday\r\n" + thirty},
            {"600-byte line",
             "C:\\X\\=221\r\nday\r\nC:\\" + std::string(597, 'x') + "\r\n" + a + "\r\n"},
            {"commas", "C:\\X\\=221\r\nday\r\n" + b + "\r\n\"" + a + "\",x\r\n"},
            {"line 1 without =", "C:\\X\\\r\nday\r\n" + a + "\r\n"},
            {"blank lines", "\r\n\r\n   \r\n\t" + a + "\r\n"},
        };
    }

    // The path lines of a file that either program could hold.
    static std::vector<std::string> ReadablePaths(const std::string& bytes) {
        std::vector<std::string> lines = ReadAllLines(bytes);
        std::vector<std::string> paths;
        for (std::size_t i = 2; i < lines.size(); ++i) {
            if (lines[i].size() > 3 && lines[i][1] == ':') {
                paths.push_back(lines[i]);
            }
        }
        return paths;
    }

    static void ExpectKept(const std::vector<std::string>& paths, const std::string& bytes,
                           const char* who) {
        std::vector<std::string> now = ReadAllLines(bytes);
        for (const std::string& p : paths) {
            EXPECT_NE(std::find(now.begin(), now.end(), p), now.end()) << who << " lost " << p;
        }
    }
};

TEST_F(MalformedSettingsTest, TheAgentReadsRunsAndRecordsWithoutLosingAPath) {
    for (const Malformed& c : Cases()) {
        SCOPED_TRACE(c.name);
        WriteBytes(SettingsFilePath(), c.bytes);
        const std::vector<std::string> paths = ReadablePaths(c.bytes);
        HeldSettings held;
        ReadBackupList(held);
        ReadScheduleHeader(held);
        RunBackup(held);
        RecordLastRunDate();
        ExpectKept(paths, SettingsBytes(), "the agent");
    }
}

TEST_F(MalformedSettingsTest, TheSettingsWindowLoadsAddsAndRemovesWithoutLosingAPath) {
    const std::string added = MakeFile("added.txt", "n");
    for (const Malformed& c : Cases()) {
        SCOPED_TRACE(c.name);
        WriteBytes(SettingsFilePath(), c.bytes);
        const std::vector<std::string> paths = ReadablePaths(c.bytes);
        Start();
        ExpectKept(paths, SettingsBytes(), "loading");
        asker.said.clear();
        Drop({added});
        ExpectKept(paths, SettingsBytes(), "adding");
        std::vector<std::string> listed = ListLines();
        if (std::find(listed.begin(), listed.end(), "added.txt") != listed.end()) {
            Select("added.txt");
            asker.answers = {IDOK};
            Click(app::RemoveButton);
            ExpectKept(paths, SettingsBytes(), "removing");
        } else {
            // Only a full list refuses it.
            EXPECT_GE(paths.size(), 20u);
        }
        TearDown();
        SetUp();
    }
}

}  // namespace
