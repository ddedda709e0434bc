// The light HTML view against a loopback server and local files: relative images, failures,
// links, GIF animation and the hosted banner player.
#include "HtmlView.h"
#include "BannerPlayer.h"
#include "GifAnimation.h"
#include "OfflineBanner.h"

#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QMovie>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QByteArray kGif = QByteArray::fromHex(
    "47494638396104000400f00000ff000000000021f904000500000021ff0b4e45545343415045322e30030100"
    "00002c0000000004000400000204848f09050021f90400050000002c0000000004000400800000ff00000002"
    "04848f0905003b");

QByteArray png(QColor color, QSize size = QSize(8, 6))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

bool finished(QSignalSpy& spy, int timeoutMs = 5000)
{
    return TestUtil::waitUntil([&] { return !spy.isEmpty(); }, timeoutMs);
}

// The image in the document under the given name, as the view would draw it now.
QImage shownImage(HtmlView& view, const QString& name)
{
    return view.document()->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
}

} // namespace

TEST(HtmlView, LoadsPageAndResolvesRelativeImagesAgainstIt)
{
    TestHttpServer server;
    server.setReply("/promo/page.htm",
                    CannedReply::ok("<html><body><p>Hello</p><img src='img/a.png' width=8 "
                                    "height=6><img src='/top.png'></body></html>"));
    server.setReply("/promo/img/a.png", CannedReply::ok(png(Qt::red), "image/png"));
    server.setReply("/top.png", CannedReply::ok(png(Qt::blue, QSize(5, 5)), "image/png"));

    HtmlView view;
    view.resize(620, 60);
    view.show();
    QSignalSpy done(&view, &HtmlView::loadFinished);
    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(server.baseUrl() + "/promo/page.htm");
    EXPECT_TRUE(view.IsBlank()); // nothing waits for the reply
    ASSERT_TRUE(finished(done));
    EXPECT_TRUE(done.first().at(0).toBool());
    EXPECT_FALSE(view.IsBlank());
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("Hello")));

    ASSERT_TRUE(TestUtil::waitUntil([&] { return images.size() >= 2; }));
    QStringList paths;
    for (const auto& r : server.requests())
        paths << QString::fromLatin1(r.path);
    EXPECT_TRUE(paths.contains(QStringLiteral("/promo/img/a.png")));
    EXPECT_TRUE(paths.contains(QStringLiteral("/top.png")));
    EXPECT_EQ(shownImage(view, QStringLiteral("img/a.png")).pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(view.PendingLoads(), 0);
}

TEST(HtmlView, FailedLoadsGiveABlankPage)
{
    TestHttpServer server;
    server.setReply("/ok.htm", CannedReply::ok("<p>first</p>"));
    server.setReply("/gone.htm", CannedReply::withStatus(404, "<p>Not Found</p>"));
    server.setReply("/closed.htm", CannedReply::closeConnection());
    server.setReply("/hang.htm", CannedReply::hang());

    HtmlView view;
    view.SetTimeoutMs(300);
    QSignalSpy done(&view, &HtmlView::loadFinished);
    const QStringList failing{
        server.baseUrl() + "/gone.htm",        server.baseUrl() + "/closed.htm",
        server.baseUrl() + "/hang.htm",        QStringLiteral("/no/such/file.htm"),
        QStringLiteral("javascript:alert(1)"), QString()};
    for (const QString& address : failing) {
        done.clear();
        view.Navigate(server.baseUrl() + "/ok.htm");
        ASSERT_TRUE(finished(done));
        ASSERT_FALSE(view.IsBlank());
        done.clear();
        view.Navigate(address);
        ASSERT_TRUE(finished(done)) << address.toStdString();
        EXPECT_FALSE(done.first().at(0).toBool()) << address.toStdString();
        EXPECT_TRUE(view.IsBlank());
        EXPECT_TRUE(view.toPlainText().trimmed().isEmpty()) << address.toStdString();
    }
}

TEST(HtmlView, ANewNavigationDropsTheOldOne)
{
    TestHttpServer server;
    CannedReply slow = CannedReply::ok("<p>slow</p>");
    slow.delayMs = 300;
    server.setReply("/slow.htm", slow);
    server.setReply("/fast.htm", CannedReply::ok("<p>fast</p>"));

    HtmlView view;
    QSignalSpy done(&view, &HtmlView::loadFinished);
    view.Navigate(server.baseUrl() + "/slow.htm");
    view.Navigate(server.baseUrl() + "/fast.htm");
    ASSERT_TRUE(finished(done));
    QTest::qWait(500);
    EXPECT_EQ(done.size(), 1);
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("fast")));
}

TEST(HtmlView, ClickedLinksGoToTheBrowserResolvedAgainstTheBase)
{
    TestHttpServer server;
    server.setReply("/a/page.htm",
                    CannedReply::ok("<html><head><base href='http://promo.example/b/' "
                                    "target='_blank'></head><body style='margin:0'>"
                                    "<a href='next.htm'>NEXT</a> <a href='file:///etc/passwd'>"
                                    "LOCAL</a></body></html>"));
    HtmlView view;
    QList<QUrl> opened;
    view.SetLinkOpener([&](const QUrl& url) { opened << url; });
    view.resize(400, 100);
    view.show();
    QSignalSpy done(&view, &HtmlView::loadFinished);
    view.Navigate(server.baseUrl() + "/a/page.htm");
    ASSERT_TRUE(finished(done));

    auto clickOn = [&](const QString& word) {
        QTextCursor c = view.document()->find(word);
        EXPECT_FALSE(c.isNull());
        c.setPosition(c.selectionStart() + 1);
        const QPoint at = view.cursorRect(c).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
    };
    clickOn(QStringLiteral("NEXT"));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://promo.example/b/next.htm")));
    EXPECT_EQ(view.PageUrl(), QUrl(server.baseUrl() + "/a/page.htm")); // the view stays put

    clickOn(QStringLiteral("LOCAL"));
    EXPECT_EQ(opened.size(), 1); // a page never opens local files
    EXPECT_EQ(view.contextMenuPolicy(), Qt::NoContextMenu);
}

TEST(HtmlView, AnimatedGifKeepsChangingFrames)
{
    TestHttpServer server;
    server.setReply("/p.htm", CannedReply::ok("<img src='anim.gif' width=4 height=4>"));
    server.setReply("/anim.gif", CannedReply::ok(kGif, "image/gif"));
    HtmlView view;
    view.show();
    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(server.baseUrl() + "/p.htm");
    ASSERT_TRUE(finished(images));
    ASSERT_TRUE(images.first().at(1).toBool());
    QSet<QRgb> seen;
    QRgb last = 0;
    int changes = -1;
    // Two frames: the second, then the first again as the movie loops.
    TestUtil::waitUntil(
        [&] {
            const QRgb now = shownImage(view, QStringLiteral("anim.gif")).pixel(0, 0);
            seen.insert(now);
            changes += now != last ? 1 : 0;
            last = now;
            return changes >= 3;
        },
        3000);
    EXPECT_GE(seen.size(), 2);
    EXPECT_GE(changes, 3);
}

TEST(HtmlView, OfflineBannerPageHostsOurPlayerOverTheObject)
{
    QTemporaryDir dir;
    ASSERT_EQ(OfflineBanner::WriteMissingFiles(dir.path()), 4);
    HtmlView view;
    QList<QUrl> opened;
    view.SetLinkOpener([&](const QUrl& url) { opened << url; });
    view.resize(620, 60);
    view.show();
    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(OfflineBanner::PagePath(dir.path()));
    ASSERT_TRUE(finished(images));
    EXPECT_TRUE(images.first().at(1).toBool());

    ASSERT_EQ(view.Players().size(), 1);
    BannerPlayer* player = view.Players().first();
    EXPECT_TRUE(player->HasImage());
    EXPECT_EQ(player->geometry(), QRect(0, 0, 620, 60));
    EXPECT_EQ(player->Settings().speed, 15);
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(view.toPlainText().contains(QStringLiteral("oncontextmenu"))); // no script text

    const long long frame = player->Frame();
    ASSERT_TRUE(TestUtil::waitUntil([&] { return player->Frame() > frame + 2; }, 3000));

    QTest::mouseClick(player, Qt::LeftButton, {}, QPoint(300, 30));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://verbalto.example/verbalto.html")));

    // Another page takes the player away.
    QSignalSpy done(&view, &HtmlView::loadFinished);
    view.Navigate(QStringLiteral("/no/such/page.htm"));
    ASSERT_TRUE(finished(done));
    EXPECT_TRUE(view.Players().isEmpty());
}

TEST(HtmlView, RemotePlayerWithUnplayableMovieShowsNothingAndDoesNotBreakThePage)
{
    TestHttpServer server;
    server.setReply("/p.htm", CannedReply::ok("<p>before</p><embed src='show.swf?data=s.xml' "
                                              "width=200 height=40><p>after</p>"));
    server.setReply("/s.xml", CannedReply::ok("<data speed='5'><video imgURL='movie.swf' "
                                              "url='http://x.example/'/></data>",
                                              "text/xml"));
    server.setReply("/movie.swf",
                    CannedReply::ok("FWS\x08 not an image", "application/x-shockwave-flash"));
    HtmlView view;
    view.show();
    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(server.baseUrl() + "/p.htm");
    ASSERT_TRUE(finished(images));
    EXPECT_FALSE(images.first().at(1).toBool());
    ASSERT_EQ(view.Players().size(), 1);
    EXPECT_FALSE(view.Players().first()->HasImage());
    EXPECT_EQ(view.Players().first()->Settings().speed, 5);
    EXPECT_EQ(view.Players().first()->size(), QSize(200, 40));
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("after")));
}

TEST(HtmlView, ABannerSettingsFileOverOneMegabyteIsNone)
{
    TestHttpServer server;
    server.setReply("/p.htm",
                    CannedReply::ok("<embed src='show.swf?data=s.xml' width=200 height=40>"));
    server.setReply("/s.xml",
                    CannedReply::ok("<!--" + QByteArray(1 << 20, ' ') +
                                        "--><data speed='5'><video imgURL='i.png'/></data>",
                                    "text/xml"));
    HtmlView view;
    view.show();
    QSignalSpy loaded(&view, &HtmlView::resourceLoaded);
    view.Navigate(server.baseUrl() + "/p.htm");
    ASSERT_TRUE(finished(loaded));
    EXPECT_FALSE(loaded.first().at(1).toBool());
    ASSERT_EQ(view.Players().size(), 1);
    EXPECT_NE(view.Players().first()->Settings().speed, 5);
}

namespace {

// An animated GIF (two frames of 4 x 4) on a logical screen of side x side: every frame is
// decoded at the screen's size.
QByteArray gifOfSide(quint16 side)
{
    QByteArray gif = kGif;
    const char size[2] = {char(side & 0xff), char(side >> 8)};
    gif.replace(6, 2, size, 2);
    gif.replace(8, 2, size, 2);
    return gif;
}

QList<QMovie*> runningMovies(HtmlView& view)
{
    QList<QMovie*> running;
    for (QMovie* movie : view.findChildren<QMovie*>()) {
        if (GifAnimation::IsRunning(*movie))
            running << movie;
    }
    return running;
}

} // namespace

TEST(HtmlView, ARemotePageLoadsNoLocalFilesAndALocalPageOnlyRegularOnes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(u"red.png"_qs), png(Qt::red)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_qs)).constData(), 0600), 0);
    const QByteArray local = QUrl::fromLocalFile(dir.path()).toEncoded();
    TestHttpServer server;
    server.setReply("/abs.htm", CannedReply::ok("<img src='" + local +
                                                "/red.png'>"
                                                "<img src='file:///dev/zero'>"
                                                "<embed src='p.player?data=" +
                                                local + "/offAD.xml' width=20 height=20>"));
    server.setReply("/base.htm", CannedReply::ok("<base href='" + local +
                                                 "/'><img src='red.png'>"
                                                 "<img src='fifo'>"));
    for (const char* page : {"/abs.htm", "/base.htm"}) {
        HtmlView view;
        view.show();
        QSignalSpy images(&view, &HtmlView::resourceLoaded);
        view.Navigate(server.baseUrl() + QString::fromLatin1(page));
        ASSERT_TRUE(TestUtil::waitUntil([&] { return images.size() >= 2; }));
        for (const QList<QVariant>& image : images)
            EXPECT_FALSE(image.at(1).toBool()) << image.at(0).toUrl().toString().toStdString();
        EXPECT_EQ(view.PendingLoads(), 0);
    }

    // A local page: the regular file shows; the FIFO and the device are skipped at once.
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(u"page.htm"_qs),
                                    "<img src='fifo'><img src='/dev/zero'><img src='red.png'>"));
    HtmlView view;
    view.show();
    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(dir.filePath(u"page.htm"_qs));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return images.size() >= 3; }));
    int shown = 0;
    for (const QList<QVariant>& image : images)
        shown += image.at(1).toBool() ? 1 : 0;
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(shownImage(view, u"red.png"_qs).pixelColor(0, 0), QColor(Qt::red));
}

TEST(HtmlView, OversizedRepliesAreCutOffAndHugePicturesShownStillAtTheBudget)
{
    TestHttpServer server;
    const QByteArray huge(HtmlView::kMaxBytes + 1, 'x');
    server.setReply("/big.htm", CannedReply::ok("<p>" + huge));
    server.setReply("/p.htm", CannedReply::ok("<img src='big.png'><img src='huge.gif'>"));
    server.setReply("/big.png", CannedReply::ok(huge, "image/png"));
    server.setReply("/huge.gif", CannedReply::ok(gifOfSide(4000), "image/gif"));
    HtmlView view;
    view.show();
    QSignalSpy done(&view, &HtmlView::loadFinished);
    view.Navigate(server.baseUrl() + u"/big.htm");
    ASSERT_TRUE(finished(done));
    EXPECT_FALSE(done.first().at(0).toBool());
    EXPECT_TRUE(view.IsBlank());

    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(server.baseUrl() + u"/p.htm");
    ASSERT_TRUE(TestUtil::waitUntil([&] { return images.size() >= 2; }));
    for (const QList<QVariant>& image : images)
        EXPECT_EQ(image.at(1).toBool(), image.at(0).toUrl().path() == u"/huge.gif");
    const QImage gif = shownImage(view, u"huge.gif"_qs);
    EXPECT_EQ(gif.size(), QSize(1024, 1024));
    // Scaled once and still: no movie decodes 4000 x 4000 frames.
    EXPECT_TRUE(view.findChildren<QMovie*>().isEmpty());
}

TEST(HtmlView, AnimationsRunOnlyWhileInView)
{
    TestHttpServer server;
    server.setReply("/p.htm", CannedReply::ok("<p>top</p>" + QByteArray("<br>").repeated(300) +
                                              "<img src='anim.gif' width=4 height=4>"));
    server.setReply("/anim.gif", CannedReply::ok(kGif, "image/gif"));
    QWidget window;
    window.resize(200, 100);
    HtmlView view(&window);
    view.resize(200, 100);
    window.show();
    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(server.baseUrl() + u"/p.htm");
    ASSERT_TRUE(finished(images));
    ASSERT_EQ(view.findChildren<QMovie*>().size(), 1);
    EXPECT_TRUE(runningMovies(view).isEmpty()); // below the fold

    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    EXPECT_EQ(runningMovies(view).size(), 1);

    // A window moved past the screen's edge shows nothing either.
    window.move(-5000, -5000);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return runningMovies(view).isEmpty(); }));
    window.move(0, 0);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return runningMovies(view).size() == 1; }));
    window.hide();
    EXPECT_TRUE(runningMovies(view).isEmpty());
}

TEST(HtmlView, AnImageAnswerShowsTheImageOtherAnswersABlankPage)
{
    TestHttpServer server;
    // A picture labelled as a page is still a picture.
    server.setReply("/pic", CannedReply::ok(png(Qt::red), "text/html"));
    server.setReply("/text", CannedReply::ok("<p>not a page</p>", "text/plain"));
    server.setReply("/bin", CannedReply::ok("\x7f"
                                            "ELF\x02\x01",
                                            "application/octet-stream"));
    HtmlView view;
    view.show();
    QSignalSpy done(&view, &HtmlView::loadFinished);
    view.Navigate(server.baseUrl() + u"/pic");
    ASSERT_TRUE(finished(done));
    EXPECT_TRUE(done.first().at(0).toBool());
    EXPECT_FALSE(view.IsBlank());
    EXPECT_FALSE(view.toPlainText().contains(u"PNG"_qs));
    EXPECT_EQ(shownImage(view, server.baseUrl() + u"/pic").pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(server.requestCount(), 1);

    for (const char* other : {"/text", "/bin"}) {
        done.clear();
        view.Navigate(server.baseUrl() + QString::fromLatin1(other));
        ASSERT_TRUE(finished(done));
        EXPECT_FALSE(done.first().at(0).toBool());
        EXPECT_TRUE(view.IsBlank());
        EXPECT_TRUE(view.toPlainText().trimmed().isEmpty()) << other;
    }
}

TEST(HtmlView, TheBannerStopsWhileItsWindowIsHiddenOrMinimisedAndGoesOnWhereItWas)
{
    QTemporaryDir dir;
    ASSERT_EQ(OfflineBanner::WriteMissingFiles(dir.path()), 4);
    QWidget window;
    HtmlView view(&window);
    view.resize(620, 60);
    window.show();
    QSignalSpy images(&view, &HtmlView::resourceLoaded);
    view.Navigate(OfflineBanner::PagePath(dir.path()));
    ASSERT_TRUE(finished(images));
    ASSERT_EQ(view.Players().size(), 1);
    BannerPlayer* player = view.Players().first();
    ASSERT_TRUE(TestUtil::waitUntil([&] { return player->Frame() > 2; }, 3000));

    // Hidden in the tray: no frame is drawn.
    window.hide();
    EXPECT_FALSE(player->IsRunning());
    const long long frame = player->Frame();
    QTest::qWait(200);
    EXPECT_EQ(player->Frame(), frame);
    window.show();
    EXPECT_TRUE(player->IsRunning());
    ASSERT_TRUE(TestUtil::waitUntil([&] { return player->Frame() > frame; }, 3000));
    EXPECT_LE(player->Frame(), frame + 3); // on from where it was

    window.setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(player->IsRunning());
    window.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(player->IsRunning());
}

TEST(BannerPlayer, TheMoreMarkCoversWhatThePenStroked)
{
    // Both drawn four times larger, where a wrong corner or a flipped arm would show.
    const auto draw = [](bool filled) {
        QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(4, 4);
        if (filled) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawPath(BannerPlayer::MoreMark(QPoint(6, 6)));
        } else {
            p.setPen(QPen(Qt::black, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(4, 2), QPointF(8.5, 6), QPointF(4, 10)}));
        }
        return image;
    };
    const QImage filled = draw(true), stroked = draw(false);
    int covered = 0, differing = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            const int a = qAlpha(filled.pixel(x, y)), b = qAlpha(stroked.pixel(x, y));
            covered += b > 127;
            differing += std::abs(a - b) > 127;
        }
    }
    EXPECT_GT(covered, 200);
    EXPECT_LT(differing, covered / 20);
}

// Our own banner is shown from its unpacked copy; it must look exactly as its PNG decodes.
TEST(BannerPlayer, OurOwnBannerLooksAsItsPngDecodes)
{
    QFile png(QStringLiteral(":/AD/tmpAD.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const QByteArray own = png.readAll();
    const auto look = [](const QByteArray& data) {
        BannerPlayer player;
        player.resize(620, 60);
        EXPECT_TRUE(player.SetImage(data));
        return player.grab().toImage();
    };
    // One byte more after the PNG's end is the same picture to the decoder, but not ours.
    const QImage decoded = look(own + '\0');
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(look(own), decoded);
}
