// Drives the real program from outside under an X server: xdotool types and clicks, xclip
// copies and reads the clipboard, trayer hosts the tray icon, the loopback server plays the
// translation service.
#include "ApertiumServer.h"
#include "DesktopSupport.h"
#include "ReplyPages.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace DesktopSupport;

namespace {

const QStringList kTools = {QStringLiteral("xdotool"), QStringLiteral("xclip"),
                            QStringLiteral("import")};

QString textOf(const RecordedRequest& r)
{
    QByteArray body = r.body;
    body.replace('+', ' ');
    return QUrlQuery(QString::fromLatin1(body))
        .queryItemValue(QStringLiteral("text"), QUrl::FullyDecoded);
}

QString clipboardText()
{
    return TestUtil::runTool(
        QStringLiteral("xclip"),
        {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
}

class Desktop : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!HaveTools(kTools))
            GTEST_SKIP() << "needs an X display, xdotool, xclip and ImageMagick";
        server.setReply("/translate_t",
                        CannedReply::ok(ReplyPages::PageUtf8(
                            {QStringLiteral("Bonjour "), QStringLiteral("le monde")},
                            QStringLiteral("bon-zhoor"),
                            QStringLiteral("noun<div><div>monde</div><div>terre</div></div>"))));
        // Nothing of ours on the clipboard at start: an empty text is not translated.
        holder = TestUtil::xclipCopy(QByteArray());
        QThread::msleep(200);
    }

    // Another program copies. The program holding the clipboard before is ended first: its
    // end is a clipboard change of its own, which must not fall on the new copy.
    void copyElsewhere(const QByteArray& data, const QString& type = QString())
    {
        holder.reset();
        QThread::msleep(300);
        holder = TestUtil::xclipCopy(data, type);
    }

    // Waits until n translation requests arrived; true when exactly n are there.
    bool waitForTranslations(int n, int timeoutMs = 10000)
    {
        TestUtil::waitUntil([&] { return Translations(server).size() >= n; }, timeoutMs);
        return Translations(server).size() == n;
    }

    TestHttpServer server;
    std::unique_ptr<QProcess> holder;
};

} // namespace

TEST_F(Desktop, TypeTranslateAndCopyFromOutside)
{
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n");
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty()) << "the main window never showed";
    ASSERT_GT(app.menuBarHeight(), 0);

    app.clickPic1(200, 60); // into the source box
    app.type(QStringLiteral("hello world"));
    app.key(QStringLiteral("F5"));
    ASSERT_TRUE(waitForTranslations(1)) << "F5 sent no request";
    EXPECT_EQ(textOf(Translations(server).first()), u"hello world");

    QThread::msleep(300);
    app.clickPic1(474, 161); // Copy
    QString copied;
    TestUtil::waitUntil([&] { return (copied = clipboardText()) == u"Bonjour le monde"; }, 5000);
    EXPECT_EQ(copied, u"Bonjour le monde");
    app.screenshot(QStringLiteral("main-window.png"));
}

TEST_F(Desktop, AnotherProgramsCopiesAreTranslatedButOurOwnAreNot)
{
    Verbalto app(server); // fresh settings: the clipboard monitor is on
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    QThread::msleep(500);
    EXPECT_TRUE(Translations(server).isEmpty()) << "an empty clipboard was translated";

    copyElsewhere("copied elsewhere");
    ASSERT_TRUE(waitForTranslations(1));
    EXPECT_EQ(textOf(Translations(server).first()), u"copied elsewhere");

    // Our own Copy puts the translation on the clipboard without translating it again.
    QThread::msleep(300);
    app.clickPic1(474, 161);
    TestUtil::waitUntil([&] { return clipboardText() == u"Bonjour le monde"; }, 5000);
    EXPECT_EQ(clipboardText(), u"Bonjour le monde");
    QThread::msleep(800);
    EXPECT_EQ(Translations(server).size(), 1) << textOf(Translations(server).last()).toStdString();

    // A picture is not text.
    QByteArray png = TestUtil::readFile(
        QStringLiteral(VERBALTO_SOURCE_DIR "/src/resources/icons/IDR_MAINFRAME-16.png"));
    copyElsewhere(png, QStringLiteral("image/png"));
    QThread::msleep(800);
    EXPECT_EQ(Translations(server).size(), 1);

    // The next copy from elsewhere is translated again.
    copyElsewhere("second copy");
    ASSERT_TRUE(waitForTranslations(2));
    EXPECT_EQ(textOf(Translations(server).last()), u"second copy");
}

TEST_F(Desktop, StoredLanguagesAndTraditionalChineseApplyAtStart)
{
    Verbalto app(server);
    // Source English, target French, host German, no clipboard monitor, Traditional Chinese.
    app.setSettings("[Setup]\nLanguage=3\nOptions=17|19|1|0|22|0|1\n");
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    app.clickPic1(200, 60);
    app.type(QStringLiteral("good morning"));
    app.key(QStringLiteral("F5"));
    ASSERT_TRUE(waitForTranslations(1));
    const QByteArray body = Translations(server).first().body;
    EXPECT_TRUE(body.startsWith("prev=hp&hl=de&")) << body.constData();
    EXPECT_TRUE(body.endsWith("&sl=en&tl=fr")) << body.constData();
    QThread::msleep(300);
    app.screenshot(QStringLiteral("main-window-zh-TW.png"));
}

TEST_F(Desktop, MiniStartShowsOnlyTheTrayIcon)
{
    if (!HaveTools({QStringLiteral("trayer"), QStringLiteral("xwininfo")}))
        GTEST_SKIP() << "needs trayer and xwininfo";
    Trayer host;
    ASSERT_TRUE(host.start()) << "trayer did not map its panel";
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n");
    ASSERT_TRUE(app.start({QStringLiteral("mini")}));
    EXPECT_TRUE(TestUtil::waitUntil([&] { return Trayer::holdsIconOf(app.pid()); }, 10000))
        << "no tray icon";
    EXPECT_TRUE(app.mappedWindow().isEmpty()) << "a \"mini\" start mapped the main window";

    Verbalto normal(server);
    normal.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n");
    ASSERT_TRUE(normal.start({QStringLiteral("MINI")})); // not the exact word: a normal start
    EXPECT_FALSE(normal.waitForWindow().isEmpty());
}

TEST_F(Desktop, PromotionBannerFollowsTheVendorList)
{
    // The list names a page of ours and one that is not http: only the first is shown.
    const QByteArray list = server.baseUrl().toUtf8() + "/promo1.html<|file:///etc/passwd";
    server.setReply("/Vbxpromo/ADC1.txt", CannedReply::ok(list, "text/plain"));
    server.setReply("/promo1.html",
                    CannedReply::ok("<html><body><b>Promotion one</b></body></html>"));
    server.setReply("/verbalto.html", CannedReply::ok("<html><body>Product page</body></html>"));
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n");
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    auto asked = [&](const QByteArray& path) {
        for (const RecordedRequest& r : server.requests()) {
            if (r.path == path)
                return true;
        }
        return false;
    };
    // The daily popup shows the product page at once; the banner's first tick comes after 15 s.
    EXPECT_TRUE(TestUtil::waitUntil([&] { return asked("/verbalto.html"); }, 10000));
    EXPECT_TRUE(TestUtil::waitUntil([&] { return asked("/promo1.html"); }, 25000))
        << "the banner never loaded";
    EXPECT_TRUE(asked("/Vbxpromo/ADC1.txt"));
    app.screenshot(QStringLiteral("main-window-promotion.png"));
}

TEST_F(Desktop, TextWaitingOnTheClipboardIsTranslatedAtStart)
{
    copyElsewhere("waiting text");
    Verbalto app(server); // fresh settings: the clipboard monitor is on
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitForTranslations(1));
    EXPECT_EQ(textOf(Translations(server).first()), u"waiting text");
    QThread::msleep(800);
    EXPECT_EQ(Translations(server).size(), 1); // once, not again for the same text
}

TEST_F(Desktop, ALocalApertiumTranslatesInTheWindow)
{
    ApertiumServer apertium;
    ASSERT_TRUE(apertium.started());
    Verbalto app(server);
    // Source English, target Spanish, no clipboard monitor; the service chosen in the menu.
    app.setSettings("[Setup]\nOptions=17|49|1|1|15|0|1\n[Service]\nName=apertium\nUrl=" +
                    apertium.baseUrl().toUtf8() + "\n");
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());

    app.clickPic1(200, 60);
    app.type(QStringLiteral("Good morning"));
    app.key(QStringLiteral("F5"));
    QString copied;
    TestUtil::waitUntil(
        [&] {
            app.clickPic1(474, 161); // Copy
            QThread::msleep(200);
            return (copied = clipboardText()) == QString::fromUtf8("Buenos días");
        },
        20000);
    EXPECT_EQ(copied, QString::fromUtf8("Buenos días"));
    EXPECT_TRUE(Translations(server).isEmpty()); // nothing went to the web page
}

TEST_F(Desktop, TranslateInputDuringATranslationIsNotReplayed)
{
    CannedReply slow = CannedReply::ok(ReplyPages::PageUtf8({QStringLiteral("Bonjour")}));
    slow.delayMs = 2500;
    server.setReply("/translate_t", slow);
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n");
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());

    app.clickPic1(200, 60);
    app.type(QStringLiteral("hello"));
    app.key(QStringLiteral("F5"));
    ASSERT_TRUE(waitForTranslations(1));
    // Impatient clicks on Translate and presses of F5 while the window waits.
    for (int i = 0; i < 3; ++i) {
        app.clickPic1(324, 161);
        app.key(QStringLiteral("F5"));
    }
    QThread::msleep(4000);
    EXPECT_EQ(Translations(server).size(), 1) << "the waiting input was replayed";

    // Afterwards the command works as before.
    app.key(QStringLiteral("F5"));
    EXPECT_TRUE(waitForTranslations(2));
}

TEST_F(Desktop, PasteSurvivesAnotherProgramTakingTheClipboard)
{
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n"); // no clipboard monitor
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    // The event loop runs meanwhile, so that xclip gets its text.
    const auto pause = [](int ms) { TestUtil::waitUntil([] { return false; }, ms); };
    QString expected;
    for (int i = 0; i < 12; ++i) {
        const QByteArray text = "paste" + QByteArray::number(i) + ' ';
        // The holder ends, a new program takes the clipboard and Paste follows 0.2 s later.
        holder.reset();
        holder = TestUtil::xclipCopy(text);
        pause(200);
        if (i % 2 == 0) {
            app.clickPic1(520, 161); // Command5
        } else {
            app.clickPic1(560, 110); // below the text: the caret goes to its end
            app.key(QStringLiteral("ctrl+v"));
        }
        expected += QString::fromLatin1(text);
        pause(300);
        ASSERT_FALSE(app.mappedWindow().isEmpty()) << "the program is gone after paste " << i;
    }
    // The box holds every paste, in order: F5 sends it.
    app.clickPic1(560, 110);
    app.key(QStringLiteral("F5"));
    ASSERT_TRUE(waitForTranslations(1));
    EXPECT_EQ(textOf(Translations(server).first()).trimmed(), expected.trimmed());
}

// Commands for the running Verbalto: the first start with one does it itself, later starts hand
// theirs over and end; the selection is read from PRIMARY.
TEST_F(Desktop, CommandsFromLaterStartsTranslateInTheRunningWindow)
{
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n"); // the clipboard monitor is off
    ASSERT_TRUE(app.start({QStringLiteral("--translate"), QStringLiteral("first start")}));
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    ASSERT_TRUE(waitForTranslations(1));
    EXPECT_EQ(textOf(Translations(server).last()), u"first start");

    const auto later = [&](const QStringList& args) {
        Verbalto second(server);
        second.shareFoldersWith(app);
        second.start(args);
        return second.waitForExit();
    };
    auto primary = SelectElsewhere("selected elsewhere");
    ASSERT_TRUE(primary);
    EXPECT_EQ(later({QStringLiteral("--translate-selection")}), 0);
    ASSERT_TRUE(waitForTranslations(2));
    EXPECT_EQ(textOf(Translations(server).last()), u"selected elsewhere");

    const QString awkward = QStringLiteral("a \"quoted\" 100% & show\nsecond line \u00e9\u4e2d");
    EXPECT_EQ(later({QStringLiteral("--translate"), awkward}), 0);
    ASSERT_TRUE(waitForTranslations(3));
    EXPECT_EQ(textOf(Translations(server).last()).remove(u'\r'), awkward);

    // Too long for one request: refused by the later start, nothing reaches the window.
    EXPECT_EQ(later({QStringLiteral("--translate"), QString(4000, u'x')}), 2);
    QThread::msleep(500);
    EXPECT_EQ(Translations(server).size(), 3);
}

// The session-wide key: text selected in another program is translated in the window; a key
// another client holds is told once, naming it.
TEST_F(Desktop, TheShortcutTranslatesTheSelectionAndATakenKeyIsTold)
{
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n");
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    auto primary = SelectElsewhere("pressed for");
    ASSERT_TRUE(primary);
    app.key(QStringLiteral("ctrl+alt+z"));
    ASSERT_TRUE(waitForTranslations(1)) << app.errors().constData();
    EXPECT_EQ(textOf(Translations(server).last()), u"pressed for");
    // With NumLock on too; another modifier is another key.
    app.key(QStringLiteral("ctrl+shift+alt+z"));
    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock"), QStringLiteral("ctrl+alt+z"),
             QStringLiteral("Num_Lock")});
    ASSERT_TRUE(waitForTranslations(2));
    QThread::msleep(300);
    EXPECT_EQ(Translations(server).size(), 2);

    // The first one holds Ctrl+Alt+Z; a second Verbalto (other folders, so not handed over)
    // cannot have it.
    Verbalto second(server);
    second.setSettings(
        "[Setup]\nOptions=0|15|1|1|15|0|1\n[Shortcuts]\nTranslateSelection=Ctrl+Alt+Z\n");
    ASSERT_TRUE(second.start());
    const QString window = second.waitForWindow();
    ASSERT_FALSE(window.isEmpty());
    EXPECT_TRUE(TestUtil::waitUntil([&] { return second.errors().contains("Ctrl+Alt+Z"); }, 5000))
        << second.errors().constData();
    EXPECT_EQ(second.errors().count("Ctrl+Alt+Z"), 1);
}

// From the tray: the key brings the hidden window up with the selection translated.
TEST_F(Desktop, TheShortcutBringsTheHiddenWindowFromTheTray)
{
    if (!HaveTools({QStringLiteral("trayer"), QStringLiteral("openbox"), QStringLiteral("xprop"),
                    QStringLiteral("xwininfo")}))
        GTEST_SKIP() << "needs trayer, openbox, xprop and xwininfo";
    WindowManager wm;
    ASSERT_TRUE(wm.start());
    Trayer host;
    ASSERT_TRUE(host.start());
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=0|15|1|1|15|0|1\n");
    ASSERT_TRUE(app.start({QStringLiteral("mini")}));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return Trayer::holdsIconOf(app.pid()); }, 10000));
    ASSERT_TRUE(app.mappedWindow().isEmpty());

    auto primary = SelectElsewhere("from the tray");
    ASSERT_TRUE(primary);
    app.key(QStringLiteral("ctrl+alt+z"));
    EXPECT_FALSE(app.waitForWindow(10000).isEmpty()) << "the window stayed in the tray";
    ASSERT_TRUE(waitForTranslations(1)) << app.errors().constData();
    EXPECT_EQ(textOf(Translations(server).last()), u"from the tray");
}
