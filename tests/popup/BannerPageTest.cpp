// The banner player's settings, the page preparation and the offline banner files.
#include "BannerSettings.h"
#include "HtmlPage.h"
#include "OfflineBanner.h"

#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray resource(const QString& name)
{
    QFile f(QStringLiteral(":/AD/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(BannerSettings, ReadsOurSettingsFileWithItsByteOrderMark)
{
    const QByteArray xml = resource(QStringLiteral("offAD.xml"));
    ASSERT_TRUE(xml.startsWith("\xEF\xBB\xBF"));
    const auto s = BannerSettings::Parse(xml);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->speed, 15);
    EXPECT_EQ(s->but, QPoint(570, 42));
    EXPECT_FALSE(s->center);
    EXPECT_EQ(s->rotundity, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(s->style, 0);
    EXPECT_EQ(s->imgURL, QStringLiteral("tmpAD.png"));
    EXPECT_EQ(s->url, QStringLiteral("http://verbalto.example/verbalto.html"));
    EXPECT_EQ(s->FrameMs(), 66);
}

TEST(BannerSettings, BadValuesKeepDefaultsAndNonSettingsAreRefused)
{
    const auto s = BannerSettings::Parse(
        "<data speed='0' but='x,4' center='1' rotundity='1,2,999' style='2'>"
        "<video imgURL=' a.gif ' url='http://x.example/'/><video imgURL='b.gif'/></data>");
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->speed, 15);
    EXPECT_FALSE(s->but.has_value());
    EXPECT_TRUE(s->center);
    EXPECT_EQ(s->rotundity, (std::array<int, 4>{}));
    EXPECT_EQ(s->style, 2);
    EXPECT_EQ(s->imgURL, QStringLiteral("a.gif")); // the first video counts

    EXPECT_FALSE(BannerSettings::Parse("<html><body>404</body></html>").has_value());
    EXPECT_FALSE(BannerSettings::Parse("<data speed='3'").has_value());
    EXPECT_FALSE(BannerSettings::Parse({}).has_value());
    BannerSettings fast;
    fast.speed = 1000;
    EXPECT_EQ(fast.FrameMs(), 50);
}

TEST(BannerSettings, SheenCrossesTheImageAndStartsAgain)
{
    EXPECT_EQ(BannerSettings::SheenX(0, 620), -BannerSettings::kSheenWidth);
    int previous = BannerSettings::SheenX(0, 620);
    int restarts = 0;
    for (int f = 1; f < 200; ++f) {
        const int x = BannerSettings::SheenX(f, 620);
        EXPECT_GE(x, -BannerSettings::kSheenWidth);
        EXPECT_LE(x, 620 + BannerSettings::kSheenWidth);
        if (x < previous)
            ++restarts;
        previous = x;
    }
    EXPECT_GE(restarts, 2);
    EXPECT_EQ(BannerSettings::SheenX(-5, 0), -BannerSettings::kSheenWidth);

    // The banner rests once per sweep, when the band has left the image.
    int rests = 0;
    for (int f = 0; f < 200; ++f) {
        if (!BannerSettings::SweepEnds(f, 620))
            continue;
        ++rests;
        EXPECT_GE(BannerSettings::SheenX(f, 620), 620);
    }
    EXPECT_EQ(rests, restarts);
}

TEST(HtmlPage, OfflinePageEmbedsOnePlayerThatNamesItsSettings)
{
    const QString html = HtmlPage::Decode(resource(QStringLiteral("offAD1.htm")));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>广告</title>")));
    const auto page = HtmlPage::Prepare(html);
    ASSERT_EQ(page.players.size(), 1);
    EXPECT_EQ(page.players[0].settings, QStringLiteral("offAD.xml"));
    EXPECT_EQ(page.players[0].width, 620);
    EXPECT_EQ(page.players[0].height, 60);
    EXPECT_TRUE(page.noScroll);
    EXPECT_TRUE(page.noMargin);
    EXPECT_FALSE(page.html.contains(QStringLiteral("<embed"), Qt::CaseInsensitive));
    EXPECT_TRUE(page.html.contains(HtmlPage::PlaceholderUrl(0).toString()));
    EXPECT_EQ(HtmlPage::PlaceholderIndex(HtmlPage::PlaceholderUrl(0)), 0);
    EXPECT_EQ(HtmlPage::PlaceholderIndex(QUrl(QStringLiteral("http://x/0"))), -1);
}

TEST(HtmlPage, PromotionPagePlayersOtherPluginsAndBase)
{
    const QString html = QStringLiteral(
        "<html><head><base href='http://cdn.example/promo/' target=_blank></head><body>"
        "<a href='x.htm'>x</a>"
        "<OBJECT classid='clsid:1' WIDTH=468 HEIGHT=50><PARAM NAME=movie "
        "VALUE='show.swf?data=ad%202.xml&amp;x=1'><EMBED src='show.swf?data=ad%202.xml'></EMBED>"
        "</OBJECT><embed src='player.swf?data=b.xml' width=100 height=20>"
        "<object data='movie.swf' width=300 height=300></object>after</body></html>");
    const auto page = HtmlPage::Prepare(html);
    EXPECT_EQ(page.baseHref, QStringLiteral("http://cdn.example/promo/"));
    EXPECT_FALSE(page.noScroll);
    ASSERT_EQ(page.players.size(), 2);
    EXPECT_EQ(page.players[0].settings, QStringLiteral("ad 2.xml"));
    EXPECT_EQ(page.players[0].width, 468);
    EXPECT_EQ(page.players[0].height, 50);
    EXPECT_EQ(page.players[1].settings, QStringLiteral("b.xml"));
    EXPECT_EQ(page.players[1].width, 100);
    // A plug-in that is not a banner player takes no room; the rest of the page stays.
    EXPECT_FALSE(page.html.contains(QStringLiteral("movie.swf")));
    EXPECT_TRUE(page.html.contains(QStringLiteral("after</body>")));
    EXPECT_TRUE(page.html.contains(QStringLiteral("<a href='x.htm'>x</a>")));
}

TEST(HtmlPage, FindsTagsAndAttributesAsWrittenInAnyCaseAndSpacing)
{
    // The page as shown, each player's placeholder written "#", and the players' settings.
    const struct
    {
        const char16_t* html;
        const char16_t* shown;
        const char16_t* settings;
    } rows[] = {
        // An object never closed is left as it is, but the embed inside it still plays.
        {u"<object data='a?data=o.xml'><embed src='e?data=1.xml'>x",
         u"<object data='a?data=o.xml'>#x", u"1.xml"},
        {u"<objectx data='a?data=x.xml'></objectx><embedded src='b?data=y.xml'>",
         u"<objectx data='a?data=x.xml'></objectx><embedded src='b?data=y.xml'>", u""},
        // Each object ends at its own first closing tag.
        {u"<OBJECT data='a?data=1.xml'>\n</Object\t>mid<object data=\"b?data=2.xml\"></object >",
         u"#mid#", u"1.xml,2.xml"},
        {u"<Embed src='e?data=3.xml'> </EMBED\n>after", u"#after", u"3.xml"},
        // A name that ends another's is not that one.
        {u"<embed data-src='d?data=no.xml' src=s?data=4.xml>", u"#", u"4.xml"},
        // A tag ends at its first '>', quoted or not: the movie's value is cut, so nothing plays.
        {u"<object><param name=movie value='m?data=5.xml&amp;t=a>b'></object>", u"", u""},
    };
    for (const auto& row : rows) {
        const auto page = HtmlPage::Prepare(QString::fromUtf16(row.html));
        QString shown = page.html;
        QStringList settings;
        for (int i = 0; i < page.players.size(); ++i) {
            shown.replace(QRegularExpression(QStringLiteral("<img src=\"%1\"[^>]*>")
                                                 .arg(HtmlPage::PlaceholderUrl(i).toString())),
                          QStringLiteral("#"));
            settings << page.players[i].settings;
        }
        EXPECT_EQ(shown, QString::fromUtf16(row.shown))
            << QString::fromUtf16(row.html).toStdString();
        EXPECT_EQ(settings.join(u','), QString::fromUtf16(row.settings));
    }
    EXPECT_TRUE(HtmlPage::Prepare(QStringLiteral("<BODY\tstyle='color:red;MARGIN :0'>")).noMargin);
    EXPECT_FALSE(HtmlPage::Prepare(QStringLiteral("<bodyx leftmargin=0>")).noMargin);
    EXPECT_EQ(HtmlPage::Decode("\xC2", "text/html;Charset = \"KOI8-R\""), QStringLiteral("б"));
}

TEST(HtmlPage, DecodesByHeaderThenMetaThenUtf8)
{
    const QByteArray gbk("\xB9\xE3\xB8\xE6"); // 广告
    const QString expected = QStringLiteral("广告");
    EXPECT_TRUE(HtmlPage::Decode(gbk, "text/html; charset=GBK").contains(expected));
    EXPECT_TRUE(HtmlPage::Decode("<meta http-equiv=Content-Type content='text/html; "
                                 "charset=gb2312'>" +
                                 gbk)
                    .contains(expected));
    EXPECT_EQ(HtmlPage::Decode(expected.toUtf8(), "text/html; charset=no-such-set"), expected);
    EXPECT_EQ(HtmlPage::Decode(expected.toUtf8()), expected);
}

TEST(HtmlPage, ReadsOnlyRegularLocalFilesWithinTheCapAndNeverWaits)
{
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("page.htm"));
    ASSERT_TRUE(TestUtil::writeFile(page, "<p>local</p>"));
    EXPECT_EQ(HtmlPage::ReadLocalFile(page), QByteArray("<p>local</p>"));
    EXPECT_EQ(HtmlPage::ReadLocalFile(page, 12), QByteArray("<p>local</p>"));
    EXPECT_FALSE(HtmlPage::ReadLocalFile(page, 11));

    // A FIFO with no writer would block a plain read for good.
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = dir.filePath(QStringLiteral("big"));
    QFile sparse(big);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(HtmlPage::kMaxBytes + 1));
    const QString link = dir.filePath(QStringLiteral("zero"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), link));
    for (const QString& bad : {fifo, big, link, QStringLiteral("/dev/zero"), dir.path(),
                               dir.filePath(QStringLiteral("missing"))})
        EXPECT_FALSE(HtmlPage::ReadLocalFile(bad)) << bad.toStdString();
}

TEST(HtmlPage, PagesFromTheNetworkReachOnlyTheNetwork)
{
    const QUrl web(QStringLiteral("http://promo.example/p.htm"));
    const QUrl local = QUrl::fromLocalFile(QStringLiteral("/run/user/0/verbalto/offAD1.htm"));
    const QUrl file = QUrl::fromLocalFile(QStringLiteral("/etc/passwd"));
    EXPECT_TRUE(HtmlPage::MayLoad(web, QUrl(QStringLiteral("https://cdn.example/a.png"))));
    EXPECT_FALSE(HtmlPage::MayLoad(web, file));
    EXPECT_FALSE(HtmlPage::MayLoad(web, QUrl(QStringLiteral("qrc:/AD/tmpAD.png"))));
    EXPECT_FALSE(HtmlPage::MayLoad(web, QUrl(QStringLiteral("ftp://promo.example/a.png"))));
    EXPECT_TRUE(HtmlPage::MayLoad(local, file));
    EXPECT_TRUE(HtmlPage::MayLoad(local, web));
    EXPECT_FALSE(HtmlPage::MayLoad(local, QUrl(QStringLiteral("qrc:/AD/tmpAD.png"))));

    EXPECT_EQ(HtmlPage::Classify("text/html; charset=UTF-8", "x"), HtmlPage::Kind::Html);
    EXPECT_EQ(HtmlPage::Classify("text/html", resource(QStringLiteral("tmpAD.png"))),
              HtmlPage::Kind::Image);
    EXPECT_EQ(HtmlPage::Classify("text/plain", "<p>x</p>"), HtmlPage::Kind::Other);
    EXPECT_EQ(HtmlPage::Classify("application/octet-stream", "x"), HtmlPage::Kind::Other);
    EXPECT_EQ(HtmlPage::Classify({}, "<p>x</p>"), HtmlPage::Kind::Html);
    EXPECT_EQ(HtmlPage::Classify({}, resource(QStringLiteral("tmpAD.png"))), HtmlPage::Kind::Image);
    // Markup is told from pictures without the plugins, but a drawing in markup is still one.
    const QByteArray svg = "\xEF\xBB\xBF\n <svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" "
                           "height=\"4\"><rect width=\"4\" height=\"4\"/></svg>";
    EXPECT_EQ(HtmlPage::Classify("text/html", svg), HtmlPage::Kind::Image);
    EXPECT_EQ(HtmlPage::Classify("text/html", "\xEF\xBB\xBF <!DOCTYPE html><p>x</p>"),
              HtmlPage::Kind::Html);
}

TEST(OfflineBanner, FilesAreWrittenOnceAndNamesInsideAgreeInCase)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(OfflineBanner::WriteMissingFiles(dir.path()), 4);
    for (const QString& name : OfflineBanner::FileNames())
        EXPECT_EQ(TestUtil::readFile(dir.filePath(name)), resource(name)) << name.toStdString();
    EXPECT_EQ(OfflineBanner::PagePath(dir.path() + "/"),
              dir.filePath(QStringLiteral("offAD1.htm")));

    // Every name the page and the settings use is a file written, with the same case.
    const auto page = HtmlPage::Prepare(HtmlPage::Decode(resource(QStringLiteral("offAD1.htm"))));
    const QString playerFile = page.players[0].source.section(u'?', 0, 0);
    const auto settings =
        BannerSettings::Parse(TestUtil::readFile(dir.filePath(page.players[0].settings)));
    ASSERT_TRUE(settings.has_value());
    const QStringList written = QDir(dir.path()).entryList(QDir::Files);
    EXPECT_TRUE(written.contains(playerFile)) << playerFile.toStdString();
    EXPECT_TRUE(written.contains(page.players[0].settings));
    EXPECT_TRUE(written.contains(settings->imgURL));

    // An existing file stays as it is, damaged or not; only a missing one is written again.
    const QString pagePath = dir.filePath(QStringLiteral("offAD1.htm"));
    ASSERT_TRUE(TestUtil::writeFile(pagePath, "damaged"));
    QFile::remove(dir.filePath(QStringLiteral("tmpAD.png")));
    EXPECT_EQ(OfflineBanner::WriteMissingFiles(dir.path()), 1);
    EXPECT_EQ(TestUtil::readFile(pagePath), QByteArray("damaged"));
    EXPECT_EQ(TestUtil::readFile(dir.filePath(QStringLiteral("tmpAD.png"))),
              resource(QStringLiteral("tmpAD.png")));
}

TEST(OfflineBanner, UnwritableFolderWritesNothingAndLeavesNoPartialFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Through a regular file: no folder can exist below it.
    const QString file = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(TestUtil::writeFile(file, "x"));
    EXPECT_EQ(OfflineBanner::WriteMissingFiles(file), 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(OfflineBanner, ReadOnlyMountWritesNothing)
{
    if (!TestUtil::isRoot())
        GTEST_SKIP() << "needs a private mount namespace";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString probe = TestUtil::binPath(QStringLiteral("offline_banner_probe"));
    QProcess p;
    p.start(QStringLiteral("unshare"),
            {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" && "
                            "\"$2\" \"$1\""),
             QStringLiteral("sh"), dir.path(), probe});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), QByteArray("written 0"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
