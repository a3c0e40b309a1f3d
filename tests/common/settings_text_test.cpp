#include "settings_text.h"

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
    // Leading spaces and tabs are skipped; trailing ones stay.
    EXPECT_EQ(ReadAllLines(" \t C:\\a b.txt \r\n"), Lines{"C:\\a b.txt "});
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
