// The shared Windows layer against real files under Wine.
#include <gtest/gtest.h>

#include "ansi_text.h"
#include "error_mode.h"
#include "files.h"
#include "settings_file.h"
#include "store_path.h"
#include "temp_folder.h"

using namespace sorel;
using namespace sorel::test;

// Runs in the tests' own zone (UTC) and again, from tests/CMakeLists.txt,
// with TZ set to a zone east and a zone west of UTC.
TEST(FileDateText, IsTheLocalCalendarDateOfTheLastWrite) {
    char zone[64] = "";
    GetEnvironmentVariableA("TZ", zone, sizeof zone);
    const int column = std::string(zone) == "Asia/Tokyo"            ? 1
                       : std::string(zone) == "America/Los_Angeles" ? 2
                                                                    : 0;
    struct Row {
        int month, day, hour, minute;  // UTC, 2009
        const char* dates[3];          // UTC, Tokyo (UTC+9), Los Angeles
    } rows[] = {
        // 08:30 on 24 April in Japan, 16:30 on 23 April in California.
        {4, 23, 23, 30, {"2009/4/23", "2009/4/24", "2009/4/23"}},
        {4, 23, 14, 59, {"2009/4/23", "2009/4/23", "2009/4/23"}},
        {4, 23, 15, 0, {"2009/4/23", "2009/4/24", "2009/4/23"}},
        // Each moment with its own season's rules: 23:30 winter time (UTC-8)
        // on 14 January, 00:30 summer time (UTC-7) on 15 July.
        {1, 15, 7, 30, {"2009/1/15", "2009/1/15", "2009/1/14"}},
        {7, 15, 7, 30, {"2009/7/15", "2009/7/15", "2009/7/15"}},
        {12, 5, 0, 0, {"2009/12/5", "2009/12/5", "2009/12/4"}},
        {1, 1, 3, 0, {"2009/1/1", "2009/1/1", "2008/12/31"}},
    };
    TempFolder dir;
    std::string file = dir / "book.xls";
    WriteBytes(file, "x");
    for (const Row& r : rows) {
        SetLastWriteUtc(file, 2009, r.month, r.day, r.hour, r.minute);
        EXPECT_EQ(FileDateText(file), r.dates[column])
            << zone << " " << r.month << "/" << r.day << " " << r.hour << ":" << r.minute;
    }
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
    EXPECT_EQ(ReadFilePrefixExclusive(file, 2, bytes), ReadResult::kOk);
    EXPECT_EQ(bytes, std::string("a\0", 2));
    EXPECT_EQ(ReadFilePrefixExclusive(file, 100, bytes), ReadResult::kOk);
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    EXPECT_EQ(ReadFilePrefixExclusive(dir / "none.txt", 100, bytes), ReadResult::kMissing);
    ExclusiveHold hold(file);
    ASSERT_TRUE(hold.held());
    EXPECT_EQ(ReadFileExclusive(file, bytes), ReadResult::kBusy);
    EXPECT_EQ(ReadFilePrefixExclusive(file, 2, bytes), ReadResult::kBusy);
    DWORD start = GetTickCount();
    EXPECT_EQ(ReadFileExclusiveRetrying(file, bytes), ReadResult::kBusy);
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 500u);
    EXPECT_LT(waited, 1000u);
}

// Only a holder that may let go is waited for, and never much beyond a
// second in all, however slow each attempt is.
TEST(RetryWhileBusy, WaitsOnlyForAHolderAndCountsTheTimeGone) {
    const struct {
        DWORD error;
        DWORD attemptMs;
        bool retried;
    } rows[] = {
        {ERROR_SHARING_VIOLATION, 0, true},   {ERROR_LOCK_VIOLATION, 0, true},
        {ERROR_SHARING_VIOLATION, 300, true}, {ERROR_NETNAME_DELETED, 0, false},
        {ERROR_BAD_NETPATH, 0, false},        {ERROR_ACCESS_DENIED, 0, false},
    };
    for (const auto& row : rows) {
        int attempts = 0;
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(RetryWhileBusy([&] {
            ++attempts;
            Sleep(row.attemptMs);
            SetLastError(row.error);
            return false;
        }));
        const ULONGLONG waited = GetTickCount64() - start;
        EXPECT_EQ(attempts > 1, row.retried) << row.error;
        EXPECT_LT(waited, row.retried ? 1200u : 100u) << row.error;
        EXPECT_GE(waited, row.retried ? 500u : 0u) << row.error;
    }
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

// Names reach the programs in the system's wide form; only those the ANSI
// code page spells exactly may become paths (LC_ALL ja_JP gives 932).
TEST(AnsiText, OnlyNamesTheCodePageSpellsExactlyConvert) {
    struct Case {
        const wchar_t* wide;
        bool exact;
        std::string ansi;
    };
    const Case cases[] = {
        {L"C:\\\u8868\\\u30bd.txt", true, "C:\\表\\ソ.txt"},
        {L"", true, ""},
        {L"caf\u00e9.txt", false, ""},           // best fit would give cafe.txt
        {L"\uD55C\uAD6D\uC5B4.txt", false, ""},  // Korean
        {L"\U0001F600.txt", false, ""},          // an emoji
        {L"\uFF5E.txt", true, "\x81\x60.txt"},   // the full-width tilde of code page 932
    };
    for (const Case& c : cases) {
        std::string ansi;
        EXPECT_EQ(WideToAnsiExact(c.wide, ansi), c.exact) << static_cast<int>(c.wide[0]);
        if (c.exact) {
            EXPECT_EQ(ansi, c.ansi);
        }
    }
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
