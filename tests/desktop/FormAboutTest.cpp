#include "FormAbout.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {
QString LabelText(const FormAbout& box, int n)
{
    const auto* label = box.findChild<QLabel*>(QStringLiteral("Label%1").arg(n));
    return label ? label->text() : QStringLiteral("<missing>");
}
} // namespace

TEST(FormAbout, TextsFollowTheInterfaceLanguage)
{
    const FormAbout en(QStringLiteral("1"));
    EXPECT_EQ(en.windowTitle(), u"About");
    EXPECT_EQ(LabelText(en, 1),
              u"This software is based on Google Translate, it supports 58 different languages.");
    EXPECT_TRUE(LabelText(en, 2).startsWith(QStringLiteral("Agreement: ")));
    EXPECT_EQ(LabelText(en, 6), u"Ver:" VERBALTO_VERSION);

    const FormAbout zhCN(QStringLiteral("2"));
    EXPECT_EQ(zhCN.windowTitle(), QString::fromUtf8("关于"));
    EXPECT_TRUE(LabelText(zhCN, 1).startsWith(QString::fromUtf8("本软件利用谷歌翻译API")));
    EXPECT_EQ(LabelText(zhCN, 6), u"Ver:" VERBALTO_VERSION);

    const FormAbout zhTW(QStringLiteral("3"));
    EXPECT_EQ(zhTW.windowTitle(), QString::fromUtf8("關於"));
    EXPECT_TRUE(LabelText(zhTW, 2).startsWith(QString::fromUtf8("聲明：")));
    for (int n = 3; n <= 5; ++n) {
        EXPECT_FALSE(LabelText(zhTW, n).isEmpty()) << n;
        EXPECT_NE(LabelText(zhTW, n), LabelText(en, n)) << n;
    }
}

TEST(FormAbout, PictureIs128WithAPointingHandAndOpensTheProductPage)
{
    const QByteArray saved = qgetenv("VERBALTO_VENDOR_URL");
    qputenv("VERBALTO_VENDOR_URL", "http://127.0.0.1:9/");
    QList<QUrl> opened;
    FormAbout box(QStringLiteral("1"), nullptr, [&](const QUrl& url) { opened << url; });
    auto* picture = box.findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(128, 128));
    EXPECT_EQ(picture->pixmap().size(), QSize(128, 128));
    EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor);

    box.show();
    QTest::mouseClick(picture, Qt::RightButton);
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseClick(picture, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl(QStringLiteral("http://127.0.0.1:9/verbalto.html")));
    qputenv("VERBALTO_VENDOR_URL", saved);
}
