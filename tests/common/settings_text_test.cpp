#include "settings_text.h"

#include "settings_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using sorel::HourNumber;
using sorel::HourTextOf;
using sorel::JoinLines;
using sorel::LineReader;
using sorel::ReadAllLines;
using sorel::TimedStartFlagOf;
using sorel::WithDateLine;

using Lines = std::vector<std::string>;

TEST(LineReading, ExampleFileReadsBackAndWritesByteForByte) {
    const std::string file =
        "C:\\Tools\\Sorel\\=221\r\n"
        "2009年5月21日\r\n"
        "D:\\data\\accounts.xls\r\n"
        "D:\\data\\diary.txt\r\n";
    Lines lines = ReadAllLines(file);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "C:\\Tools\\Sorel\\=221");
    EXPECT_EQ(lines[1], "2009年5月21日");
    EXPECT_EQ(lines[3], "D:\\data\\diary.txt");
    EXPECT_EQ(JoinLines(lines), file);
}

TEST(LineReading, LineEndsAndBlanks) {
    // LF-only ends read line by line and come back with CR LF.
    EXPECT_EQ(JoinLines(ReadAllLines("a=041\nday\nC:\\x.txt\n")), "a=041\r\nday\r\nC:\\x.txt\r\n");
    // Spaces and tabs around a value are left out, as Windows leaves them
    // out of a name; those inside stay.
    EXPECT_EQ(ReadAllLines(" \t C:\\a b.txt \r\n"), Lines{"C:\\a b.txt"});
    EXPECT_EQ(ReadAllLines("C:\\表.txt\t \t\n"), Lines{"C:\\表.txt"});
    // A lone CR ends a line as LF does (an editor's CR-only file); the last
    // line may lack its end.
    EXPECT_EQ(ReadAllLines("a\rb\r\nlast"), (Lines{"a", "b", "last"}));
    EXPECT_EQ(JoinLines(ReadAllLines("a=041\rday\rC:\\x.txt\r")), "a=041\r\nday\r\nC:\\x.txt\r\n");
    // An empty line yields the empty value and does not end the reading.
    EXPECT_EQ(ReadAllLines("h\r\n\r\nC:\\a.txt\r\n"), (Lines{"h", "", "C:\\a.txt"}));
    // Blanks alone at the end of the file yield nothing.
    EXPECT_EQ(ReadAllLines("h\r\n  \t"), Lines{"h"});
    EXPECT_TRUE(ReadAllLines("").empty());
}

TEST(LineReading, ReadAtEndKeepsTheTargetValue) {
    LineReader reader("only\r\n   ");
    std::string value = "held";
    ASSERT_TRUE(reader.ReadLine(value));
    EXPECT_EQ(value, "only");
    value = "held";
    EXPECT_FALSE(reader.ReadLine(value));
    EXPECT_EQ(value, "held");
    EXPECT_TRUE(reader.AtEnd());
}

TEST(LineReading, CommaAndQuotesAreOrdinaryBytes) {
    EXPECT_EQ(ReadAllLines("D:\\a,b\\\"c\",d.txt\r\n"), Lines{"D:\\a,b\\\"c\",d.txt"});
}

TEST(LineReading, NulEndsTheValueAndDropsTheRestOfItsLine) {
    const std::string bytes("C:\\a.txt\0garbage\r\nC:\\b.txt\r\n", 28);
    EXPECT_EQ(ReadAllLines(bytes), (Lines{"C:\\a.txt", "C:\\b.txt"}));
}

TEST(HeaderFields, HourIsTheTwoBytesBeforeTheLast) {
    EXPECT_EQ(HourTextOf("C:\\Tools\\Sorel\\=221"), "22");
    EXPECT_EQ(HourTextOf("C:\\X\\=041"), "04");
    EXPECT_EQ(HourTextOf("=121"), "12");
    EXPECT_EQ(HourTextOf("ab"), "ab");
    EXPECT_EQ(HourTextOf("a"), "a");
    EXPECT_EQ(HourTextOf(""), "");
    EXPECT_TRUE(TimedStartFlagOf("C:\\X\\=041"));
    EXPECT_FALSE(TimedStartFlagOf("C:\\X\\=040"));
    EXPECT_FALSE(TimedStartFlagOf(""));
}

TEST(HeaderFields, HourNumberReadsLikeTheCLibrary) {
    EXPECT_EQ(HourNumber("04"), 4);
    EXPECT_EQ(HourNumber("22"), 22);
    EXPECT_EQ(HourNumber(""), 0);
    EXPECT_EQ(HourNumber(" 6"), 6);
    EXPECT_EQ(HourNumber("\t7x"), 7);
    EXPECT_EQ(HourNumber("x7"), 0);
    EXPECT_EQ(HourNumber("-1"), -1);
    EXPECT_EQ(HourNumber("99999999999999999999"), 2147483647);
}

TEST(DateLine, OnlyLineTwoChanges) {
    EXPECT_EQ(WithDateLine({"h=221", "old", "C:\\a.txt"}, "new"),
              (Lines{"h=221", "new", "C:\\a.txt"}));
    EXPECT_EQ(WithDateLine({"h=221"}, "new"), (Lines{"h=221", "new"}));
    EXPECT_TRUE(WithDateLine({}, "new").empty());
}

namespace {

// Code page 932 for the few characters the cases use: ASCII, 表 and あ;
// anything else (é, an emoji) has no counterpart.
bool TestWideToAnsi(std::u16string_view wide, std::string& ansi) {
    bool exact = true;
    ansi.clear();
    for (char16_t unit : wide) {
        if (unit < 0x80) {
            ansi += static_cast<char>(unit);
        } else if (unit == u'表') {
            ansi += "\x95\x5C";
        } else if (unit == u'あ') {
            ansi += "\x82\xA0";
        } else {
            ansi += '?';
            exact = false;
        }
    }
    return exact;
}

}  // namespace

// A settings file saved by an editor in another form is read as the text it
// holds; whatever cannot be read marks it to be kept before a rewrite.
TEST(SettingsForms, EditorFormsReadAsTheirText) {
    using sorel::SettingsForm;
    const std::string ansi = "C:\\A\\=221\r\nday\r\nC:\\\x95\x5C.txt\r\n";
    const std::u16string text = u"C:\\A\\=221\r\nday\r\nC:\\表.txt\r\n";
    auto utf16 = [](const std::u16string& units, bool bigEndian, bool mark) {
        std::string bytes = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (char16_t u : units) {
            char high = static_cast<char>(u >> 8);
            char low = static_cast<char>(u & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
        SettingsForm form;
        bool exact;
        std::string text;
    };
    const Case cases[] = {
        {"ANSI", ansi, SettingsForm::kAnsi, true, ansi},
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF"
         "C:\\A\\=221\r\nday\r\nC:\\\xE8\xA1\xA8.txt\r\n",
         SettingsForm::kUtf8, true, ansi},
        {"UTF-16 LE with its mark", utf16(text, false, true), SettingsForm::kUtf16Le, true, ansi},
        {"UTF-16 BE with its mark", utf16(text, true, true), SettingsForm::kUtf16Be, true, ansi},
        {"UTF-16 LE without a mark", utf16(u"C:\\A\\=041\r\n", false, false),
         SettingsForm::kUtf16Le, true, "C:\\A\\=041\r\n"},
        {"a character the code page lacks", utf16(u"C:\\caf\u00e9.txt\r\n", false, true),
         SettingsForm::kUtf16Le, false, "C:\\caf?.txt\r\n"},
        {"broken UTF-8",
         "\xEF\xBB\xBF"
         "a\xE8\xA1\r\n",
         SettingsForm::kUtf8, false, "a??\r\n"},
        {"an odd byte after UTF-16", utf16(u"ab", false, true) + "x", SettingsForm::kUtf16Le, false,
         "ab"},
        {"a stray NUL in ANSI", std::string("C:\\a.txt\0x\r\n", 12), SettingsForm::kAnsi, false,
         std::string("C:\\a.txt\0x\r\n", 12)},
        {"no bytes", "", SettingsForm::kAnsi, true, ""},
    };
    for (const Case& c : cases) {
        sorel::SettingsText read = sorel::SettingsTextOf(c.bytes, TestWideToAnsi);
        EXPECT_EQ(read.form, c.form) << c.name;
        EXPECT_EQ(read.exact, c.exact) << c.name;
        EXPECT_EQ(read.bytes, c.text) << c.name;
        EXPECT_EQ(sorel::KeepBeforeRewrite(read), c.form != SettingsForm::kAnsi || !c.exact)
            << c.name;
    }
}

TEST(SettingsText, SettingsProgramPathFromLineOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Tools\\Sorel\\=221", "C:\\Tools\\Sorel\\Sorel.exe"},
        {"C:\\Tools\\Sorel=221", "C:\\Tools\\Sorel\\Sorel.exe"},
        {"C:\\表=221", "C:\\表\\Sorel.exe"},  // 表 ends in the backslash byte
        {"\\\\pc\\tools\\=061", "\\\\pc\\tools\\Sorel.exe"},
        {"Tools\\=221", ""},
        {"=221", ""},
        {"C:\\Tools\\221", ""},
        {"", ""},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(sorel::SettingsProgramPath(line), expected) << line;
    }
}
