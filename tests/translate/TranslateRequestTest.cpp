#include "TranslateRequest.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

TEST(TranslateRequest, FieldsInOrderWithEmptySourceForDetection)
{
    EXPECT_EQ(BuildTranslateRequest(QStringLiteral("hello"), QStringLiteral("en"), QString(),
                                    QStringLiteral("fr")),
              QByteArray("prev=hp&hl=en&ie=UTF-8&js=y&text=hello&file=&sl=&tl=fr"));
}

TEST(TranslateRequest, TextIsFormEncodedUtf8)
{
    const QByteArray body =
        BuildTranslateRequest(QStringLiteral("a&b+c%d e\r\n\u4e2d?="), QStringLiteral("zh-CN"),
                              QStringLiteral("en"), QStringLiteral("zh-TW"));
    EXPECT_EQ(body,
              QByteArray("prev=hp&hl=zh-CN&ie=UTF-8&js=y&text=a%26b%2Bc%25d+e%0D%0A%E4%B8%AD%3F%3D"
                         "&file=&sl=en&tl=zh-TW"));
}

// The form is encoded while it is sent: every piece arrives, also when a redirect sends it again.
TEST(TranslateRequest, LongTextIsPostedExactlyAsBuilt)
{
    QString text(32767, u'a'); // a pair across the end of the first 32768-unit piece
    for (int i = 0; text.size() < 200000; ++i)
        text += QString(i % 7 + 1, u'a') + QString::fromUtf8("😀 é&\r\n");
    TestHttpServer server;
    CannedReply moved = CannedReply::withStatus(307);
    moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/again")));
    server.setReply("/translate_t", moved);
    server.setReply("/again", CannedReply::ok("done"));

    const HttpResult r = PostTranslateRequest(server.baseUrl(), text, QStringLiteral("en"),
                                              QString(), QStringLiteral("fr"), 10000);
    EXPECT_EQ(r.body, QByteArray("done"));
    const QByteArray expected =
        BuildTranslateRequest(text, QStringLiteral("en"), QString(), QStringLiteral("fr"));
    EXPECT_TRUE(expected == "prev=hp&hl=en&ie=UTF-8&js=y&text=" +
                                text.toUtf8().toPercentEncoding("*", "~").replace("%20", "+") +
                                "&file=&sl=&tl=fr");
    ASSERT_EQ(server.requestCount(), 2);
    for (const RecordedRequest& request : server.requests())
        EXPECT_TRUE(request.body == expected) << request.path.constData();
}
