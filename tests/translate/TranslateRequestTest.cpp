#include "TranslateRequest.h"

#include <gtest/gtest.h>

TEST(TranslateRequest, FieldsInOrderWithEmptySourceForDetection)
{
    EXPECT_EQ(BuildTranslateRequest(QStringLiteral("hello"), QStringLiteral("en"), QString(),
                                    QStringLiteral("fr")),
              QByteArray("prev=hp&hl=en&ie=UTF-8&js=y&text=hello&file=&sl=&tl=fr"));
}

TEST(TranslateRequest, TextIsFormEncodedUtf8)
{
    const QByteArray body = BuildTranslateRequest(QStringLiteral("a&b+c%d e\r\n\u4e2d?="),
                                                  QStringLiteral("zh-CN"), QStringLiteral("en"),
                                                  QStringLiteral("zh-TW"));
    EXPECT_EQ(body, QByteArray("prev=hp&hl=zh-CN&ie=UTF-8&js=y&text=a%26b%2Bc%25d+e%0D%0A%E4%B8%AD%3F%3D"
                               "&file=&sl=en&tl=zh-TW"));
}

TEST(TranslateRequest, EscapedTextCountsEachAmpersandAsThree)
{
    EXPECT_EQ(EscapeAmpersands(QStringLiteral("a&&b")), u"a%26%26b");
    EXPECT_EQ(EscapeAmpersands(QString(34, u'&') + QString(33, u'x')).size(), 135);
    EXPECT_EQ(EscapeAmpersands(QStringLiteral("+%=?")), u"+%=?");
}
