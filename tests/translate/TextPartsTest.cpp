// Where a long text is cut into parts.
#include "TextParts.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Each part as "text|separator".
QStringList split(const QString& text, qsizetype maxUnits)
{
    QStringList shown;
    for (const TextParts::Part& part : TextParts::Split(text, {maxUnits, 1000}))
        shown.append(part.text.toString() + u'|' + part.separator.toString());
    return shown;
}

} // namespace

TEST(TextParts, CutsAtALineBreakElseASentenceEndElseASpaceElseAnywhere)
{
    EXPECT_EQ(
        split(QStringLiteral("\r\nOne two. Three\r\n\r\nfour five six seven"), 22),
        QStringList({u"|\r\n"_qs, u"One two. Three|\r\n\r\n"_qs, u"four five six seven|"_qs}));
    EXPECT_EQ(split(QStringLiteral("He said \"Hi.\" Then Pi is 3.14 and more"), 20),
              QStringList({u"He said \"Hi.\"| "_qs, u"Then Pi is 3.14 and| "_qs, u"more|"_qs}));
    EXPECT_EQ(split(QStringLiteral("你好。」再见！然后"), 6),
              QStringList({u"你好。」|"_qs, u"再见！然后|"_qs}));
    EXPECT_EQ(split(QStringLiteral("abcdefg"), 3), QStringList({u"abc|"_qs, u"def|"_qs, u"g|"_qs}));
}

TEST(TextParts, KeepsSurrogatePairsAndCrLfWhole)
{
    EXPECT_EQ(split(QStringLiteral("😀😀😀"), 3), QStringList({u"😀|"_qs, u"😀|"_qs, u"😀|"_qs}));
    EXPECT_EQ(split(QStringLiteral("abc\r\ndef"), 4), QStringList({u"abc|\r\n"_qs, u"def|"_qs}));
    // Even when not one character fits, each part takes one whole.
    EXPECT_EQ(split(QStringLiteral("😀\r\n"), 1), QStringList({u"😀|\r\n"_qs}));
}
