#include "store_path.h"

#include <gtest/gtest.h>

using namespace sorel;

namespace {
void ExpectParts(const char* path, const char* drive, const char* folder, const char* name,
                 const char* extension) {
    SCOPED_TRACE(path);
    PathParts p = SplitPath(path);
    EXPECT_EQ(p.drive, drive);
    EXPECT_EQ(p.folder, folder);
    EXPECT_EQ(p.name, name);
    EXPECT_EQ(p.extension, extension);
}
}  // namespace

TEST(SplitPath, Shapes) {
    ExpectParts("C:\\Data\\book.xls", "C:", "\\Data\\", "book", ".xls");
    ExpectParts("C:\\book.xls", "C:", "\\", "book", ".xls");
    ExpectParts("C:\\Data\\book.tar.gz", "C:", "\\Data\\", "book.tar", ".gz");
    ExpectParts("C:\\Data\\a.b.c", "C:", "\\Data\\", "a.b", ".c");
    ExpectParts("C:\\Data\\README", "C:", "\\Data\\", "README", "");
    ExpectParts("C:\\Rev.2\\book", "C:", "\\Rev.2\\", "book", "");
    ExpectParts("d:\\x\\y\\.hidden", "d:", "\\x\\y\\", "", ".hidden");
    ExpectParts("C:\\Data\\", "C:", "\\Data\\", "", "");
    // "/" separates folders as Windows reads it: the store lands beside the
    // file, never in the drive's root.
    ExpectParts("C:/Data/book.xls", "C:", "/Data/", "book", ".xls");
    ExpectParts("C:\\Data/sub/book.xls", "C:", "\\Data/sub/", "book", ".xls");
    ExpectParts("C:/book.xls", "C:", "/", "book", ".xls");
    EXPECT_EQ(GenerationPath(SplitPath("C:\\Data/book.xls"), 1), "C:\\Data/backUp\\11book.xls");
}

TEST(SplitPath, PathsWithoutADriveHaveNoParts) {
    for (const char* path :
         {"\\\\server\\share\\dir\\book.xls", "book.xls", "Data\\book.xls", "C:book.xls", "C:", "",
          "1:\\book.xls", "\\Data\\book.xls", "//server/share/book.xls", "/Data/book.xls"}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(SplitPath(path).Empty());
        EXPECT_EQ(GenerationPath(SplitPath(path), 1), "");
        EXPECT_EQ(IncomingPath(SplitPath(path)), "");
        EXPECT_EQ(FileDisplayName(path), "");
    }
}

TEST(SplitPath, SecondByteOfADoubleByteCharacterIsNoSeparator) {
    // 表 is 0x95 0x5C and 予 ends in 0x5C too, as literals in code page 932.
    ASSERT_EQ(std::string("表"), "\x95\x5C");
    ExpectParts("C:\\表\\予定.xls", "C:", "\\表\\", "予定", ".xls");
    ExpectParts("C:\\表", "C:", "\\", "表", "");
    EXPECT_EQ(GenerationPath(SplitPath("C:\\表\\book.xls"), 1), "C:\\表\\backUp\\11book.xls");
    // A lead byte at the very end stands alone.
    ExpectParts("C:\\a\\b\x95", "C:", "\\a\\", "b\x95", "");
}

TEST(StoreNames, GenerationsAndFolder) {
    PathParts p = SplitPath("C:\\Data\\book.xls");
    EXPECT_EQ(BackupFolderPath(p), "C:\\Data\\backUp");
    EXPECT_EQ(GenerationPath(p, 1), "C:\\Data\\backUp\\11book.xls");
    EXPECT_EQ(GenerationPath(p, 2), "C:\\Data\\backUp\\22book.xls");
    EXPECT_EQ(GenerationPath(p, 3), "C:\\Data\\backUp\\33book.xls");
    EXPECT_EQ(GenerationPath(p, 0), "");
    EXPECT_EQ(GenerationPath(p, 4), "");
    EXPECT_EQ(GenerationPath(p, 2, kSettingsFolderSpelling), "C:\\Data\\BackUp\\22book.xls");
    EXPECT_EQ(GenerationPath(SplitPath("C:\\book.xls"), 1), "C:\\backUp\\11book.xls");
    EXPECT_EQ(GenerationPath(SplitPath("C:\\Data\\README"), 1), "C:\\Data\\backUp\\11README");
    EXPECT_EQ(GenerationPath(SplitPath("C:\\Data\\a.b.c"), 1), "C:\\Data\\backUp\\11a.b.c");
    EXPECT_EQ(FileDisplayName("C:\\Data\\book.xls"), "book.xls");
}

TEST(StoreNames, IncomingNameIsNeverAGeneration) {
    // Whatever the listed name, the incoming file differs from every
    // generation of every file in the same folder.
    // Nor does the lock file, which is never longer than the incoming name.
    for (const char* listed : {"C:\\D\\book.xls", "C:\\D\\11book.xls", "C:\\D\\~new~book.xls",
                               "C:\\D\\x", "C:\\D\\.x", "C:\\D\\~lck~x"}) {
        std::string incoming = IncomingPath(SplitPath(listed));
        std::string lock = LockPath(SplitPath(listed));
        EXPECT_EQ(lock.size(), incoming.size());
        for (const char* other : {"C:\\D\\book.xls", "C:\\D\\11book.xls", "C:\\D\\~new~book.xls",
                                  "C:\\D\\x", "C:\\D\\.x", "C:\\D\\1book.xls", "C:\\D\\~lck~x"}) {
            for (int n = 1; n <= 3; ++n) {
                EXPECT_NE(incoming, GenerationPath(SplitPath(other), n)) << listed << " " << other;
                EXPECT_NE(lock, GenerationPath(SplitPath(other), n)) << listed << " " << other;
            }
            EXPECT_NE(lock, IncomingPath(SplitPath(other)));
            if (std::string(listed) != other) {
                EXPECT_NE(incoming, IncomingPath(SplitPath(other)));
                EXPECT_NE(lock, LockPath(SplitPath(other)));
            }
        }
        EXPECT_EQ(incoming.rfind("C:\\D\\backUp\\~", 0), 0u);
    }
}

TEST(StoreNames, DateTextHasNoLeadingZeros) {
    EXPECT_EQ(DateText(2009, 4, 23), "2009/4/23");
    EXPECT_EQ(DateText(2009, 12, 5), "2009/12/5");
}

TEST(AgentCanStore, LongPathsAndDoubleByteNames) {
    // A folder of `folderChars` characters (drive and separators included),
    // then the file name; each character one byte, or two with `wide`.
    auto path = [](std::size_t folderChars, std::size_t nameChars, bool wide) {
        std::string unit = wide ? "表" : "a";
        std::string p = "C:\\";
        for (std::size_t i = 3; i + 1 < folderChars; ++i) {
            p += unit;
        }
        p += "\\";
        for (std::size_t i = 0; i < nameChars; ++i) {
            p += unit;
        }
        return p;
    };
    struct Row {
        std::size_t folderChars, nameChars;
        bool wide, storable;
    } rows[] = {
        // The incoming copy adds "backUp\~new~" (12 characters) to the path:
        // a path of up to 247 characters can be stored.
        {232, 8, false, true},   // 240
        {239, 8, false, true},   // 247
        {240, 8, false, false},  // 248
        {245, 8, false, false},  // 253
        {251, 8, false, false},  // 259
        {252, 8, false, false},  // 260
        // A short name: the backup folder with its backslash must leave the
        // restore's temporary name room (GetTempFileNameA: 246 characters).
        {239, 1, false, true},   // backUp\ of 246 characters
        {240, 1, false, false},  // 247
        {241, 1, false, false},  // 248
        // Counted in characters, not bytes: 247 characters in 490 bytes fit.
        {239, 8, true, true},
        {240, 8, true, false},
        {239, 1, true, true},
        {240, 1, true, false},
    };
    for (const Row& r : rows) {
        std::string p = path(r.folderChars, r.nameChars, r.wide);
        EXPECT_EQ(AgentCanStore(p), r.storable)
            << r.folderChars << "+" << r.nameChars << (r.wide ? " wide, " : ", ") << p.size()
            << " bytes";
    }
    for (const char* p : {"\\\\server\\share\\book.xls", "C:\\Data\\", "book.xls"}) {
        EXPECT_FALSE(AgentCanStore(p)) << p;
    }
    EXPECT_TRUE(AgentCanStore("C:/Data/book.xls"));
    // Names the system refuses are told apart from places too long or without
    // a drive; the second byte of − (0x81 0x7C) is no "|" of its own.
    for (const char* p : {"\\\\?\\C:\\a.xls", "//?/C:/a.xls", "\\\\.\\C:\\a.xls", "C:\\a|b.xls",
                          "C:\\a<b.xls", "C:\\a?.xls", "C:\\a\tb.xls"}) {
        EXPECT_TRUE(IsUnusableName(p)) << p;
    }
    for (const char* p :
         {"C:\\Data\\\x81\x7C.xls", "\\\\server\\share\\a.xls", "C:\\a.xls", "a.xls"}) {
        EXPECT_FALSE(IsUnusableName(p)) << p;
    }
}
