// Malformed settings files met by both programs: neither may crash, and
// neither may rewrite the file into one that lacks a listed path it could read.
#include <algorithm>

#include "ansi_text.h"
#include "app_state.h"
#include "backup_run.h"
#include "messages.h"
#include "resource.h"
#include "settings_file.h"
#include "settings_form.h"
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
        const std::string hyo = MakeFile("表.txt", "h");
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
            {"CR only", "C:\\X\\=221\rday\r" + a + "\r" + b + "\r"},
            {"UTF-8 with its mark",
             "\xEF\xBB\xBF" + Utf8("C:\\X\\=221\r\nday\r\n" + a + "\r\n" + hyo)},
            {"UTF-16 with its mark (Notepad's Unicode)",
             "\xFF\xFE" + Utf16("C:\\X\\=221\r\nday\r\n" + a + "\r\n" + hyo + "\r\n")},
        };
    }

    static std::wstring Wide(const std::string& ansi) {
        std::wstring wide(ansi.size(), L'\0');
        wide.resize(static_cast<std::size_t>(
            MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                                static_cast<int>(wide.size()))));
        return wide;
    }
    static std::string Utf8(const std::string& ansi) {
        std::wstring wide = Wide(ansi);
        std::string utf8(wide.size() * 3, '\0');
        utf8.resize(static_cast<std::size_t>(
            WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                                static_cast<int>(utf8.size()), nullptr, nullptr)));
        return utf8;
    }
    static std::string Utf16(const std::string& ansi) {
        std::wstring wide = Wide(ansi);
        return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    }

    // The lines as the programs read them, whatever form the file is in.
    static std::vector<std::string> LinesOf(const std::string& bytes) {
        return ReadAllLines(SettingsTextOf(bytes, Utf16ToAnsiExact).bytes);
    }

    // The path lines of a file that either program could hold.
    static std::vector<std::string> ReadablePaths(const std::string& bytes) {
        std::vector<std::string> lines = LinesOf(bytes);
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
        std::vector<std::string> now = LinesOf(bytes);
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

// A file the programs cannot carry over whole into their own form is kept
// as Varnix.vnx.bak before the first rewrite; their own form never is.
TEST_F(MalformedSettingsTest, TheOldFileIsKeptBeforeARewriteThatCouldLoseBytes) {
    const std::string added = MakeFile("added.txt", "n");
    const std::string bak = KeptSettingsFilePath();
    for (const Malformed& c : Cases()) {
        SCOPED_TRACE(c.name);
        DeleteFileA(bak.c_str());
        WriteBytes(SettingsFilePath(), c.bytes);
        const SettingsText read = SettingsTextOf(c.bytes, Utf16ToAnsiExact);
        Start();
        Drop({added});
        if (SettingsBytes() == c.bytes) {
            EXPECT_FALSE(Exists(bak));
        } else if (KeepBeforeRewrite(read)) {
            EXPECT_EQ(ReadBytes(bak), c.bytes);
        } else {
            EXPECT_FALSE(Exists(bak));
        }
        TearDown();
        SetUp();
    }
    DeleteFileA(bak.c_str());
}

}  // namespace
