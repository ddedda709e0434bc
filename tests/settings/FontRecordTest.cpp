// The font record's exact text and the fallback to the default record.
#include "FontRecord.h"

#include <gtest/gtest.h>

namespace {

TEST(FontRecord, DefaultIsTahomaTwelveRegularBlack)
{
    const FontRecord r = FontRecord::Parse(FontRecord::kDefault);
    EXPECT_EQ(r, FontRecord());
    EXPECT_EQ(r.faceName, QStringLiteral("Tahoma"));
    EXPECT_EQ(r.weight, 400);
    EXPECT_FALSE(r.italic);
    EXPECT_EQ(r.pointSize, 12.0);
    EXPECT_EQ(r.colour, 0u);
    EXPECT_EQ(r.Format(), QStringLiteral("Tahoma|400|False|12|0|False|False|0"));
}

TEST(FontRecord, FormatsBoldItalicHalfPoint)
{
    FontRecord r;
    r.faceName = QStringLiteral("Arial");
    r.weight = 700;
    r.italic = true;
    r.pointSize = 10.5;
    EXPECT_EQ(r.Format(), QStringLiteral("Arial|700|True|10.5|0|False|False|0"));
    EXPECT_EQ(FontRecord::Parse(r.Format()), r);
}

TEST(FontRecord, SizeInShortestDecimalAndColourAsBgr)
{
    FontRecord r;
    r.faceName = QStringLiteral("Times New Roman");
    r.pointSize = 72;
    r.charSet = 136;
    r.underline = true;
    r.strikeout = true;
    r.colour = 0x00FF0000; // blue
    EXPECT_EQ(r.Format(), QStringLiteral("Times New Roman|400|False|72|136|True|True|16711680"));
    r.pointSize = 9.25;
    EXPECT_EQ(r.Format(), QStringLiteral("Times New Roman|400|False|9.25|136|True|True|16711680"));
    EXPECT_EQ(FontRecord::Parse(r.Format()), r);
}

TEST(FontRecord, ReadsFlagsInAnyCase)
{
    const FontRecord r = FontRecord::Parse(QStringLiteral("宋体|400|true|9|134|FALSE|True|255"));
    EXPECT_EQ(r.faceName, QStringLiteral("宋体"));
    EXPECT_TRUE(r.italic);
    EXPECT_FALSE(r.underline);
    EXPECT_TRUE(r.strikeout);
    EXPECT_EQ(r.charSet, 134);
    EXPECT_EQ(r.colour, 255u);
}

TEST(FontRecord, BarInFaceNameCannotShiftFields)
{
    FontRecord r;
    r.faceName = QStringLiteral("Odd|Face");
    EXPECT_EQ(FontRecord::Parse(r.Format()).faceName, QStringLiteral("OddFace"));
}

TEST(FontRecord, MalformedRecordsFallBackToDefault)
{
    const char* bad[] = {"",
                         "Arial|700",
                         "Arial|700|True|10.5|0|False|False",
                         "|700|True|10.5|0|False|False|0",
                         "Arial|bold|True|10.5|0|False|False|0",
                         "Arial|0|True|10.5|0|False|False|0",
                         "Arial|700|yes|10.5|0|False|False|0",
                         "Arial|700|True|big|0|False|False|0",
                         "Arial|700|True|0|0|False|False|0",
                         "Arial|700|True|-3|0|False|False|0",
                         "Arial|700|True|nan|0|False|False|0",
                         "Arial|700|True|inf|0|False|False|0",
                         "Arial|700|True|1e9|0|False|False|0",
                         "Arial|700|True|10,5|0|False|False|0",
                         "Arial|700|True|10.5|x|False|False|0",
                         "Arial|700|True|10.5|0|False|False|-1",
                         "Arial|700|True|10.5|0|False|False|16777216"};
    for (const char* text : bad)
        EXPECT_EQ(FontRecord::Parse(QString::fromUtf8(text)), FontRecord()) << text;
}

} // namespace
