// The promotions as the main window drives them: offline banner, list ticks, daily sentence.
#include "Promotions.h"
#include "FormMsg.h"
#include "HtmlView.h"
#include "OfflineBanner.h"

#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Fixture
{
    QTemporaryDir dir;
    TestHttpServer server;
    HtmlView banner;
    bool online = true;
    QString list;
    QList<QUrl> fetched;
    quint8 slotMask = 0;

    Promotions::Config config()
    {
        Promotions::Config c;
        c.isOnline = [this] { return online; };
        c.getRemoteText = [this](const QUrl& url) {
            fetched << url;
            return list;
        };
        c.tempFolder = [this] { return dir.path(); };
        c.vendorBaseUrl = server.baseUrl();
        c.popupTickMs = 60000;
        c.popupSlotMask = &slotMask;
        return c;
    }

    bool loaded()
    {
        QSignalSpy done(&banner, &HtmlView::loadFinished);
        return TestUtil::waitUntil([&] { return !done.isEmpty(); });
    }
};

} // namespace

TEST(Promotions, OfflineBannerIsWrittenAndShown)
{
    Fixture f;
    Promotions promo(&f.banner, f.config());
    QSignalSpy done(&f.banner, &HtmlView::loadFinished);
    promo.ShowOfflineBanner();
    for (const QString& name : OfflineBanner::FileNames())
        EXPECT_TRUE(QFile::exists(f.dir.filePath(name))) << name.toStdString();
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !done.isEmpty(); }));
    EXPECT_EQ(f.banner.PageUrl(),
              QUrl::fromLocalFile(f.dir.filePath(QStringLiteral("offAD1.htm"))));
    EXPECT_EQ(f.banner.Players().size(), 1);
}

TEST(Promotions, FirstTickFetchesTheListAndShowsItsFirstEntry)
{
    Fixture f;
    f.server.setReply("/one.htm", CannedReply::ok("<p>first promotion</p>"));
    f.list = f.server.baseUrl() + "/one.htm<|" + f.server.baseUrl() + "/two.htm";
    Promotions promo(&f.banner, f.config());
    EXPECT_EQ(promo.Timer3().interval(), 15000);
    EXPECT_EQ(promo.PromotionListUrl(), QUrl(f.server.baseUrl() + "/Vbxpromo/ADC1.txt"));
    QSignalSpy done(&f.banner, &HtmlView::loadFinished);
    promo.Timer3_Timer();
    ASSERT_EQ(f.fetched.size(), 1);
    EXPECT_EQ(f.fetched[0], promo.PromotionListUrl());
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !done.isEmpty(); }));
    EXPECT_TRUE(f.banner.toPlainText().contains(QStringLiteral("first promotion")));
    EXPECT_EQ(f.server.requests().value(0).path, QByteArray("/one.htm"));
}

TEST(Promotions, OfflineTickShowsTheOfflineBannerWithoutFetching)
{
    Fixture f;
    f.online = false;
    Promotions promo(&f.banner, f.config());
    QSignalSpy done(&f.banner, &HtmlView::loadFinished);
    promo.Timer3_Timer();
    EXPECT_TRUE(f.fetched.isEmpty());
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !done.isEmpty(); }));
    EXPECT_TRUE(f.banner.PageUrl().toLocalFile().endsWith(QStringLiteral("offAD1.htm")));
    EXPECT_EQ(promo.State().nListAge, 180);
}

TEST(Promotions, DailySentenceShowsOncePerRun)
{
    Fixture f;
    f.server.setReply("/verbalto.html", CannedReply::ok("<p>product</p>"));
    Promotions promo(&f.banner, f.config());
    promo.ShowDailySentence();
    QPointer<FormMsg> popup = promo.Popup();
    ASSERT_TRUE(popup);
    // It opens only once its page is there.
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(TestUtil::waitUntil([&] { return popup && popup->isVisible(); }, 5000));
    EXPECT_EQ(popup->lblMessage()->text(), QStringLiteral("每日一句学英语"));
    EXPECT_TRUE(popup->Motion().NoClickClose());
    EXPECT_TRUE(popup->Picture1()->isVisibleTo(popup));
    EXPECT_TRUE(f.server.waitForRequests(1));
    EXPECT_EQ(f.server.requests().value(0).path, QByteArray("/verbalto.html"));

    promo.ShowDailySentence();
    EXPECT_EQ(promo.Popup(), popup.data());
    EXPECT_EQ(f.slotMask, 0x01);
    promo.UnloadPopup();
    EXPECT_TRUE(popup.isNull());
    EXPECT_EQ(f.slotMask, 0);
    promo.ShowDailySentence();
    EXPECT_EQ(promo.Popup(), nullptr);
}

TEST(Promotions, DailySentenceStaysClosedWhenTheVendorCannotBeReached)
{
    Fixture f;
    f.server.setReply("/verbalto.html", CannedReply::closeConnection());
    Promotions promo(&f.banner, f.config());
    promo.ShowDailySentence();
    QPointer<FormMsg> popup = promo.Popup();
    ASSERT_TRUE(popup);
    QSignalSpy unloaded(popup.data(), &FormMsg::unloaded);
    EXPECT_TRUE(TestUtil::waitUntil([&] { return unloaded.count() == 1; }, 5000));
    EXPECT_TRUE(popup.isNull() || !popup->isVisible());
    EXPECT_EQ(f.slotMask, 0);
}
