#include "agent_files.h"

#include <gtest/gtest.h>

using namespace sorel;

namespace {

const char kStartup[] = "C:\\Users\\u\\Start Menu\\Programs\\Startup\\";

TEST(JudgeStartupEntry, ThePlainFolderRuleIsExact) {
    EXPECT_EQ(JudgeStartupEntry(kStartup, ".", 0x10), StartupEntry::kSkip);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "..", 0x10), StartupEntry::kSkip);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Tools", 0x10), StartupEntry::kSearchInside);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Sorel2.exe", 0x10), StartupEntry::kSearchInside);
    // Any further bit makes the folder count like a file: its name is tested
    // and its inside is not.
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Tools", 0x12), StartupEntry::kOther);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Tools", 0x410), StartupEntry::kOther);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Sorel2.exe", 0x30), StartupEntry::kAgent);
}

TEST(JudgeStartupEntry, TheAgentIsFoundByItsExactSpellingAnywhereInThePath) {
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Sorel2.exe", 0x20), StartupEntry::kAgent);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Sorel2.exe", 0), StartupEntry::kAgent);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Sorel2.exe.lnk", 0x20), StartupEntry::kAgent);
    // Hidden and system files are tested like any other.
    EXPECT_EQ(JudgeStartupEntry(kStartup, "old Sorel2.exe", 0x06), StartupEntry::kAgent);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "desktop.ini", 0x26), StartupEntry::kOther);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "sorel2.exe", 0x20), StartupEntry::kOther);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "SOREL2.EXE", 0x20), StartupEntry::kOther);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Sorel2.ex", 0x20), StartupEntry::kOther);
    EXPECT_EQ(JudgeStartupEntry(kStartup, "Sorel.exe", 0x20), StartupEntry::kOther);
    // Inside a folder that is itself named so, every file counts.
    EXPECT_EQ(JudgeStartupEntry(std::string(kStartup) + "Sorel2.exe\\", "readme.txt", 0x20),
              StartupEntry::kAgent);
    EXPECT_EQ(JudgeStartupEntry(std::string(kStartup) + "Tools\\", "Sorel2.exe", 0x20),
              StartupEntry::kAgent);
}

}  // namespace
