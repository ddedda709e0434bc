// Drives the real program from outside under an X server: xdotool types and clicks, xclip
// reads the clipboard, the loopback server plays the translation service.
#include "ReplyPages.h"
#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QString run(const QString& program, const QStringList& args, int timeoutMs = 10000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool haveTools()
{
    for (const char* tool : {"xdotool", "xclip", "import"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return false;
    }
    return !qEnvironmentVariableIsEmpty("DISPLAY");
}

} // namespace

TEST(DesktopTranslate, TypeTranslateAndCopyFromOutside)
{
    if (!haveTools())
        GTEST_SKIP() << "needs an X display, xdotool, xclip and ImageMagick";
    TestHttpServer server;
    server.setReply(
        "/translate_t",
        CannedReply::ok(ReplyPages::PageUtf8(
            {QStringLiteral("Bonjour "), QStringLiteral("le monde")}, QStringLiteral("bon-zhoor"),
            QStringLiteral("noun<div><div>monde</div><div>terre</div></div>"))));
    QTemporaryDir config, runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("VERBALTO_TRANSLATE_URL"), server.baseUrl());
    env.insert(QStringLiteral("VERBALTO_VENDOR_URL"), server.baseUrl());
    env.insert(QStringLiteral("VERBALTO_NO_AUDIO"), QStringLiteral("1"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));

    QProcess verbalto;
    verbalto.setProcessEnvironment(env);
    verbalto.start(TestUtil::binPath(QStringLiteral("verbalto")), {});
    ASSERT_TRUE(verbalto.waitForStarted());

    const QString pid = QString::number(verbalto.processId());
    QString window;
    TestUtil::waitUntil(
        [&] {
            window = run(QStringLiteral("xdotool"),
                         {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), pid, QStringLiteral("--name"),
                          QStringLiteral("^Verbalto$")})
                         .section(u'\n', 0, 0);
            return !window.isEmpty();
        },
        15000);
    ASSERT_FALSE(window.isEmpty()) << "the main window never showed";

    // The menu bar sits above the 490-pixel client area.
    const QString geometry =
        run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window});
    const int height = geometry.section(QStringLiteral("Geometry: "), 1).section(u'x', 1).toInt();
    const int menuBar = height - 490;
    ASSERT_GT(menuBar, 0) << geometry.toStdString();
    const int pic1 = menuBar + 61;

    auto click = [&](int x, int y) {
        run(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
             QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
    };
    click(200, pic1 + 60); // into the source box
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"),
                                    QStringLiteral("20"), QStringLiteral("hello world")});
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("F5")});
    auto translations = [&] {
        QList<RecordedRequest> found;
        for (const RecordedRequest& r : server.requests()) {
            if (r.path == "/translate_t")
                found << r;
        }
        return found;
    };
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !translations().isEmpty(); }, 15000)) << "F5 sent no request";
    EXPECT_TRUE(translations().first().body.contains("&text=hello+world&"));

    QThread::msleep(300);
    click(454 + 20, pic1 + 140 + 21); // Copy
    QString copied;
    TestUtil::waitUntil(
        [&] {
            copied =
                run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                              QStringLiteral("clipboard")});
            return copied == u"Bonjour le monde";
        },
        5000);
    EXPECT_EQ(copied, u"Bonjour le monde");

    QDir().mkpath(TestUtil::binPath(QStringLiteral("../screenshots")));
    run(QStringLiteral("import"),
        {QStringLiteral("-window"), window,
         TestUtil::binPath(QStringLiteral("../screenshots/main-window.png"))});

    verbalto.kill();
    verbalto.waitForFinished();
}
