// The shared Windows layer against real files under Wine.
#include <gtest/gtest.h>

#include "error_mode.h"
#include "files.h"
#include "settings_file.h"
#include "store_path.h"
#include "temp_folder.h"

using namespace sorel;
using namespace sorel::test;

TEST(FileDateText, IsTheUtcCalendarDateOfTheLastWrite) {
    TempFolder dir;
    std::string file = dir / "book.xls";
    WriteBytes(file, "x");
    // 08:30 on 24 April in Japan is still 23 April in UTC.
    SetLastWriteUtc(file, 2009, 4, 23, 23, 30);
    EXPECT_EQ(FileDateText(file), "2009/4/23");
    SetLastWriteUtc(file, 2009, 12, 5, 0, 0);
    EXPECT_EQ(FileDateText(file), "2009/12/5");
}

TEST(FileDateText, EmptyWhenTheFileCannotBeOpenedExclusively) {
    TempFolder dir;
    std::string file = dir / "held.txt";
    WriteBytes(file, "x");
    EXPECT_EQ(FileDateText(dir / "missing.txt"), "");
    EXPECT_EQ(FileDateText(dir / "no\\such\\folder.txt"), "");
    {
        // Even a reader that shares everything blocks the exclusive open.
        HANDLE shared = CreateFileA(file.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(shared, INVALID_HANDLE_VALUE);
        EXPECT_EQ(FileDateText(file), "");
        CloseHandle(shared);
    }
    EXPECT_NE(FileDateText(file), "");
}

TEST(ExclusiveRead, TellsMissingFromBusy) {
    TempFolder dir;
    std::string file = dir / "f.txt";
    std::string bytes = "stale";
    EXPECT_EQ(ReadFileExclusive(file, bytes), ReadResult::kMissing);
    EXPECT_EQ(bytes, "");
    WriteBytes(file, std::string("a\0b", 3));
    EXPECT_EQ(ReadFileExclusive(file, bytes), ReadResult::kOk);
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    ExclusiveHold hold(file);
    ASSERT_TRUE(hold.held());
    EXPECT_EQ(ReadFileExclusive(file, bytes), ReadResult::kBusy);
    DWORD start = GetTickCount();
    EXPECT_EQ(ReadFileExclusiveRetrying(file, bytes), ReadResult::kBusy);
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 500u);
    EXPECT_LT(waited, 1000u);
}

TEST(ReplaceFileContent, ReplacesWholeAndLeavesNoTemporaryFile) {
    TempFolder dir;
    std::string file = dir / "s.vnx";
    std::string temp = dir / "s.vnx.t.tmp";
    EXPECT_TRUE(ReplaceFileContent(file, "first\r\n", temp));
    EXPECT_EQ(ReadBytes(file), "first\r\n");
    EXPECT_TRUE(ReplaceFileContent(file, "", temp));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_FALSE(Exists(temp));
}

TEST(ReplaceFileContent, HeldFileStaysAsItWas) {
    TempFolder dir;
    std::string file = dir / "s.vnx";
    std::string temp = dir / "s.vnx.t.tmp";
    WriteBytes(file, "old\r\n");
    {
        ExclusiveHold hold(file);
        ASSERT_TRUE(hold.held());
        EXPECT_FALSE(ReplaceFileContent(file, "new\r\n", temp));
    }
    EXPECT_EQ(ReadBytes(file), "old\r\n");
    EXPECT_FALSE(Exists(temp));
}

TEST(SettingsFile, LivesInTheWindowsDirectory) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(SettingsFilePath(), std::string(windows) + "\\Varnix.vnx");
}

TEST(SettingsFile, TodayTextIsTheSystemsLongDate) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char expected[255];
    ASSERT_GT(GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, nullptr, nullptr, expected,
                             sizeof expected),
              0);
    EXPECT_EQ(TodayText(), expected);
    // On a Japanese system the long date carries the year in kanji.
    EXPECT_NE(TodayText().find(std::to_string(now.wYear) + "年"), std::string::npos);
}

TEST(SystemText, LeadBytesAndComparison) {
    EXPECT_EQ(GetACP(), 932u);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(IsSystemLeadByte(static_cast<unsigned char>(b)),
                  IsCp932LeadByte(static_cast<unsigned char>(b)))
            << b;
    }
    EXPECT_TRUE(TextsEqual("", ""));
    EXPECT_TRUE(TextsEqual("2009/4/23", "2009/4/23"));
    EXPECT_FALSE(TextsEqual("2009/4/23", "2009/4/2"));
    EXPECT_FALSE(TextsEqual("", "2009/4/23"));
}

TEST(QuietCriticalErrors, AddsItsFlagAndKeepsTheSystems) {
    const UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    QuietCriticalErrors();
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                                                SEM_NOOPENFILEERRORBOX));
    // A second call changes nothing.
    QuietCriticalErrors();
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                                                SEM_NOOPENFILEERRORBOX));
    SetErrorMode(before);
}
